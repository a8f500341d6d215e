// The debugging logic behind the adapter: the engine connections of the
// debugged request, its breakpoints, stops and variables. It knows nothing of
// protocol messages; DapServer turns requests into these calls and the
// DebuggerEvents into events. A watcher thread waits for the script's stops.
#ifndef LUCENTDEBUG_DAP_DEBUGGER_H
#define LUCENTDEBUG_DAP_DEBUGGER_H

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "breakpoint_manager.h"
#include "debuggee.h"
#include "engine_client.h"
#include "output_channel.h"
#include "variable_table.h"

// A request that cannot be served; its text becomes the error response.
class RequestError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Makes the debuggee of a launch (true) or attach request from its arguments;
// null with `error` set when the arguments are wrong or it cannot start.
using DebuggeeFactory =
    std::function<std::unique_ptr<Debuggee>(const nlohmann::json&, bool launch, std::string&)>;

// The errors at which the engine stops, chosen by the editor by id.
struct ErrorFilter {
  const char* id;
  const char* label;
  bool byDefault;
};
const std::vector<ErrorFilter>& ErrorFilters();

// The file name of a path, which editors show for a source.
std::string BaseName(const std::string& path);

// The thrown exceptions at which the engine stops, chosen by the editor by id,
// each with an optional condition: class or interface names.
struct ExceptionFilterChoice {
  const char* id;
  const char* label;
  const char* conditionDescription;
};
const std::vector<ExceptionFilterChoice>& ExceptionFilterChoices();

struct FunctionBreakpointSpec {
  std::string name;  // f, Ns\f, Cls::m or Cls->m
  std::string condition;
};

struct FunctionBreakpointState {
  int id = 0;
  FunctionBreakpointSpec spec;
  long engineNumber = 0;  // 0: not in the engine
  bool verified = false;
  std::string message;  // why it is not verified
};

struct StopReport {
  int threadId = 0;
  std::string reason;       // "breakpoint", "step", "exception", "pause", "entry"
  std::string description;  // exception stops: the error's kind
  std::string text;         // exception stops: kind and message
  std::vector<int> hitBreakpointIds;
};

// What the debugger tells the editor of its own accord; called with the
// debugger's lock held, from any thread.
class DebuggerEvents {
 public:
  virtual ~DebuggerEvents() = default;
  virtual void initialized() = 0;
  virtual void stopped(const StopReport& stop) = 0;
  virtual void output(const std::string& category, const std::string& text) = 0;
  virtual void breakpointChanged(const BreakpointState& breakpoint) = 0;
  virtual void functionBreakpointChanged(const FunctionBreakpointState& breakpoint) = 0;
  virtual void exited(int exitCode) = 0;
  virtual void terminated() = 0;
};

struct SourceView {
  std::string name;
  std::string path;   // empty for code without a file, which has a reference
  int reference = 0;  // for the source request
};

struct FrameView {
  int id = 0;
  std::string name;
  int line = 0;
  SourceView source;
};

struct ScopeView {
  std::string name;  // the engine's context name ("locals", "globals")
  int reference = 0;
};

// A value and the number under which its children are listed (0: none).
struct ValueView {
  PropertyInfo info;
  int reference = 0;
};

// Which children the editor asks for: "indexed", "named" or "" (all), and
// `count` of them (0: all) from `start`.
struct ChildPage {
  std::string filter;
  uint32_t start = 0;
  uint32_t count = 0;
};

struct ErrorStop {
  std::string kind;  // "Warning", "Fatal error", ...
  std::string message;
  std::string text;        // the engine's whole line
  bool exception = false;  // a thrown exception, which the engine's own filters chose
};

// Every call may throw RequestError (not possible now, unknown reference) or
// EngineError.
class Debugger {
 public:
  // `makeDebuggee` defaults to LaunchDebuggee/AttachDebuggee.
  Debugger(DebuggerEvents& events, DebuggeeFactory makeDebuggee = nullptr);
  ~Debugger();
  Debugger(const Debugger&) = delete;
  Debugger& operator=(const Debugger&) = delete;

  // ---- lifecycle
  void start(const nlohmann::json& arguments, bool launch);
  void configurationDone();
  void terminate();
  // Detaches (or ends the debuggee); `terminateDebuggee` defaults to whether
  // it was launched.
  void disconnect(std::optional<bool> terminateDebuggee);
  // Waits for the watcher thread (after disconnect).
  void join();
  // The engine was lost during a request: ends the session when stopped.
  void engineLost();

  // ---- breakpoints
  // The states of `path`'s breakpoints after the change.
  std::vector<BreakpointState> setBreakpoints(const std::string& path,
                                              const std::vector<BreakpointSpec>& specs);
  // `filters`: the error filters chosen; `thrown`: where thrown exceptions stop.
  void setExceptionFilters(const std::set<std::string>& filters, const ExceptionFilter& thrown);
  // Replaces every function breakpoint; unverified until the engine has them.
  std::vector<FunctionBreakpointState> setFunctionBreakpoints(
      const std::vector<FunctionBreakpointSpec>& specs);

  // ---- execution; `what` names the request in errors.
  void resume(ResumeMode mode, const std::string& what);
  void runToCursor(const std::string& path, int line);
  void pause();

  // ---- inspection
  // Frames from `start`, at most `levels` of them (0: all); `total` is the depth.
  std::vector<FrameView> stackTrace(size_t start, int levels, size_t& total);
  std::vector<ScopeView> scopes(int frameId);
  std::vector<ValueView> variables(int reference, const ChildPage& page = ChildPage());
  ValueView evaluate(int frameId, const std::string& expression);
  ValueView setVariable(int reference, const std::string& name, const std::string& value);
  ValueView setExpression(int frameId, const std::string& expression, const std::string& value);
  ErrorStop exceptionInfo();
  // The text of source `reference` (from a SourceView) or else of `path`.
  std::string sourceCode(int reference, const std::string& path);

 private:
  enum class State { kIdle, kConnecting, kStopped, kRunning, kEnded };

  void watch();
  bool connect();
  // Reports a stop, or goes on when nothing the user asked for explains it.
  // atEntry: the first stop, after configuration, which only a breakpoint reports.
  void handleStop(const FrameVector& frames, bool atEntry);
  void finishSession(const std::string& why);
  // Resumes the stopped script (mutex held).
  void resumeEngine(ResumeMode mode);
  void syncBreakpoints();
  // Gives the engine the function breakpoints and exception filter when they
  // changed since; true when something changed.
  bool syncFunctionBreakpoints();
  void syncThrownFilter();
  BreakpointEngine breakpointEngine();

  void requireStopped(const std::string& what) const;
  int depthOfFrame(int frameId) const;
  ValueView valueOf(const PropertyInfo& info, const std::string& context, int depth);
  VariableContainer containerOf(int reference);
  PropertyInfoVector childrenOf(const VariableContainer& container);
  SourceView sourceOf(const std::string& file);
  std::string pathOf(const std::string& engineFile) const;
  std::string logMessage(const BreakpointState& breakpoint);
  std::optional<ErrorStop> errorStopOf(bool atEntry, const std::optional<StopInfo>& info,
                                       const std::string& recentOutput);

  DebuggerEvents& events_;
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
  ExceptionFilter thrownFilter_;
  bool thrownFilterPending_ = false;
  std::vector<FunctionBreakpointState> functionBreakpoints_;
  std::vector<long> staleFunctionNumbers_;  // to remove from the engine
  bool functionBreakpointsPending_ = false;
  long temporaryBreakpoint_ = 0;  // run to cursor
  VariableTable variables_;
  FrameVector frames_;
  std::string contextNames_ = "locals globals";
  std::optional<ErrorStop> errorStop_;
  // The engine says why it stopped (Requester.getStopInfo); older engines do
  // not, and their error stops are told from the output line they print.
  bool engineTellsStops_ = false;
  std::vector<std::string> sourceReferences_;
};

#endif  // LUCENTDEBUG_DAP_DEBUGGER_H
