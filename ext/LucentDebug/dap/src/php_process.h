// The php process that a launch starts: its command line, environment and
// working folder, pipes for its output, and its end.
#ifndef LUCENTDEBUG_DAP_PHP_PROCESS_H
#define LUCENTDEBUG_DAP_PHP_PROCESS_H

#include <sys/types.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct ProcessSpec {
  std::vector<std::string> argv;  // argv[0] is looked up on PATH when it has no slash
  // Added to (or, when nullopt, removed from) the adapter's own environment.
  std::map<std::string, std::optional<std::string>> environment;
  std::string cwd;  // empty: the adapter's
};

class PhpProcess {
 public:
  // Starts the process; null with `error` set when it cannot be executed.
  static std::unique_ptr<PhpProcess> start(const ProcessSpec& spec, std::string& error);
  ~PhpProcess();  // kills the process when it still runs
  PhpProcess(const PhpProcess&) = delete;
  PhpProcess& operator=(const PhpProcess&) = delete;

  // Read ends of the process's standard output and error; the caller owns them.
  int takeStdout();
  int takeStderr();

  bool running();
  void kill();
  // Waits at most timeoutMs for the end, then kills; the exit status, or
  // 128 + signal number when a signal ended it.
  int wait(int timeoutMs);

 private:
  PhpProcess(pid_t pid, int out, int err) : pid_(pid), stdout_(out), stderr_(err) {}
  bool reap(bool block);
  pid_t pid_;
  int stdout_;
  int stderr_;
  std::optional<int> status_;
};

#endif  // LUCENTDEBUG_DAP_PHP_PROCESS_H
