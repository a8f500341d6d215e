// TCP listeners of the adapter: the port on which php announces itself with
// "PHP:<port>:<cookie>", and the ports that receive the script's output.
#ifndef LUCENTDEBUG_DAP_HANDSHAKE_LISTENER_H
#define LUCENTDEBUG_DAP_HANDSHAKE_LISTENER_H

#include <functional>
#include <memory>
#include <optional>
#include <string>

// What a php request announced: where its XML-RPC server is and the cookie.
struct Announcement {
  std::string engineHost;  // the address the announcement came from
  int port = 0;
  std::string cookie;
  // The handshake connection, kept open as the request's control connection
  // ("watch", "pause"); -1 when the engine closed it. Owned by the receiver.
  int control = -1;
};

// Reads "PHP:<port>:<cookie>"; nullopt for any other text.
std::optional<Announcement> ParseAnnouncement(const std::string& line);

class Listener {
 public:
  // Listens on host:port (port 0 picks a free one); null with `error` set on failure.
  static std::unique_ptr<Listener> open(const std::string& host, int port, std::string& error);
  ~Listener();
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  int port() const { return port_; }
  // Accepts one connection within timeoutMs (negative: no limit); -1 when none
  // came. The peer's address is stored in `peer` when given.
  int accept(int timeoutMs, std::string* peer = nullptr);

 private:
  explicit Listener(int fd, int port) : fd_(fd), port_(port) {}
  int fd_;
  int port_;
};

// Waits for one announcement on `listener` and writes "watch" on it, giving up after timeoutMs
// (0: no limit) or as soon as `keepWaiting` says so; `error` says why.
std::optional<Announcement> ReceiveAnnouncement(Listener& listener, int timeoutMs,
                                                const std::function<bool()>& keepWaiting,
                                                std::string& error);

// A loopback port that nothing listens on right now.
int FreeLoopbackPort();

#endif  // LUCENTDEBUG_DAP_HANDSHAKE_LISTENER_H
