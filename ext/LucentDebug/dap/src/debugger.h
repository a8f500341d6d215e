// The debugging logic behind the adapter: the engine connections of the
// debugged requests, their breakpoints, stops and variables. It knows nothing of
// protocol messages; DapServer turns requests into these calls and the
// DebuggerEvents into events. A watcher thread per request waits for its stops.
#ifndef LUCENTDEBUG_DAP_DEBUGGER_H
#define LUCENTDEBUG_DAP_DEBUGGER_H

#include <condition_variable>
#include <functional>
#include <map>
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
#include "handshake_listener.h"
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
  std::string hitCondition;  // as a line breakpoint's, counted per request
};

// What the editor is told of a function breakpoint.
struct FunctionBreakpointState {
  int id = 0;
  FunctionBreakpointSpec spec;
  std::optional<HitCondition> hitCondition;
  bool verified = false;
  std::string message;  // why it is not verified
};

struct StopReport {
  int threadId = 0;
  bool allThreadsStopped = true;  // false while other requests may run
  std::string reason;             // "breakpoint", "step", "exception", "pause", "entry"
  std::string description;        // exception stops: the error's kind
  std::string text;               // exception stops: kind and message
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
  // A request came ("started") or ended ("exited").
  virtual void thread(const std::string& reason, int threadId) = 0;
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

struct ThreadView {
  int id = 0;
  std::string name;  // "GET /index.php?id=1", or the script under the command line
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

// One debugging session. Launch debugs the php it starts, one request; attach
// serves every request that announces itself while the session lasts, each
// as a thread of its own that stops, steps and is inspected on its own. Frame
// ids and variable references name their thread. Calls that take a threadId
// take 0 for the thread that stopped last. Every call may throw RequestError
// (not possible now, unknown reference) or EngineError.
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
  // Ends a launched php and launches it again, with `arguments` when given,
  // else the last ones; breakpoints and filters stay, the editor sees no end.
  void restart(const std::optional<nlohmann::json>& arguments);
  // Ends the debuggee: every request stops where it is.
  void terminate();
  // Detaches from every request (or ends the debuggee); `terminateDebuggee`
  // defaults to whether it was launched.
  void disconnect(std::optional<bool> terminateDebuggee);
  // Waits for the session's threads (after disconnect): until every request
  // let go has ended.
  void join();
  // Whether stops and resumes concern one request of several.
  bool servesManyRequests() const;

  // ---- breakpoints
  // The states of `path`'s breakpoints after the change.
  std::vector<BreakpointState> setBreakpoints(const std::string& path,
                                              const std::vector<BreakpointSpec>& specs);
  // `filters`: the error filters chosen; `thrown`: where thrown exceptions stop.
  void setExceptionFilters(const std::set<std::string>& filters, const ExceptionFilter& thrown);
  // Replaces every function breakpoint; each request's engine gets them at
  // once when it is stopped, else at its next stop.
  std::vector<FunctionBreakpointState> setFunctionBreakpoints(
      const std::vector<FunctionBreakpointSpec>& specs);

  // ---- execution; `what` names the request in errors.
  void resume(int threadId, ResumeMode mode, const std::string& what);
  void runToCursor(int threadId, const std::string& path, int line);
  void pause(int threadId);

  // ---- inspection
  std::vector<ThreadView> threads();
  // Frames from `start`, at most `levels` of them (0: all); `total` is the depth.
  std::vector<FrameView> stackTrace(int threadId, size_t start, int levels, size_t& total);
  std::vector<ScopeView> scopes(int frameId);
  std::vector<ValueView> variables(int reference, const ChildPage& page = ChildPage());
  ValueView evaluate(int frameId, const std::string& expression);
  ValueView setVariable(int reference, const std::string& name, const std::string& value);
  ValueView setExpression(int frameId, const std::string& expression, const std::string& value);
  ErrorStop exceptionInfo(int threadId);
  // The text of source `reference` (from a SourceView) or else of `path`.
  std::string sourceCode(int reference, const std::string& path);

 private:
  enum class State { kIdle, kConnecting, kStopped, kRunning, kEnded };
  struct RequestThread;

  void startLocked(const nlohmann::json& arguments, bool launch);

  // Takes the announcements of requests (one for launch) on its own thread.
  void acceptRequests();
  void watch(RequestThread& thread);
  bool connect(RequestThread& thread, const Announcement& announcement);
  // After configuration: the request's first stop.
  void beginThread(RequestThread& thread);
  // Reports a stop, or goes on when nothing the user asked for explains it.
  // atEntry: the first stop, after configuration, which only a breakpoint reports.
  void handleStop(RequestThread& thread, const FrameVector& frames, bool atEntry);
  // The request ended (launch: the session too); `why` is said when not empty.
  void finishThread(RequestThread& thread, const std::string& why);
  // `connected`: php announced itself (and so ends by itself).
  void finishSession(const std::string& why, bool connected = false);
  // servesManyRequests() with the mutex held.
  bool manyRequests() const { return debuggee_ && !debuggee_->process; }
  // Resumes the stopped script (mutex held).
  void resumeEngine(RequestThread& thread, ResumeMode mode);
  void detach(RequestThread& thread, bool terminateDebuggee);
  void syncBreakpoints(RequestThread& thread);
  // Pauses a running request through its control line so that its next stop,
  // which goes on unseen, gives its engine the changed breakpoints.
  void stopToSync(RequestThread& thread);
  // Sets the `pending` flag of every live request: a stopped one takes the
  // change at once, a running one at a pause the editor never sees. True
  // when one was stopped.
  bool changeOnRequests(bool RequestThread::*pending);
  // Gives the request's engine the function breakpoints and the thrown filter
  // when they changed since it last had them.
  void syncFunctionBreakpoints(RequestThread& thread);
  void syncThrownFilter(RequestThread& thread);
  void reportIfChanged(const BreakpointState& state);
  BreakpointEngine breakpointEngine(RequestThread& thread);
  // Joins and drops the threads whose requests ended (mutex not held).
  void reapThreads();

  // The thread `threadId` (0: the default one) or null.
  RequestThread* threadOf(int threadId);
  // The thread that must be stopped for `what`; throws RequestError otherwise.
  RequestThread& stoppedThread(int threadId, const std::string& what);
  void requireStopped(const RequestThread* thread, const std::string& what) const;
  // The stopped thread and frame depth of `frameId` (0: the default thread's top).
  RequestThread& threadOfFrame(int frameId, const std::string& what, int& depth);
  // Runs `call` on a stopped thread; a request gone meanwhile ends its thread.
  template <typename Call>
  auto onThread(RequestThread& thread, Call call) -> decltype(call());
  ValueView valueOf(RequestThread& thread, const PropertyInfo& info, const std::string& context,
                    int depth);
  VariableContainer containerOf(int reference);
  PropertyInfoVector childrenOf(RequestThread& thread, const VariableContainer& container);
  SourceView sourceOf(const std::string& file);
  std::string pathOf(const std::string& engineFile) const;
  std::string logMessage(RequestThread& thread, const BreakpointState& breakpoint);
  std::optional<ErrorStop> errorStopOf(RequestThread& thread, bool atEntry,
                                       const std::optional<StopInfo>& info,
                                       const std::string& recentOutput);

  DebuggerEvents& events_;
  DebuggeeFactory makeDebuggee_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  State state_ = State::kIdle;
  bool stopWatching_ = false;
  bool configured_ = false;
  bool initializedSent_ = false;
  bool restarting_ = false;  // the php that ends is launched again: no end events
  nlohmann::json launchArguments_;

  std::unique_ptr<Debuggee> debuggee_;
  std::unique_ptr<OutputChannel> output_;  // php's own streams (launch)
  int phpStdout_ = -1;
  std::thread acceptor_;
  std::map<int, std::unique_ptr<RequestThread>> threads_;
  int nextThreadId_ = 1;
  int currentThread_ = 0;  // the thread that stopped last

  BreakpointManager breakpoints_;            // the editor's; each thread keeps its engine's copy
  std::map<int, BreakpointState> reported_;  // what the editor was last told, by id
  std::set<std::string> exceptionFilters_;
  ExceptionFilter thrownFilter_;
  // Numbered apart from line breakpoints, whose managers number alike.
  std::vector<FunctionBreakpointState> functionBreakpoints_;
  int nextFunctionBreakpointId_ = 1000000;
  VariableTable handles_;  // frame ids and variable references of every thread
  std::vector<std::string> sourceReferences_;
};

#endif  // LUCENTDEBUG_DAP_DEBUGGER_H
