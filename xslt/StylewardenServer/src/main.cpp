// stylewarden-ls: the stylesheet checker as a language server on standard input and output.
// Standard error carries the log; standard output only protocol messages.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "LanguageServer.h"
#include "ShippedStates.h"
#include "message_transport.h"

namespace {

// A larger message is read, dropped and answered with an error.
const std::size_t kMaxMessageLength = std::size_t{64} << 20;

void PrintUsage(std::ostream& out) {
  out << "Usage: stylewarden-ls [--states PATH] [--time-budget SECONDS] [--stdio]\n"
         "A Language Server Protocol server on standard input and output that reports the\n"
         "structural errors of XSLT stylesheets. The state file is initializationOptions\n"
         ".stateFile, else --states PATH, else the shipped state files (one per XSLT\n"
         "version; PATH may name a folder of state files). A check that runs longer than\n"
         "the time budget (default 10 seconds) is given up.\n";
}

}  // namespace

int main(int argc, char** argv) {
  std::string stateFile;
  std::chrono::milliseconds checkBudget = LanguageServer::kDefaultCheckBudget;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--states") {
      if (i + 1 == argc) {
        std::cerr << "stylewarden-ls: --states needs a path\n";
        return 2;
      }
      stateFile = argv[++i];
    } else if (argument == "--time-budget") {
      char* end = nullptr;
      const double seconds = i + 1 < argc ? std::strtod(argv[i + 1], &end) : 0;
      if (end == nullptr || *end != '\0' || end == argv[i + 1] || !(seconds > 0 && seconds < 1e6)) {
        std::cerr << "stylewarden-ls: --time-budget needs a positive number of seconds\n";
        return 2;
      }
      checkBudget = std::chrono::milliseconds(static_cast<long long>(seconds * 1000 + 0.5));
      ++i;
    } else if (argument == "--stdio") {
      // Editors' clients name the transport; standard input and output is the only one.
    } else if (argument == "--help" || argument == "-h") {
      PrintUsage(std::cout);
      return 0;
    } else {
      std::cerr << "stylewarden-ls: unknown argument \"" << argument << "\"\n";
      PrintUsage(std::cerr);
      return 2;
    }
  }
  if (stateFile.empty()) {
    // The shipped set: each stylesheet is checked by the rules of its XSLT version.
    stateFile = ShippedStateFolder(RunningProgramPath(argv[0]));
  }
  // A client that goes away must end the server through a failed write, not a signal.
  std::signal(SIGPIPE, SIG_IGN);
  std::ios::sync_with_stdio(false);
  // Reading must not flush standard output: the check thread writes it at the same time.
  std::cin.tie(nullptr);

  MessageTransport transport(std::cin, std::cout, kMaxMessageLength);
  // Set by the check thread too, when it publishes.
  std::atomic<bool> outputLost{false};
  LanguageServer server(
      stateFile,
      [&transport, &outputLost](const nlohmann::json& message) {
        // Text that is not UTF-8 cannot come from the client; should some message text of
        // ours be malformed, it is repaired rather than dropped.
        if (!transport.write(
                message.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace))) {
          outputLost = true;
        }
      },
      [](const std::string& line) { std::cerr << line << '\n'; }, checkBudget);

  std::string body;
  std::string problem;
  while (!server.finished() && !outputLost) {
    switch (transport.read(body, problem)) {
      case MessageTransport::ReadResult::kMessage:
        server.handle(body);
        break;
      case MessageTransport::ReadResult::kTooLarge:
        std::cerr << "stylewarden-ls: " << problem << '\n';
        server.rejectUnreadable(problem);
        break;
      case MessageTransport::ReadResult::kFramingError:
        // Past a broken header nothing says where the next message starts.
        std::cerr << "stylewarden-ls: unreadable input, stopping: " << problem << '\n';
        return 1;
      case MessageTransport::ReadResult::kEndOfInput:
        return server.exitCode();
    }
  }
  if (outputLost) {
    std::cerr << "stylewarden-ls: the client no longer reads, stopping\n";
    return 1;
  }
  return server.exitCode();
}
