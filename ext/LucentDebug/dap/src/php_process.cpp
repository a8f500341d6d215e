// fork/exec of php with an exec-failure pipe, so a missing binary is reported
// to the launch request rather than found later.
#include "php_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

extern char** environ;

namespace {
std::vector<std::string> MergedEnvironment(
    const std::map<std::string, std::optional<std::string>>& changes) {
  std::map<std::string, std::string> merged;
  for (char** entry = environ; *entry; ++entry) {
    std::string text(*entry);
    size_t equals = text.find('=');
    if (equals != std::string::npos) merged[text.substr(0, equals)] = text.substr(equals + 1);
  }
  for (const auto& [name, value] : changes) {
    if (value) {
      merged[name] = *value;
    } else {
      merged.erase(name);
    }
  }
  std::vector<std::string> entries;
  for (const auto& [name, value] : merged) entries.push_back(name + "=" + value);
  return entries;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> result;
  for (std::string& text : texts) result.push_back(text.data());
  result.push_back(nullptr);
  return result;
}
}  // namespace

std::unique_ptr<PhpProcess> PhpProcess::start(const ProcessSpec& spec, std::string& error) {
  if (spec.argv.empty() || spec.argv[0].empty()) {
    error = "no program to run";
    return nullptr;
  }
  std::vector<std::string> argvTexts = spec.argv;
  std::vector<std::string> envTexts = MergedEnvironment(spec.environment);
  std::vector<char*> argv = Pointers(argvTexts);
  std::vector<char*> envp = Pointers(envTexts);
  // Everything the child needs is built before fork: after it only
  // async-signal-safe calls are allowed.
  int outPipe[2], errPipe[2], execPipe[2];
  if (pipe2(outPipe, O_CLOEXEC) != 0) {
    error = std::string("pipe: ") + strerror(errno);
    return nullptr;
  }
  if (pipe2(errPipe, O_CLOEXEC) != 0 || pipe2(execPipe, O_CLOEXEC) != 0) {
    error = std::string("pipe: ") + strerror(errno);
    close(outPipe[0]);
    close(outPipe[1]);
    return nullptr;
  }
  int devNull = open("/dev/null", O_RDONLY | O_CLOEXEC);
  pid_t pid = fork();
  if (pid == 0) {
    // A launched php never outlives its adapter, even one that is killed.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    // Its own process group, so that ending it also ends what it started.
    setpgid(0, 0);
    if (devNull >= 0) dup2(devNull, 0);
    dup2(outPipe[1], 1);
    dup2(errPipe[1], 2);
    if (!spec.cwd.empty() && chdir(spec.cwd.c_str()) != 0) {
      int code = errno;
      (void)!write(execPipe[1], &code, sizeof code);
      _exit(127);
    }
    execvpe(argv[0], argv.data(), envp.data());
    int code = errno;
    (void)!write(execPipe[1], &code, sizeof code);
    _exit(127);
  }
  if (devNull >= 0) close(devNull);
  close(outPipe[1]);
  close(errPipe[1]);
  close(execPipe[1]);
  if (pid < 0) {
    error = std::string("fork: ") + strerror(errno);
    close(outPipe[0]);
    close(errPipe[0]);
    close(execPipe[0]);
    return nullptr;
  }
  std::unique_ptr<PhpProcess> process(new PhpProcess(pid, outPipe[0], errPipe[0]));
  int code = 0;
  ssize_t got;
  do {
    got = read(execPipe[0], &code, sizeof code);
  } while (got < 0 && errno == EINTR);
  close(execPipe[0]);
  if (got == sizeof code) {
    error = (!spec.cwd.empty() && code == ENOENT ? "cannot run " + spec.argv[0] + " in " + spec.cwd
                                                 : "cannot run " + spec.argv[0]) +
            ": " + strerror(code);
    process->wait(1000);
    return nullptr;
  }
  return process;
}

PhpProcess::~PhpProcess() {
  if (!status_) {
    kill();
    reap(true);
  }
  if (stdout_ >= 0) close(stdout_);
  if (stderr_ >= 0) close(stderr_);
}

int PhpProcess::takeStdout() {
  int fd = stdout_;
  stdout_ = -1;
  return fd;
}

int PhpProcess::takeStderr() {
  int fd = stderr_;
  stderr_ = -1;
  return fd;
}

bool PhpProcess::reap(bool block) {
  if (status_) return true;
  int status = 0;
  pid_t done;
  do {
    done = waitpid(pid_, &status, block ? 0 : WNOHANG);
  } while (done < 0 && errno == EINTR);
  if (done != pid_) return false;
  status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return true;
}

bool PhpProcess::running() { return !reap(false); }

void PhpProcess::kill() {
  if (!reap(false)) {
    ::kill(-pid_, SIGKILL);
    ::kill(pid_, SIGKILL);
  }
}

int PhpProcess::wait(int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!reap(false)) {
    if (std::chrono::steady_clock::now() >= deadline) {
      kill();
      reap(true);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return *status_;
}
