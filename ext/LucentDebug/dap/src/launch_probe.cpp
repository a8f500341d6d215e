#include "launch_probe.h"

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>

namespace {

constexpr char kLoadedMarker[] = "lucentdebug-probe:1";
constexpr char kMissingMarker[] = "lucentdebug-probe:0";
constexpr size_t kMaxReportedOutput = 2000;

struct Run {
  bool finished = false;
  int status = 0;
  std::string output;  // stdout then stderr, as far as read
};

// Runs `spec` and collects its output until it ends or `limitMs` passes,
// when it is killed.
Run RunBriefly(const ProcessSpec& spec, int limitMs, std::string& error) {
  Run run;
  std::unique_ptr<PhpProcess> process = PhpProcess::start(spec, error);
  if (!process) return run;
  int fds[2] = {process->takeStdout(), process->takeStderr()};
  std::string texts[2];
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  while (fds[0] >= 0 || fds[1] >= 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0) break;
    pollfd polled[2] = {{fds[0], POLLIN, 0}, {fds[1], POLLIN, 0}};
    if (poll(polled, 2, static_cast<int>(left)) < 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i] < 0 || polled[i].revents == 0) continue;
      char buffer[4096];
      ssize_t got = read(fds[i], buffer, sizeof buffer);
      if (got > 0) {
        texts[i].append(buffer, static_cast<size_t>(got));
      } else {
        close(fds[i]);
        fds[i] = -1;
      }
    }
  }
  for (int fd : fds) {
    if (fd >= 0) close(fd);
  }
  run.finished = fds[0] < 0 && fds[1] < 0;
  run.status = process->wait(run.finished ? limitMs : 0);
  run.output = texts[0] + texts[1];
  return run;
}

// php's own words, on one line, without the probe's marker.
std::string Reported(std::string text) {
  for (const char* marker : {kLoadedMarker, kMissingMarker}) {
    size_t at = text.find(marker);
    if (at != std::string::npos) text.erase(at, std::char_traits<char>::length(marker));
  }
  std::string line;
  for (char c : text) {
    if (c == '\n' || c == '\r') {
      if (!line.empty() && line.back() != ' ') line += ' ';
    } else {
      line += c;
    }
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  while (!line.empty() && line.front() == ' ') line.erase(0, 1);
  if (line.size() > kMaxReportedOutput) line = line.substr(0, kMaxReportedOutput) + "...";
  return line;
}

std::string WithReason(const std::string& what, const Run& run) {
  const std::string reason = Reported(run.output);
  return reason.empty() ? what : what + ": " + reason;
}

}  // namespace

bool ProbeLaunch(const LaunchProbe& probe, std::string& error) {
  struct stat info;
  if (stat(probe.program.c_str(), &info) != 0 || access(probe.program.c_str(), R_OK) != 0) {
    error = "the program " + probe.program + " does not exist or cannot be read";
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    error = "the program " + probe.program + " is not a file";
    return false;
  }
  ProcessSpec spec = probe.php;
  // No session: the probe must never announce itself to anyone.
  for (const char* name : {"LUDBG_ENABLED", "LUDBG_PORT", "LUDBG_REMOTEPORT"}) {
    spec.environment[name] = std::nullopt;
  }
  spec.argv.insert(spec.argv.end(),
                   {"-d", "extension=" + probe.extension, "-d", "lucentdebug.enabled=0", "-r",
                    "echo 'lucentdebug-probe:', function_exists('ludbg_break') ? 1 : 0;"});
  Run loading = RunBriefly(spec, probe.timeLimitMs, error);
  if (!error.empty()) return false;
  const bool loaded = loading.output.find(kLoadedMarker) != std::string::npos;
  if (!loaded && loading.output.find(kMissingMarker) != std::string::npos) {
    error = WithReason("php does not load the extension " + probe.extension, loading);
    return false;
  }
  // A runtime that did not answer as php does is left to the launch itself.
  if (!loaded) return true;

  spec = probe.php;
  spec.argv.insert(spec.argv.end(), {"-l", probe.program});
  Run lint = RunBriefly(spec, probe.timeLimitMs, error);
  if (!error.empty()) return false;
  if (lint.finished && lint.status != 0) {
    error = WithReason("the program " + probe.program + " does not compile", lint);
    return false;
  }
  return true;
}
