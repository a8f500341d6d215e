// lucentdebug-dap: a Debug Adapter Protocol front end for the lucentdebug PHP
// debugger, over standard input and output or, with --port N, over TCP.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "dap_server.h"
#include "dap_transport.h"
#include "engine_client.h"
#include "handshake_listener.h"

namespace {
void Usage(FILE* out) {
  std::fprintf(out,
               "usage: lucentdebug-dap [--port N]\n"
               "Speaks the Debug Adapter Protocol on standard input and output, or to the\n"
               "clients that connect to 127.0.0.1:N one after another with --port.\n");
}

bool ParsePort(const char* text, int& port) {
  char* end = nullptr;
  long value = std::strtol(text, &end, 10);
  if (!*text || *end || value < 0 || value > 65535) return false;
  port = static_cast<int>(value);
  return true;
}
}  // namespace

int main(int argc, char** argv) {
  int port = -1;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--port") == 0 && i + 1 < argc) {
      if (!ParsePort(argv[++i], port)) {
        std::fprintf(stderr, "lucentdebug-dap: bad port %s\n", argv[i]);
        return 2;
      }
    } else if (std::strcmp(argv[i], "--help") == 0) {
      Usage(stdout);
      return 0;
    } else {
      std::fprintf(stderr, "lucentdebug-dap: unknown argument %s\n", argv[i]);
      Usage(stderr);
      return 2;
    }
  }
  // A client that goes away must not kill the adapter in the middle of a write.
  signal(SIGPIPE, SIG_IGN);
  SetUpEngineClients();

  if (port < 0) {
    DapTransport transport(STDIN_FILENO, STDOUT_FILENO);
    DapServer session(transport);
    return session.run();
  }
  std::string error;
  std::unique_ptr<Listener> listener = Listener::open("127.0.0.1", port, error);
  if (!listener) {
    std::fprintf(stderr, "lucentdebug-dap: %s\n", error.c_str());
    return 1;
  }
  std::fprintf(stderr, "lucentdebug-dap: listening on 127.0.0.1:%d\n", listener->port());
  for (;;) {
    int connection = listener->accept(-1);
    if (connection < 0) continue;
    // One client's failure ends its session only; later clients are served.
    try {
      DapTransport transport(connection, connection);
      DapServer session(transport);
      session.run();
    } catch (const std::exception& error) {
      std::fprintf(stderr, "lucentdebug-dap: the session ended: %s\n", error.what());
    }
    close(connection);
  }
}
