// The Debug Adapter Protocol binding of the adapter: reads requests from the
// transport, hands each to its handler, which calls the Debugger and answers;
// turns the Debugger's events into protocol events. The handlers live in
// handlers_*.cpp, by theme.
#ifndef LUCENTDEBUG_DAP_DAP_SERVER_H
#define LUCENTDEBUG_DAP_DAP_SERVER_H

#include <nlohmann/json.hpp>
#include <string>

#include "dap_transport.h"
#include "debugger.h"

class DapServer : private DebuggerEvents {
 public:
  // `makeDebuggee` defaults to LaunchDebuggee/AttachDebuggee; the fuzz target
  // gives one that starts nothing.
  explicit DapServer(DapTransport& transport, DebuggeeFactory makeDebuggee = nullptr);
  DapServer(const DapServer&) = delete;
  DapServer& operator=(const DapServer&) = delete;

  // Serves requests until disconnect or the end of input; the process's exit
  // status (1 after malformed input).
  int run();

 private:
  using json = nlohmann::json;

  void dispatch(const json& request);

  // Request handlers; each answers with respond() or by throwing RequestError.
  // Lifecycle (handlers_lifecycle.cpp).
  void initialize(const json& request);
  void launchOrAttach(const json& request, bool launch);
  void configurationDone(const json& request);
  void restart(const json& request);
  void terminate(const json& request);
  void disconnect(const json& request);
  // Breakpoints (handlers_breakpoints.cpp).
  void setBreakpoints(const json& request);
  void setExceptionBreakpoints(const json& request);
  void setFunctionBreakpoints(const json& request);
  // Execution (handlers_execution.cpp).
  void resume(const json& request, ResumeMode mode);
  void runToCursor(const json& request);
  void pause(const json& request);
  // Inspection (handlers_inspection.cpp).
  void threads(const json& request);
  void stackTrace(const json& request);
  void scopes(const json& request);
  void variables(const json& request);
  void evaluate(const json& request);
  void setVariable(const json& request);
  void setExpression(const json& request);
  void exceptionInfo(const json& request);
  void source(const json& request);

  void respond(const json& request, json body = json::object());
  void respondError(const json& request, const std::string& message);
  void sendEvent(const std::string& event, json body = json::object());

  // DebuggerEvents.
  void initialized() override;
  void stopped(const StopReport& stop) override;
  void output(const std::string& category, const std::string& text) override;
  void breakpointChanged(const BreakpointState& breakpoint) override;
  void functionBreakpointChanged(const FunctionBreakpointState& breakpoint) override;
  void thread(const std::string& reason, int threadId) override;
  void exited(int exitCode) override;
  void terminated() override;

  DapTransport& transport_;
  Debugger debugger_;  // after transport_: its watcher sends events until it is gone
};

// The protocol's form of a breakpoint's state.
nlohmann::json BreakpointJson(const BreakpointState& state);
nlohmann::json FunctionBreakpointJson(const FunctionBreakpointState& state);

#endif  // LUCENTDEBUG_DAP_DAP_SERVER_H
