// The remote requester's XML-RPC server: an xmlrpc-c method registry behind a
// small HTTP reader of our own on a listening socket. Connections are read
// side by side with poll(), each within a total deadline, so that idle, slow
// or hostile clients cannot keep a proper one waiting; calls still run one at
// a time on the calling thread, and every body is screened before the library
// parses it.
#include "xmlrpc_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iterator>
#include <list>
#include <memory>
#include <new>
#include <set>
#include <string>
#include <vector>

#include "call_screen.h"
#include "http_request.h"
#include "supplementary_chars.h"

namespace {

using Clock = std::chrono::steady_clock;

// Connections are accepted as soon as they arrive, so the queue only has to
// absorb a burst: a full queue drops a proper client's connection attempt for
// a second or more, which a queue of 16 let any 17 quick connections do.
constexpr int kListenBacklog = 128;
// Accepted in one round at most, so that reading goes on during a flood.
constexpr int kAcceptsPerRound = 64;
// Head and body together must arrive within this time.
constexpr std::chrono::seconds kReadDeadline(15);
// A client gets this long to take its whole answer.
constexpr std::chrono::seconds kWriteDeadline(30);
// After the answer, what the client still sends is read and dropped for this
// long, so that closing does not reset the connection under the answer.
constexpr std::chrono::seconds kLingerDeadline(2);
// Beyond this many open connections an answered or idle one gives way.
constexpr size_t kMaxConnections = 64;
constexpr size_t kReadChunk = 64 * 1024;
constexpr int kParseFault = -503;  // the library's code for a call that is not XML-RPC

// Registry faults mean the process is out of memory; nothing sensible remains.
void ExitOnFault(xmlrpc_env* env) {
  if (!env->fault_occurred) return;
  std::fprintf(stderr, "Unexpected XML-RPC fault: %s (%d)\n", env->fault_string, env->fault_code);
  std::exit(1);
}

int ListenOn(const unsigned char* bindAddress, int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return -1;
  // Lets a new request reuse a port whose last connections linger in TIME_WAIT;
  // a port another process listens on still fails to bind.
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  if (bindAddress) {
    std::memcpy(&address.sin_addr, bindAddress, sizeof address.sin_addr);
  } else {
    address.sin_addr.s_addr = htonl(INADDR_ANY);
  }
  if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      listen(fd, kListenBacklog) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// A serialized fault response, with the library's escapes as references.
std::string FaultXml(int code, const std::string& text) {
  xmlrpc_env fault;
  xmlrpc_env_init(&fault);
  xmlrpc_env_set_fault(&fault, code, text.c_str());
  xmlrpc_env env;
  xmlrpc_env_init(&env);
  std::string xml;
  xmlrpc_mem_block* output = XMLRPC_MEMBLOCK_NEW(char, &env, 0);
  if (!env.fault_occurred) {
    xmlrpc_serialize_fault(&env, output, &fault);
    if (!env.fault_occurred) {
      xml.assign(XMLRPC_MEMBLOCK_CONTENTS(char, output), XMLRPC_MEMBLOCK_SIZE(char, output));
    }
    XMLRPC_MEMBLOCK_FREE(char, output);
  }
  xmlrpc_env_clean(&env);
  xmlrpc_env_clean(&fault);
  return xml;
}

// A method name for a fault text: shown only when it is plain.
std::string ShownName(const std::string& name) {
  const bool plain = name.size() <= 64 && std::all_of(name.begin(), name.end(), [](char c) {
                       return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_';
                     });
  return plain ? name : "(unreadable)";
}

struct Connection {
  enum class Phase { kReading, kWriting, kLingering };

  Connection(int socket, size_t bodyLimit)
      : fd(socket), reader(bodyLimit), deadline(Clock::now() + kReadDeadline) {}
  ~Connection() { close(fd); }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  bool AwaitingCall() const {
    return phase == Phase::kReading && reader.state() == HttpRequestReader::State::kComplete;
  }

  // Polled at least once: it has had its chance to be read.
  bool polled = false;
  int fd;
  HttpRequestReader reader;
  Clock::time_point deadline;
  Phase phase = Phase::kReading;
  bool continueSent = false;
  std::string output;
  size_t sent = 0;
};

}  // namespace

struct xmlrpc_server_abyss_ts {
  xmlrpc_registry* registry = nullptr;
  int listenFd = -1;
  int wakeFd = -1;  // readable: the turn ends at once (not owned)
  // Only the methods added here are served: never the library's system.* ones.
  std::set<std::string> methods;
  std::list<Connection> connections;

  xmlrpc_server_abyss_ts() = default;
  xmlrpc_server_abyss_ts(const xmlrpc_server_abyss_ts&) = delete;
  xmlrpc_server_abyss_ts& operator=(const xmlrpc_server_abyss_ts&) = delete;
  ~xmlrpc_server_abyss_ts() {
    connections.clear();
    if (registry) xmlrpc_registry_free(registry);
    if (listenFd >= 0) close(listenFd);
  }
};

namespace {

using Server = xmlrpc_server_abyss_ts;

// The XML of the answer to a complete body.
std::string AnswerCall(Server* server, const std::string& body) {
  const CallScreen screen = ScreenCall(body);
  if (!screen.accepted) {
    return FaultXml(kParseFault, "Call XML not a proper XML-RPC call.  " + screen.problem);
  }
  if (server->methods.count(screen.methodName) == 0) {
    return FaultXml(XMLRPC_NO_SUCH_METHOD_ERROR,
                    "Method '" + ShownName(screen.methodName) + "' not defined");
  }
  const std::string call = XmlForLibrary(body, screen.utf8);
  xmlrpc_env env;
  xmlrpc_env_init(&env);
  xmlrpc_mem_block* output = nullptr;
  xmlrpc_registry_process_call2(&env, server->registry, call.data(), call.size(), nullptr, &output);
  std::string xml;
  if (env.fault_occurred) {
    xml = FaultXml(env.fault_code, env.fault_string);
  } else {
    xml.assign(XMLRPC_MEMBLOCK_CONTENTS(char, output), XMLRPC_MEMBLOCK_SIZE(char, output));
    XMLRPC_MEMBLOCK_FREE(char, output);
  }
  xmlrpc_env_clean(&env);
  return ResponseFromLibrary(xml);
}

void StartWriting(Connection& connection, std::string response) {
  connection.output = std::move(response);
  connection.sent = 0;
  connection.phase = Connection::Phase::kWriting;
  connection.deadline = Clock::now() + kWriteDeadline;
}

// Sends what the socket takes now; true when the connection is done with.
bool WriteSome(Connection& connection) {
  while (connection.sent < connection.output.size()) {
    const ssize_t n = send(connection.fd, connection.output.data() + connection.sent,
                           connection.output.size() - connection.sent, MSG_NOSIGNAL);
    if (n > 0) {
      connection.sent += static_cast<size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) ? false : true;
    }
  }
  std::string().swap(connection.output);
  shutdown(connection.fd, SHUT_WR);
  connection.phase = Connection::Phase::kLingering;
  connection.deadline = Clock::now() + kLingerDeadline;
  return false;
}

// Reads what has arrived; true when the connection is done with.
bool ReadSome(Connection& connection) {
  char buffer[kReadChunk];
  const ssize_t n = recv(connection.fd, buffer, sizeof buffer, 0);
  if (n < 0) return errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR;
  if (n == 0) return true;  // the client left (or, lingering, has read its answer)
  if (connection.phase != Connection::Phase::kReading) return false;
  HttpRequestReader& reader = connection.reader;
  reader.Feed(buffer, static_cast<size_t>(n));
  if (reader.state() == HttpRequestReader::State::kRefused) {
    StartWriting(connection, HttpResponse(reader.status(), "text/plain", reader.message() + "\n",
                                          reader.status() == 405 ? "Allow: POST\r\n" : ""));
    return WriteSome(connection);
  }
  if (reader.state() == HttpRequestReader::State::kBody && reader.expectsContinue() &&
      !connection.continueSent) {
    static const char kContinue[] = "HTTP/1.1 100 Continue\r\n\r\n";
    connection.continueSent = true;
    (void)send(connection.fd, kContinue, sizeof kContinue - 1, MSG_NOSIGNAL);
  }
  return false;
}

// Runs the call a connection has completed and starts its answer.
void ServeCall(Server* server, Connection& connection) {
  std::string xml = AnswerCall(server, connection.reader.body());
  connection.reader = HttpRequestReader(0);  // the body is no longer needed
  if (xml.empty()) {
    StartWriting(connection, HttpResponse(500, "text/plain", "Internal error\n"));
  } else {
    StartWriting(connection, HttpResponse(200, "text/xml", xml));
  }
}

// What a connection whose deadline passed comes to; true when it is done with.
bool Expire(Connection& connection) {
  if (connection.phase == Connection::Phase::kReading &&
      connection.reader.state() == HttpRequestReader::State::kBody) {
    StartWriting(connection, HttpResponse(408, "text/plain", "POST timed out\n"));
    connection.deadline = Clock::now() + kLingerDeadline;
    return WriteSome(connection);
  }
  return true;
}

// The connection that gives way when every slot is taken: the oldest that
// has had its answer, else the oldest that has been read and holds no
// complete call. One not read yet (accepted in this round) never goes, so a
// flood cannot push a proper client's call out before it is read.
std::list<Connection>::iterator Evictable(Server* server) {
  auto oldest = [&](auto test) {
    return std::find_if(server->connections.begin(), server->connections.end(), test);
  };
  auto victim =
      oldest([](const Connection& c) { return c.phase == Connection::Phase::kLingering; });
  if (victim != server->connections.end()) return victim;
  return oldest([](const Connection& c) {
    return c.phase == Connection::Phase::kReading && c.polled && !c.AwaitingCall();
  });
}

bool HasRoom(Server* server) {
  return server->connections.size() < kMaxConnections ||
         Evictable(server) != server->connections.end();
}

// Accepts what waits in the queue; false after an accept error, reported.
bool AcceptWaiting(Server* server, size_t bodyLimit) {
  for (int i = 0; i < kAcceptsPerRound; ++i) {
    // When every slot holds a connection not read yet or a call to serve, the
    // rest wait in the queue until the next round.
    if (server->connections.size() >= kMaxConnections) {
      auto victim = Evictable(server);
      if (victim == server->connections.end()) return true;
      server->connections.erase(victim);
    }
    const int fd = accept4(server->listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) {
      const int error = errno;
      if (error == EAGAIN || error == EWOULDBLOCK || error == EINTR || error == ECONNABORTED) {
        return true;
      }
      std::fprintf(stderr, "Socket Error=%d\n", error);
      return false;
    }
    server->connections.emplace_back(fd, bodyLimit);
  }
  return true;
}

}  // namespace

xmlrpc_server_abyss_ts* xmlrpc_server_abyss_ts_init(int /*flags*/, const unsigned char* bindAddress,
                                                    int port, const char* /*configFile*/) {
  if (port < 0 || port > 65535) return nullptr;
  std::unique_ptr<xmlrpc_server_abyss_ts> server(new (std::nothrow) xmlrpc_server_abyss_ts);
  if (!server) return nullptr;
  xmlrpc_env env;
  xmlrpc_env_init(&env);
  server->registry = xmlrpc_registry_new(&env);
  ExitOnFault(&env);
  xmlrpc_env_clean(&env);
  xmlrpc_registry_disable_introspection(server->registry);
  server->listenFd = ListenOn(bindAddress, port);
  if (server->listenFd < 0) return nullptr;
  return server.release();
}

void xmlrpc_server_abyss_ts_add_method(xmlrpc_server_abyss_ts* server, const char* methodName,
                                       xmlrpc_method handler, void* userData) {
  if (!server) return;
  xmlrpc_env env;
  xmlrpc_env_init(&env);
  xmlrpc_registry_add_method(&env, server->registry, nullptr, methodName, handler, userData);
  ExitOnFault(&env);
  xmlrpc_env_clean(&env);
  server->methods.insert(methodName);
}

void xmlrpc_server_abyss_ts_runonce(xmlrpc_server_abyss_ts* server) {
  if (!server) return;
  const size_t bodyLimit = xmlrpc_limit_get(XMLRPC_XML_SIZE_LIMIT_ID);
  std::list<Connection>& connections = server->connections;
  std::vector<pollfd> polled;
  for (;;) {
    // A call that arrived in an earlier turn is served first.
    auto waiting = std::find_if(connections.begin(), connections.end(),
                                [](const Connection& c) { return c.AwaitingCall(); });
    if (waiting != connections.end()) {
      ServeCall(server, *waiting);
      if (WriteSome(*waiting)) connections.erase(waiting);
      return;
    }

    bool turnEnded = false;
    Clock::time_point now = Clock::now();
    Clock::time_point wake = now + std::chrono::seconds(1);
    for (auto it = connections.begin(); it != connections.end();) {
      const bool reading = it->phase == Connection::Phase::kReading;
      if (it->deadline <= now) {
        // A request given up on, answered or not, ends the turn.
        turnEnded = turnEnded || reading;
        if (Expire(*it)) {
          it = connections.erase(it);
          continue;
        }
      }
      wake = std::min(wake, it->deadline);
      ++it;
    }
    if (turnEnded) return;

    polled.clear();
    // A full table leaves new connections queued; they are not even polled
    // for, so that the loop does not spin on them.
    polled.push_back(pollfd{server->listenFd, static_cast<short>(HasRoom(server) ? POLLIN : 0), 0});
    for (const Connection& connection : connections) {
      const short events = connection.phase == Connection::Phase::kWriting ? POLLOUT : POLLIN;
      polled.push_back(pollfd{connection.fd, events, 0});
    }
    if (server->wakeFd >= 0) polled.push_back(pollfd{server->wakeFd, POLLIN, 0});
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(wake - now).count();
    const int ready =
        poll(polled.data(), polled.size(), static_cast<int>(std::max<long>(wait, 0) + 1));
    if (ready < 0) {
      if (errno == EINTR) continue;
      return;
    }

    if (server->wakeFd >= 0 && polled.back().revents != 0) return;
    size_t index = 1;
    const size_t polledConnections = polled.size() - (server->wakeFd >= 0 ? 1 : 0);
    for (auto it = connections.begin(); it != connections.end(); ++index) {
      const short revents = index < polledConnections ? polled[index].revents : 0;
      if (index < polledConnections) it->polled = true;
      const bool reading = it->phase == Connection::Phase::kReading;
      bool done = false;
      if (revents != 0) {
        done = it->phase == Connection::Phase::kWriting ? WriteSome(*it) : ReadSome(*it);
        if (!done && (revents & (POLLERR | POLLNVAL)) != 0) done = true;
      }
      // A request refused, or a client gone before its answer, ends the turn;
      // answers finishing do not.
      if (reading && (done || it->phase != Connection::Phase::kReading)) turnEnded = true;
      if (done) {
        it = connections.erase(it);
      } else {
        ++it;
      }
    }
    // Connections accepted now are polled from the next round on.
    if ((polled[0].revents & POLLIN) != 0 && !AcceptWaiting(server, bodyLimit)) {
      // Failures such as a full descriptor table repeat at once; pace the caller's loop.
      const timespec pause{0, 100 * 1000 * 1000};
      nanosleep(&pause, nullptr);
      return;
    }
    if (turnEnded) return;
  }
}

unsigned short xmlrpc_server_abyss_ts_get_port(xmlrpc_server_abyss_ts* server) {
  if (!server) return 0;
  sockaddr_in address{};
  socklen_t length = sizeof address;
  if (getsockname(server->listenFd, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
      address.sin_family != AF_INET) {
    return 0;
  }
  return ntohs(address.sin_port);
}

void xmlrpc_server_set_wake_fd(xmlrpc_server_abyss_ts* server, int fd) {
  if (server) server->wakeFd = fd;
}

void xmlrpc_server_abyss_ts_free(xmlrpc_server_abyss_ts* server) { delete server; }
