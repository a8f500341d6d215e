// One debug session: Debug Adapter Protocol requests from the editor, turned
// into engine calls; a watcher thread waits for the script's stops.
#ifndef LUCENTDEBUG_DAP_SESSION_H
#define LUCENTDEBUG_DAP_SESSION_H

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>
#include <thread>

#include "breakpoint_manager.h"
#include "dap_transport.h"
#include "debuggee.h"
#include "engine_client.h"
#include "output_channel.h"
#include "variable_table.h"

// Makes the debuggee of a launch (true) or attach request; null with `error` set
// when the arguments are wrong or it cannot start.
using DebuggeeFactory =
    std::function<std::unique_ptr<Debuggee>(const nlohmann::json&, bool launch, std::string&)>;

class Session {
 public:
  // `makeDebuggee` defaults to LaunchDebuggee/AttachDebuggee; the fuzz target
  // gives one that starts nothing.
  explicit Session(DapTransport& transport, DebuggeeFactory makeDebuggee = nullptr);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Serves requests until disconnect or the end of input; the process's exit
  // status (1 after malformed input).
  int run();

 private:
  enum class State { kIdle, kConnecting, kStopped, kRunning, kEnded };
  using json = nlohmann::json;

  // Request handlers; each answers with respond() or by throwing RequestError.
  void dispatch(const json& request);
  void initialize(const json& request);
  void launchOrAttach(const json& request, bool launch);
  void configurationDone(const json& request);
  void setBreakpoints(const json& request);
  void setExceptionBreakpoints(const json& request);
  void threads(const json& request);
  void stackTrace(const json& request);
  void scopes(const json& request);
  void variables(const json& request);
  void evaluate(const json& request);
  void setVariable(const json& request);
  void setExpression(const json& request);
  void exceptionInfo(const json& request);
  void source(const json& request);
  void resume(const json& request, ResumeMode mode);
  void runToCursor(const json& request);
  void terminate(const json& request);
  void disconnect(const json& request);
  void pause(const json& request);

  void respond(const json& request, json body = json::object());
  void respondError(const json& request, const std::string& message);
  void sendEvent(const std::string& event, json body = json::object());

  // Engine side (watcher thread).
  void watch();
  bool connect();
  // Reports a stop, or goes on when nothing the user asked for explains it.
  // atEntry: the first stop, after configuration, which only a breakpoint reports.
  void handleStop(const FrameVector& frames, bool atEntry);
  void finishSession(const std::string& why);
  // Resumes the stopped script (mutex held).
  void resumeEngine(ResumeMode mode);
  void syncBreakpoints();
  BreakpointEngine breakpointEngine();

  void requireStopped(const char* what) const;
  int depthOfFrame(const json& arguments, const char* member = "frameId") const;
  json variableOf(const PropertyInfo& info, const std::string& context, int depth);
  // The body of an answer that shows one value (evaluate, setVariable, setExpression).
  json valueBody(const PropertyInfo& info, const std::string& context, int depth,
                 const char* valueMember);
  VariableContainer containerOf(const json& arguments);
  PropertyInfoVector childrenOf(const VariableContainer& container);
  json sourceOf(const std::string& file);
  std::string pathOf(const std::string& engineFile) const;
  std::string logMessage(const BreakpointState& breakpoint);

  DapTransport& transport_;
  DebuggeeFactory makeDebuggee_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  State state_ = State::kIdle;
  bool resumePending_ = false;
  bool stopWatching_ = false;
  bool configured_ = false;
  bool detachAtNextStop_ = false;
  bool terminateAtNextStop_ = false;
  bool stopAtEntry_ = false;  // the next stop is the entry (stopOnEntry before the first statement)
  ResumeMode lastMode_ = kGo;

  std::unique_ptr<Debuggee> debuggee_;
  std::unique_ptr<EngineClient> engine_;  // calls made while stopped
  std::unique_ptr<EngineClient> waiter_;  // the call that waits for the next stop
  std::unique_ptr<OutputChannel> output_;
  int phpStdout_ = -1;
  int control_ = -1;  // the handshake connection: closing it tells the engine we are gone
  std::thread watcher_;

  BreakpointManager breakpoints_;
  std::set<std::string> exceptionFilters_;
  long temporaryBreakpoint_ = 0;  // run to cursor
  VariableTable variables_;
  FrameVector frames_;
  std::string contextNames_ = "locals globals";
  struct ErrorStop {
    std::string kind;  // "Warning", "Fatal error", ...
    std::string message;
    std::string text;        // the engine's whole line
    bool exception = false;  // a thrown exception, which the engine's own filters chose
  };
  std::optional<ErrorStop> errorStop_;
  // The engine says why it stopped (Requester.getStopInfo); older engines do
  // not, and their error stops are told from the output line they print.
  bool engineTellsStops_ = false;
  std::optional<ErrorStop> errorStopOf(bool atEntry, const std::string& recentOutput);
  std::vector<std::string> sourceReferences_;
};

#endif  // LUCENTDEBUG_DAP_SESSION_H
