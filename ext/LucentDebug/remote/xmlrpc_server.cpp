// The remote requester's XML-RPC server: an xmlrpc-c registry behind Abyss's
// "/RPC2" handler, fed by a listening socket of our own so that the port can
// be read back and every turn serves exactly one connection.
#include "xmlrpc_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>
#include <xmlrpc-c/abyss.h>
#include <xmlrpc-c/server_abyss.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>
#include <string>

// Exported by libxmlrpc_util but missing from its public headers; Abyss's
// error texts must be released with it.
extern "C" void xmlrpc_strfree(const char* string);

namespace {

constexpr const char* kServerName = "XmlRpcServer";
constexpr const char* kDocumentRoot = "/usr/local/abyss/htdocs";
constexpr const char* kRpcPath = "/RPC2";
constexpr int kListenBacklog = 16;
constexpr unsigned kReadTimeoutSeconds = 15;

void releaseError(const char* error) {
  if (error) xmlrpc_strfree(error);
}

// Registry faults mean the process is out of memory; nothing sensible remains.
void exitOnFault(xmlrpc_env* env) {
  if (!env->fault_occurred) return;
  std::fprintf(stderr, "Unexpected XML-RPC fault: %s (%d)\n", env->fault_string, env->fault_code);
  std::exit(1);
}

int listenOn(const unsigned char* bindAddress, int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
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

// A client that goes away while its answer is written must not kill the
// process with SIGPIPE, whatever the host has set up.
class SigpipeIgnored {
 public:
  SigpipeIgnored() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    restore_ = sigaction(SIGPIPE, &ignore, &saved_) == 0;
  }
  ~SigpipeIgnored() {
    if (restore_) sigaction(SIGPIPE, &saved_, nullptr);
  }
  SigpipeIgnored(const SigpipeIgnored&) = delete;
  SigpipeIgnored& operator=(const SigpipeIgnored&) = delete;

 private:
  struct sigaction saved_ {};
  bool restore_ = false;
};

// XML-RPC bodies are "text/xml"; the library's own handler takes any content
// type, so other ones are refused here first with 400. Parameters such as a
// charset are allowed, and the type is compared without regard to case.
bool isXmlContentType(const char* contentType) {
  if (!contentType) return false;
  const std::string type(contentType, std::strcspn(contentType, "; \t"));
  return strcasecmp(type.c_str(), "text/xml") == 0;
}

void refuseOtherContentTypes(void* /*userData*/, TSession* session, abyss_bool* handled) {
  *handled = false;
  const TRequestInfo* request = nullptr;
  SessionGetRequestInfo(session, &request);
  if (!request || request->method != m_post || std::strcmp(request->uri, kRpcPath) != 0) return;
  if (isXmlContentType(RequestHeaderValue(session, "content-type"))) return;
  ResponseStatus(session, 400);
  ResponseError2(session, "Content type is not text/xml");
  *handled = true;
}

}  // namespace

struct xmlrpc_server_abyss_ts {
  xmlrpc_registry* registry = nullptr;
  TServer abyss{};
  bool abyssInitialized = false;
  bool abyssCreated = false;
  int listenFd = -1;

  xmlrpc_server_abyss_ts() = default;
  xmlrpc_server_abyss_ts(const xmlrpc_server_abyss_ts&) = delete;
  xmlrpc_server_abyss_ts& operator=(const xmlrpc_server_abyss_ts&) = delete;
  ~xmlrpc_server_abyss_ts() {
    if (abyssCreated) ServerFree(&abyss);
    if (registry) xmlrpc_registry_free(registry);
    if (listenFd >= 0) close(listenFd);
    if (abyssInitialized) AbyssTerm();
  }
};

xmlrpc_server_abyss_ts* xmlrpc_server_abyss_ts_init(int /*flags*/, const unsigned char* bindAddress,
                                                    int port, const char* configFile) {
  if (port < 0 || port > 65535) return nullptr;
  std::unique_ptr<xmlrpc_server_abyss_ts> server(new (std::nothrow) xmlrpc_server_abyss_ts);
  if (!server) return nullptr;

  const char* error = nullptr;
  AbyssInit(&error);
  if (error) {
    releaseError(error);
    return nullptr;
  }
  server->abyssInitialized = true;

  xmlrpc_env env;
  xmlrpc_env_init(&env);
  server->registry = xmlrpc_registry_new(&env);
  exitOnFault(&env);
  xmlrpc_env_clean(&env);

  // The server never accepts on its own: each turn hands it one connection.
  if (!ServerCreateNoAccept(&server->abyss, kServerName, kDocumentRoot, nullptr)) return nullptr;
  server->abyssCreated = true;
  ServerSetTimeout(&server->abyss, kReadTimeoutSeconds);
  ServerSetKeepaliveMaxConn(&server->abyss, 1);
  ServerSetMaxConnBacklog(&server->abyss, kListenBacklog);
  if (configFile && !ConfReadServerFile(configFile, &server->abyss)) return nullptr;
  // The "/RPC2" handler, and a default handler that answers 404 to every other path.
  xmlrpc_server_abyss_set_handlers2(&server->abyss, kRpcPath, server->registry);
  // Abyss asks the handlers added last first.
  const ServerReqHandler3 contentTypeCheck = {nullptr, refuseOtherContentTypes, nullptr, 0};
  abyss_bool added = false;
  ServerAddHandler3(&server->abyss, &contentTypeCheck, &added);
  if (!added) return nullptr;

  server->listenFd = listenOn(bindAddress, port);
  if (server->listenFd < 0) return nullptr;
  return server.release();
}

void xmlrpc_server_abyss_ts_add_method(xmlrpc_server_abyss_ts* server, const char* methodName,
                                       xmlrpc_method handler, void* userData) {
  if (!server) return;
  xmlrpc_env env;
  xmlrpc_env_init(&env);
  xmlrpc_registry_add_method(&env, server->registry, nullptr, methodName, handler, userData);
  exitOnFault(&env);
  xmlrpc_env_clean(&env);
}

void xmlrpc_server_abyss_ts_runonce(xmlrpc_server_abyss_ts* server) {
  if (!server) return;
  const int fd = accept4(server->listenFd, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    if (error == EINTR) return;
    std::fprintf(stderr, "Socket Error=%d\n", error);
    // Failures such as a full descriptor table repeat at once; pace the caller's loop.
    const timespec pause{0, 100 * 1000 * 1000};
    nanosleep(&pause, nullptr);
    return;
  }
  // A client that stops reading its answer cannot hold the script for ever.
  const timeval sendTimeout{kReadTimeoutSeconds, 0};
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &sendTimeout, sizeof sendTimeout);

  SigpipeIgnored sigpipeIgnored;
  TChannel* channel = nullptr;
  abyss_unix_chaninfo* channelInfo = nullptr;
  const char* error = nullptr;
  ChannelUnixCreateFd(fd, &channel, &channelInfo, &error);
  if (error) {
    // The peer left before it could be served.
    releaseError(error);
  } else {
    ServerRunChannel(&server->abyss, channel, channelInfo, &error);
    releaseError(error);
    ChannelDestroy(channel);
    std::free(channelInfo);
  }
  close(fd);
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

void xmlrpc_server_abyss_ts_free(xmlrpc_server_abyss_ts* server) { delete server; }
