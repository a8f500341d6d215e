// The front end through which an IDE drives a stopped script over XML-RPC: it
// serves calls on its own port at every stop until one of them resumes.
#ifndef LUCENTDEBUG_REMOTE_REQUESTER_H
#define LUCENTDEBUG_REMOTE_REQUESTER_H

#include <string>

#include "requester.h"
#include "xmlrpc_server.h"

class RemoteRequester : public Requester {
 public:
  // Listens on `port` (0: a port the system chooses) at once; calls are served
  // only from interactionPoint(). When the port cannot be opened, HasServer()
  // is false, GetPort() is 0 and interactionPoint() returns at once.
  RemoteRequester(std::string cookie, int port);
  ~RemoteRequester() override;
  RemoteRequester(const RemoteRequester&) = delete;
  RemoteRequester& operator=(const RemoteRequester&) = delete;

  void interactionPoint() override;
  void resumeExecution(int mode) override;

  // True when `s` equals the cookie byte for byte.
  bool validCookie(const std::string& s) const;
  bool HasServer() const { return server != nullptr; }
  int GetPort() const { return port; }

 private:
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
unsigned short remote_getport(Requester* requester);
void remote_interact(Requester* requester);
void remote_end(Requester* requester);
}

#endif  // LUCENTDEBUG_REMOTE_REQUESTER_H
