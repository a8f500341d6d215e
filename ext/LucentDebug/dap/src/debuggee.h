// Launch and attach: turning the request's arguments into a php process and a
// listener that waits for the request's handshake.
#ifndef LUCENTDEBUG_DAP_DEBUGGEE_H
#define LUCENTDEBUG_DAP_DEBUGGEE_H

#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "handshake_listener.h"
#include "path_map.h"
#include "php_process.h"

struct Debuggee {
  bool launched = false;  // started by the adapter (launch), not by someone else (attach)
  bool stopOnEntry = false;
  int handshakeTimeoutMs = 0;  // 0: wait until the client gives up
  std::unique_ptr<Listener> listener;
  std::unique_ptr<PhpProcess> process;
  PathMap paths;  // the server's files as the editor has them (attach)
};

// Starts php for a launch request: free loopback ports, the extension in mode
// 3 with the matching LUDBG_* variables. Null with `error` set on failure.
std::unique_ptr<Debuggee> LaunchDebuggee(const nlohmann::json& arguments, std::string& error);
// Listens for the handshake of a php started elsewhere.
std::unique_ptr<Debuggee> AttachDebuggee(const nlohmann::json& arguments, std::string& error);

// The extension beside this build of the adapter, else the installed one.
std::string DefaultExtensionPath();

#endif  // LUCENTDEBUG_DAP_DEBUGGEE_H
