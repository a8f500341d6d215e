// The front end through which an IDE drives a stopped script over XML-RPC: it
// serves calls on its own port at every stop until one of them resumes.
#ifndef LUCENTDEBUG_REMOTE_REQUESTER_H
#define LUCENTDEBUG_REMOTE_REQUESTER_H

#include <memory>
#include <string>

#include "control_connection.h"
#include "requester.h"
#include "xmlrpc_server.h"

class RemoteRequester : public Requester {
 public:
  // Listens on `port` (0: a port the system chooses) at once; calls are served
  // only from interactionPoint(). When the port cannot be opened, HasServer()
  // is false, GetPort() is 0 and interactionPoint() returns at once.
  // `bindAddress` (4 bytes, network order) is the address to listen on; null:
  // loopback without a cookie, every interface with one.
  RemoteRequester(std::string cookie, int port, const unsigned char* bindAddress = nullptr);
  ~RemoteRequester() override;
  RemoteRequester(const RemoteRequester&) = delete;
  RemoteRequester& operator=(const RemoteRequester&) = delete;

  void interactionPoint() override;
  void resumeExecution(int mode) override;

  // True when `s` equals the cookie byte for byte.
  bool validCookie(const std::string& s) const;
  bool HasServer() const { return server != nullptr; }
  int GetPort() const { return port; }
  // Takes the IDE's control connection: a "pause" on it stops the script, its
  // closing after "watch" ends the session (a stop under way goes on).
  void watch(int controlFd);
  bool ideGone() const;

 private:
  std::unique_ptr<ControlConnection> control;
  std::string cookie;
  bool resumed = false;
  XmlRpcServerPtr server;
  int port = 0;
};

// Entry points through which the module creates, drives and ends the remote
// front end. Each tolerates a null handle.
extern "C" {
// Listens on `port` (0: one the system chooses); null, after a warning, when
// the port cannot be served. Without a cookie (null or empty) it listens on
// the loopback interface only, and says so in the host's log.
Requester* remote_init(const char* cookie, int port);
// The same, listening on `bindAddress` (4 bytes, network order; null as above).
Requester* remote_init_on(const char* cookie, int port, const unsigned char* bindAddress);
// Hands the requester the IDE's control connection (see RemoteRequester::watch).
void remote_watch(Requester* requester, int controlFd);
unsigned short remote_getport(Requester* requester);
void remote_interact(Requester* requester);
void remote_end(Requester* requester);
}

#endif  // LUCENTDEBUG_REMOTE_REQUESTER_H
