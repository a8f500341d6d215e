// launch and attach arguments, validated; the php command line and environment.
#include "debuggee.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "launch_probe.h"

using nlohmann::json;

namespace {
constexpr int kDefaultLaunchTimeoutMs = 10000;
constexpr int kDefaultAttachPort = 9000;

bool Exists(const std::string& path) { return !path.empty() && access(path.c_str(), R_OK) == 0; }

// Reads an optional member of a given JSON type; `error` names it when its
// type is wrong.
template <typename T>
bool Member(const json& arguments, const char* name, T& value, std::string& error) {
  auto found = arguments.find(name);
  if (found == arguments.end() || found->is_null()) return true;
  try {
    value = found->get<T>();
    return true;
  } catch (const json::exception&) {
    error = std::string("\"") + name + "\" has the wrong type";
    return false;
  }
}

bool StringList(const json& arguments, const char* name, std::vector<std::string>& values,
                std::string& error) {
  return Member(arguments, name, values, error);
}

int TimeoutOf(const json& arguments, int fallbackMs, std::string& error) {
  double seconds = fallbackMs / 1000.0;
  if (!Member(arguments, "timeout", seconds, error)) return -1;
  if (seconds < 0) {
    error = "\"timeout\" must not be negative";
    return -1;
  }
  return static_cast<int>(seconds * 1000);
}

std::string Absolute(const std::string& path, const std::string& base) {
  if (path.empty() || path[0] == '/') return path;
  std::string folder = base;
  if (folder.empty()) {
    char buffer[PATH_MAX];
    if (getcwd(buffer, sizeof buffer)) folder = buffer;
  }
  return folder + "/" + path;
}
}  // namespace

std::string DefaultExtensionPath() {
#ifdef LUCENTDEBUG_BUILD_EXTENSION
  if (Exists(LUCENTDEBUG_BUILD_EXTENSION)) return LUCENTDEBUG_BUILD_EXTENSION;
#endif
#ifdef LUCENTDEBUG_INSTALLED_EXTENSION
  if (Exists(LUCENTDEBUG_INSTALLED_EXTENSION)) return LUCENTDEBUG_INSTALLED_EXTENSION;
#endif
  // php then looks in its own extension_dir.
  return "lucentdebug.so";
}

std::unique_ptr<Debuggee> LaunchDebuggee(const json& arguments, std::string& error) {
  std::string program, cwd, runtime = "php", extension = DefaultExtensionPath();
  std::vector<std::string> args, runtimeArgs;
  bool stopOnEntry = false;
  json environment = json::object();
  if (!Member(arguments, "program", program, error) || !Member(arguments, "cwd", cwd, error) ||
      !Member(arguments, "runtimeExecutable", runtime, error) ||
      !Member(arguments, "extension", extension, error) ||
      !StringList(arguments, "args", args, error) ||
      !StringList(arguments, "runtimeArgs", runtimeArgs, error) ||
      !Member(arguments, "stopOnEntry", stopOnEntry, error) ||
      !Member(arguments, "env", environment, error)) {
    return nullptr;
  }
  if (program.empty()) {
    error = "\"program\" (the PHP script to debug) is required";
    return nullptr;
  }
  if (!environment.is_object()) {
    error = "\"env\" must be an object of strings";
    return nullptr;
  }
  int timeoutMs = TimeoutOf(arguments, kDefaultLaunchTimeoutMs, error);
  if (timeoutMs < 0) return nullptr;

  auto debuggee = std::make_unique<Debuggee>();
  debuggee->launched = true;
  debuggee->stopOnEntry = stopOnEntry;
  debuggee->handshakeTimeoutMs = timeoutMs;
  debuggee->listener = Listener::open("127.0.0.1", 0, error);
  if (!debuggee->listener) return nullptr;
  int enginePort = FreeLoopbackPort();

  ProcessSpec spec;
  spec.cwd = cwd;
  spec.argv.push_back(runtime);
  spec.argv.insert(spec.argv.end(), runtimeArgs.begin(), runtimeArgs.end());
  spec.argv.insert(spec.argv.end(),
                   {"-d", "extension=" + extension, "-d", "lucentdebug.host=127.0.0.1"});
  // php names the script by the path it is given; an absolute one makes the
  // frames' files match the editor's breakpoints.
  spec.argv.push_back(Absolute(program, cwd));
  spec.argv.insert(spec.argv.end(), args.begin(), args.end());
  for (const auto& [name, value] : environment.items()) {
    if (value.is_null()) {
      spec.environment[name] = std::nullopt;
    } else if (value.is_string()) {
      spec.environment[name] = value.get<std::string>();
    } else {
      error = "\"env\" value of " + name + " must be a string or null";
      return nullptr;
    }
  }
  LaunchProbe probe;
  probe.php.argv.push_back(runtime);
  probe.php.argv.insert(probe.php.argv.end(), runtimeArgs.begin(), runtimeArgs.end());
  probe.php.environment = spec.environment;
  probe.php.cwd = cwd;
  probe.extension = extension;
  probe.program = Absolute(program, cwd);
  if (timeoutMs > 0) probe.timeLimitMs = std::min(probe.timeLimitMs, timeoutMs);
  if (!ProbeLaunch(probe, error)) return nullptr;
  spec.environment["LUDBG_ENABLED"] = "3";
  spec.environment["LUDBG_PORT"] = std::to_string(enginePort);
  spec.environment["LUDBG_REMOTEPORT"] = std::to_string(debuggee->listener->port());
  debuggee->process = PhpProcess::start(spec, error);
  if (!debuggee->process) return nullptr;
  return debuggee;
}

std::unique_ptr<Debuggee> AttachDebuggee(const json& arguments, std::string& error) {
  std::string hostname = "127.0.0.1";
  int port = kDefaultAttachPort;
  bool stopOnEntry = false;
  if (!Member(arguments, "hostname", hostname, error) || !Member(arguments, "port", port, error) ||
      !Member(arguments, "stopOnEntry", stopOnEntry, error)) {
    return nullptr;
  }
  if (port < 0 || port > 65535) {
    error = "\"port\" must be between 0 and 65535";
    return nullptr;
  }
  int timeoutMs = TimeoutOf(arguments, 0, error);
  if (timeoutMs < 0) return nullptr;
  auto debuggee = std::make_unique<Debuggee>();
  debuggee->stopOnEntry = stopOnEntry;
  debuggee->handshakeTimeoutMs = timeoutMs;
  auto mappings = arguments.find("pathMappings");
  if (mappings != arguments.end() && !debuggee->paths.read(*mappings, error)) return nullptr;
  debuggee->listener = Listener::open(hostname, port, error);
  if (!debuggee->listener) return nullptr;
  return debuggee;
}
