// The stop/resume cycle. The engine answers only while the script is stopped,
// so calls that need it are refused while it runs, and breakpoint changes
// made while it runs are sent at the next stop.
#include "debugger.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <regex>

#include "file_urls.h"
#include "value_display.h"

using nlohmann::json;

namespace {
constexpr int kThreadId = 1;

// The filter that decides whether a stop at an error of this kind is shown;
// null for stops that are always shown.
const char* FilterOfKind(const std::string& kind) {
  if (kind == "Breakpoint condition error") return nullptr;
  if (kind == "Fatal error") return "fatal";
  if (kind == "Warning") return "warning";
  if (kind == "Notice") return "notice";
  return "other";
}
}  // namespace

std::string BaseName(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The engine names PHP notices "Warning", so they go with the warnings.
const std::vector<ErrorFilter>& ErrorFilters() {
  static const std::vector<ErrorFilter> kFilters = {
      {"fatal", "Fatal errors (errors, user errors)", true},
      {"warning", "Warnings and notices", true},
      {"notice", "User notices", true},
      {"other", "Other errors (deprecations and the like)", false},
  };
  return kFilters;
}

const std::vector<ExceptionFilterChoice>& ExceptionFilterChoices() {
  static const std::vector<ExceptionFilterChoice> kChoices = {
      {"thrown", "Thrown exceptions", "Class or interface names, separated by commas"},
      {"uncaught", "Uncaught exceptions", "Class or interface names, separated by commas"},
  };
  return kChoices;
}

Debugger::Debugger(DebuggerEvents& events, DebuggeeFactory makeDebuggee)
    : events_(events), makeDebuggee_(std::move(makeDebuggee)) {
  if (!makeDebuggee_) {
    makeDebuggee_ = [](const json& arguments, bool launch, std::string& error) {
      return launch ? LaunchDebuggee(arguments, error) : AttachDebuggee(arguments, error);
    };
  }
  for (const ErrorFilter& filter : ErrorFilters()) {
    if (filter.byDefault) exceptionFilters_.insert(filter.id);
  }
}

Debugger::~Debugger() {
  join();
  if (control_ >= 0) close(control_);
}

void Debugger::join() {
  if (watcher_.joinable()) watcher_.join();
}

// ---- lifecycle ------------------------------------------------------------

void Debugger::start(const json& arguments, bool launch) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (state_ != State::kIdle) throw RequestError("the session has already started");
  std::string error;
  std::unique_ptr<Debuggee> debuggee = makeDebuggee_(arguments, launch, error);
  if (!debuggee) throw RequestError(error);
  debuggee_ = std::move(debuggee);
  output_ =
      std::make_unique<OutputChannel>([this](const std::string& category, const std::string& text) {
        events_.output(category, text);
      });
  if (debuggee_->process) {
    // php's own stdout counts until the engine copies the script's output;
    // after that it repeats that copy (see connect()).
    phpStdout_ = debuggee_->process->takeStdout();
    output_->addStream(phpStdout_, "stdout");
    output_->addStream(debuggee_->process->takeStderr(), "stderr");
  }
  state_ = State::kConnecting;
  watcher_ = std::thread([this] { watch(); });
}

bool Debugger::connect() {
  std::string error;
  int timeoutMs;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    timeoutMs = debuggee_->handshakeTimeoutMs;
  }
  std::optional<Announcement> announcement = ReceiveAnnouncement(
      *debuggee_->listener, timeoutMs,
      [this] {
        std::lock_guard<std::mutex> lock(mutex_);
        return !stopWatching_ && (!debuggee_->process || debuggee_->process->running());
      },
      error);
  if (!announcement) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (debuggee_->process && !debuggee_->process->running()) {
      error = "php ended (status " + std::to_string(debuggee_->process->wait(0)) +
              ") before its debugger announced itself; is the extension loadable?";
    }
    if (!stopWatching_) finishSession(error);
    return false;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  control_ = announcement->control;
  try {
    engine_ = std::make_unique<EngineClient>(announcement->engineHost, announcement->port,
                                             announcement->cookie);
    waiter_ = std::make_unique<EngineClient>(announcement->engineHost, announcement->port,
                                             announcement->cookie);
    engine_->hello();
    contextNames_ = engine_->getContextNamesAsString();
    std::string listenError;
    std::unique_ptr<Listener> stdoutListener = Listener::open("127.0.0.1", 0, listenError);
    std::unique_ptr<Listener> stderrListener = Listener::open("127.0.0.1", 0, listenError);
    if (stdoutListener) {
      engine_->redirectStdout(stdoutListener->port());
      // The engine connects during the call, so the connection is queued now.
      int fd = stdoutListener->accept(5000);
      if (fd >= 0) {
        output_->addStream(fd, "stdout");
        if (phpStdout_ >= 0) output_->mute(phpStdout_);
      }
    }
    if (stderrListener) {
      engine_->redirectStderr(stderrListener->port());
      int fd = stderrListener->accept(0);
      if (fd >= 0) output_->addStream(fd, "stderr");
    }
    frames_ = engine_->getFrames();
    try {
      engine_->getStopInfo();
      engineTellsStops_ = true;
    } catch (const EngineError& failure) {
      if (failure.lost()) throw;
    }
  } catch (const EngineError& failure) {
    finishSession(failure.what());
    return false;
  }
  state_ = State::kStopped;
  lastMode_ = kStepInto;
  events_.initialized();
  return true;
}

void Debugger::configurationDone() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (configured_ || state_ != State::kStopped) return;
  configured_ = true;
  try {
    if (debuggee_->stopOnEntry && !frames_.empty()) {
      StopReport stop;
      stop.threadId = kThreadId;
      stop.reason = "entry";
      events_.stopped(stop);
    } else if (debuggee_->stopOnEntry) {
      // Waiting before the first statement (modes 2 and 5): the entry is one step on.
      resumeEngine(kStepInto);
      stopAtEntry_ = true;
    } else {
      // The first statement may itself carry a breakpoint, which going on would pass.
      lastMode_ = kGo;
      handleStop(frames_, true);
    }
  } catch (const EngineError& error) {
    // Already answered: the failure ends the session instead.
    finishSession(error.what());
  }
}

void Debugger::terminate() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (state_ == State::kStopped) {
    resumeEngine(kResumeStop);
  } else if (state_ == State::kRunning || state_ == State::kConnecting) {
    if (debuggee_->process) {
      debuggee_->process->kill();
    } else {
      terminateAtNextStop_ = true;
    }
  }
}

void Debugger::disconnect(std::optional<bool> terminate) {
  std::lock_guard<std::mutex> lock(mutex_);
  bool terminateDebuggee = terminate.value_or(debuggee_ && debuggee_->launched);
  stopWatching_ = true;
  try {
    if (state_ == State::kStopped) {
      if (terminateDebuggee) {
        resumeEngine(kResumeStop);
      } else {
        breakpoints_.removeAll(breakpointEngine());
        resumeEngine(kGo);
      }
      resumePending_ = false;  // nobody waits for what comes next
    } else if (state_ == State::kRunning || state_ == State::kConnecting) {
      if (terminateDebuggee && debuggee_->process) {
        debuggee_->process->kill();
      } else if (state_ == State::kRunning) {
        // The engine hears nothing until its next stop: settle it there.
        (terminateDebuggee ? terminateAtNextStop_ : detachAtNextStop_) = true;
      }
    }
  } catch (const EngineError&) {
    // The request ended meanwhile; nothing is left to settle.
  }
  wake_.notify_all();
}

void Debugger::engineLost() {
  // php went away while stopped (killed from outside): the session is over.
  std::lock_guard<std::mutex> lock(mutex_);
  if (state_ == State::kStopped) finishSession("php ended while stopped");
}

// ---- breakpoints ----------------------------------------------------------

BreakpointEngine Debugger::breakpointEngine() {
  return BreakpointEngine{[this](const std::string& path, int line, const std::string& cond) {
                            return engine_->addBreakpoint(path, line, false, cond);
                          },
                          [this](long number) { engine_->removeBreakpoint(number); }};
}

void Debugger::syncBreakpoints() {
  if (syncFunctionBreakpoints()) {
    for (const FunctionBreakpointState& state : functionBreakpoints_) {
      events_.functionBreakpointChanged(state);
    }
  }
  syncThrownFilter();
  if (!breakpoints_.pending()) return;
  for (const BreakpointState& state : breakpoints_.sync(breakpointEngine())) {
    events_.breakpointChanged(state);
  }
}

namespace {
// f, Ns\f, \Ns\f, Cls::m or Ns\Cls->m, in PHP's name characters.
bool IsFunctionName(const std::string& name) {
  auto isStart = [](unsigned char c) { return std::isalpha(c) || c == '_' || c >= 0x80; };
  auto isPart = [&isStart](unsigned char c) { return isStart(c) || std::isdigit(c); };
  size_t at = name.size() > 0 && name[0] == '\\' ? 1 : 0;
  bool method = false;
  for (;;) {
    // One name: a start character, then name characters.
    if (at >= name.size() || !isStart(static_cast<unsigned char>(name[at]))) return false;
    while (at < name.size() && isPart(static_cast<unsigned char>(name[at]))) ++at;
    if (at == name.size()) return true;
    if (method) return false;
    if (name[at] == '\\') {
      ++at;
    } else if (name.compare(at, 2, "::") == 0 || name.compare(at, 2, "->") == 0) {
      at += 2;
      method = true;
    } else {
      return false;
    }
  }
}
}  // namespace

bool Debugger::syncFunctionBreakpoints() {
  if (!functionBreakpointsPending_) return false;
  functionBreakpointsPending_ = false;
  for (long number : staleFunctionNumbers_) engine_->removeBreakpoint(number);
  staleFunctionNumbers_.clear();
  for (FunctionBreakpointState& state : functionBreakpoints_) {
    if (!IsFunctionName(state.spec.name)) continue;
    try {
      state.engineNumber = engine_->addFunctionBreakpoint(state.spec.name, state.spec.condition);
    } catch (const EngineError& error) {
      if (error.lost()) throw;
      state.engineNumber = 0;
      state.verified = false;
      state.message = "this engine has no function breakpoints";
      continue;
    }
    state.verified = state.engineNumber > 0;
    state.message = state.verified ? "" : "not a function or method name: " + state.spec.name;
  }
  return true;
}

void Debugger::syncThrownFilter() {
  if (!thrownFilterPending_) return;
  thrownFilterPending_ = false;
  engine_->setExceptionBreakpoints(thrownFilter_);
}

std::vector<FunctionBreakpointState> Debugger::setFunctionBreakpoints(
    const std::vector<FunctionBreakpointSpec>& specs) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const FunctionBreakpointState& old : functionBreakpoints_) {
    if (old.engineNumber > 0) staleFunctionNumbers_.push_back(old.engineNumber);
  }
  functionBreakpoints_.clear();
  for (const FunctionBreakpointSpec& spec : specs) {
    FunctionBreakpointState state;
    state.id = breakpoints_.newId();
    state.spec = spec;
    state.message = IsFunctionName(spec.name) ? "sent to the engine at the next stop"
                                              : "not a function or method name: " + spec.name;
    functionBreakpoints_.push_back(state);
  }
  functionBreakpointsPending_ = true;
  if (state_ == State::kStopped) syncFunctionBreakpoints();
  return functionBreakpoints_;
}

std::vector<BreakpointState> Debugger::setBreakpoints(const std::string& path,
                                                      const std::vector<BreakpointSpec>& specs) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<BreakpointState> states = breakpoints_.set(path, specs);
  if (state_ == State::kStopped) {
    breakpoints_.sync(breakpointEngine());
    states = breakpoints_.of(path);
  }
  return states;
}

void Debugger::setExceptionFilters(const std::set<std::string>& filters,
                                   const ExceptionFilter& thrown) {
  std::lock_guard<std::mutex> lock(mutex_);
  exceptionFilters_ = filters;
  thrownFilter_ = thrown;
  thrownFilterPending_ = true;
  if (state_ == State::kStopped) syncThrownFilter();
}

// ---- execution ------------------------------------------------------------

void Debugger::resumeEngine(ResumeMode mode) {
  // Only output after this point can explain the next stop; it is cleared
  // first because the script runs (and writes) as soon as the call returns.
  output_->takeRecent("stdout");
  engine_->resumeExecution(mode);
  state_ = State::kRunning;
  lastMode_ = mode;
  variables_.clear();
  frames_.clear();
  errorStop_.reset();
  stopAtEntry_ = false;
  resumePending_ = true;
  wake_.notify_all();
}

void Debugger::resume(ResumeMode mode, const std::string& what) {
  std::lock_guard<std::mutex> lock(mutex_);
  requireStopped(what);
  resumeEngine(mode);
}

void Debugger::runToCursor(const std::string& path, int line) {
  std::lock_guard<std::mutex> lock(mutex_);
  requireStopped("runToCursor");
  // A temporary breakpoint ends with its first stop in the engine; one that
  // is not reached is removed at whatever stop comes first.
  temporaryBreakpoint_ = engine_->addBreakpoint(path, line, true, "");
  resumeEngine(kGo);
}

void Debugger::pause() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (state_ == State::kStopped) return;  // already stopped
  if (state_ != State::kRunning) throw RequestError("no script is running");
  // The engine stops at the next statement and the waiting call reports it.
  static const char kPause[] = "pause\n";
  if (control_ < 0 || send(control_, kPause, sizeof kPause - 1, MSG_NOSIGNAL | MSG_DONTWAIT) < 0) {
    throw RequestError(
        "this php cannot be paused (its engine keeps no control connection); set a breakpoint "
        "or call ludbg_break() in the script");
  }
}

// ---- inspection -----------------------------------------------------------

void Debugger::requireStopped(const std::string& what) const {
  if (state_ == State::kRunning) {
    throw RequestError("the script is running; " + what + " is possible only while it is stopped");
  }
  if (state_ != State::kStopped) {
    throw RequestError("no script is stopped; " + what + " is not possible now");
  }
}

int Debugger::depthOfFrame(int frameId) const {
  if (frameId == 0) return 0;
  if (frameId < 1 || static_cast<size_t>(frameId) > std::max<size_t>(frames_.size(), 1)) {
    throw RequestError("unknown frame " + std::to_string(frameId));
  }
  return frameId - 1;
}

std::string Debugger::pathOf(const std::string& engineFile) const {
  char path[kPathBufferSize];
  return LocalPathFromUrl(engineFile.c_str(), path);
}

SourceView Debugger::sourceOf(const std::string& file) {
  std::string path = pathOf(file);
  SourceView source;
  source.name = BaseName(path);
  if (access(path.c_str(), R_OK) == 0) {
    source.path = path;
    return source;
  }
  // Code without a file (eval()'d code): the editor asks for it by reference.
  auto known = std::find(sourceReferences_.begin(), sourceReferences_.end(), file);
  size_t index = known - sourceReferences_.begin();
  if (known == sourceReferences_.end()) sourceReferences_.push_back(file);
  source.reference = static_cast<int>(index) + 1;
  return source;
}

std::vector<FrameView> Debugger::stackTrace(size_t start, int levels, size_t& total) {
  std::lock_guard<std::mutex> lock(mutex_);
  requireStopped("stackTrace");
  std::vector<FrameView> frames;
  for (size_t depth = start; depth < frames_.size(); ++depth) {
    if (levels > 0 && frames.size() >= static_cast<size_t>(levels)) break;
    const Frame& frame = frames_[depth];
    frames.push_back(
        {static_cast<int>(depth) + 1, FrameName(frame), frame.lineno, sourceOf(frame.file)});
  }
  total = frames_.size();
  return frames;
}

std::vector<ScopeView> Debugger::scopes(int frameId) {
  std::lock_guard<std::mutex> lock(mutex_);
  requireStopped("scopes");
  int depth = depthOfFrame(frameId);
  std::vector<ScopeView> scopes;
  size_t at = 0;
  while (at < contextNames_.size()) {
    size_t end = contextNames_.find(' ', at);
    if (end == std::string::npos) end = contextNames_.size();
    std::string name = contextNames_.substr(at, end - at);
    at = end + 1;
    if (name.empty()) continue;
    scopes.push_back({name, variables_.reference({name, depth, ""})});
  }
  return scopes;
}

PropertyInfoVector Debugger::childrenOf(const VariableContainer& container) {
  return container.expression.empty()
             ? engine_->getContext(container.context, container.depth)
             : engine_->getChildrenInfos(container.context, container.depth, container.expression);
}

ValueView Debugger::valueOf(const PropertyInfo& info, const std::string& context, int depth) {
  ValueView view{info, 0};
  if (info.hasChildren) {
    VariableContainer container{context, depth, info.name.fullName};
    container.pagedByIndex = PagedByIndex(info);
    container.isObject = info.type == "IS_OBJECT";
    view.reference = variables_.reference(container);
  }
  return view;
}

VariableContainer Debugger::containerOf(int reference) {
  const VariableContainer* found = variables_.find(reference);
  if (!found) throw RequestError("unknown variablesReference " + std::to_string(reference));
  return *found;
}

// A page of a value's children is listed by the engine, not cut from all of
// them here; an engine that lists everything (it predates paging) is cut.
std::vector<ValueView> Debugger::variables(int reference, const ChildPage& page) {
  std::lock_guard<std::mutex> lock(mutex_);
  requireStopped("variables");
  VariableContainer container = containerOf(reference);
  std::vector<ValueView> result;
  // Children paged by index have no named ones.
  if (page.filter == "named" && container.pagedByIndex) return result;
  const bool paged = page.start > 0 || page.count > 0;
  PropertyInfoVector children;
  if (paged && !container.expression.empty()) {
    children = engine_->getChildrenInfos(container.context, container.depth, container.expression,
                                         ChildRange{page.start, page.count, false});
  } else {
    children = childrenOf(container);
  }
  if (paged && (container.expression.empty() || (page.count > 0 && children.size() > page.count))) {
    const size_t from = std::min<size_t>(page.start, children.size());
    const size_t to =
        page.count == 0 ? children.size() : std::min<size_t>(from + page.count, children.size());
    children = PropertyInfoVector(children.begin() + from, children.begin() + to);
  }
  if (container.isObject && !paged && page.filter != "indexed") {
    try {
      for (PropertyInfo& info : engine_->getChildrenInfos(
               container.context, container.depth, container.expression, ChildRange{0, 0, true})) {
        if (info.isStatic) children.push_back(std::move(info));
      }
    } catch (const EngineError& error) {
      if (error.lost()) throw;
    }
  }
  for (const PropertyInfo& info : children) {
    result.push_back(valueOf(info, container.context, container.depth));
  }
  return result;
}

ValueView Debugger::evaluate(int frameId, const std::string& expression) {
  std::lock_guard<std::mutex> lock(mutex_);
  requireStopped("evaluate");
  int depth = depthOfFrame(frameId);
  PropertyInfo info = engine_->getDebugPropertyInfo(depth, expression);
  if (!Evaluated(info)) throw RequestError("cannot evaluate " + expression);
  return valueOf(info, "locals", depth);
}

ValueView Debugger::setVariable(int reference, const std::string& name, const std::string& value) {
  std::lock_guard<std::mutex> lock(mutex_);
  requireStopped("setVariable");
  VariableContainer container = containerOf(reference);
  std::string fullName;
  for (const PropertyInfo& info : childrenOf(container)) {
    if (info.name.name == name) fullName = info.name.fullName;
  }
  if (fullName.empty()) throw RequestError("no variable " + name + " here");
  engine_->setDebugProperty(container.context, container.depth, fullName, value);
  // Reading back goes through the "locals" context: the globals are the
  // outermost frame's locals.
  int depth = container.context == "globals" && !frames_.empty()
                  ? static_cast<int>(frames_.size()) - 1
                  : container.depth;
  PropertyInfo info = engine_->getDebugPropertyInfo(depth, fullName);
  return valueOf(info, container.context, container.depth);
}

ValueView Debugger::setExpression(int frameId, const std::string& expression,
                                  const std::string& value) {
  std::lock_guard<std::mutex> lock(mutex_);
  requireStopped("setExpression");
  int depth = depthOfFrame(frameId);
  engine_->setDebugProperty("locals", depth, expression, value);
  PropertyInfo info = engine_->getDebugPropertyInfo(depth, expression);
  if (!Evaluated(info)) throw RequestError("cannot assign to " + expression);
  return valueOf(info, "locals", depth);
}

ErrorStop Debugger::exceptionInfo() {
  std::lock_guard<std::mutex> lock(mutex_);
  requireStopped("exceptionInfo");
  if (!errorStop_) throw RequestError("the script is not stopped at an error");
  return *errorStop_;
}

std::string Debugger::sourceCode(int reference, const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  requireStopped("source");
  std::string file = path;
  if (reference > 0 && static_cast<size_t>(reference) <= sourceReferences_.size()) {
    file = sourceReferences_[reference - 1];
  }
  if (file.empty()) throw RequestError("unknown source");
  return engine_->getSourceCode(file);
}

// ---- the engine side ------------------------------------------------------

void Debugger::watch() {
  if (!connect()) return;
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [this] { return resumePending_ || stopWatching_; });
      if (!resumePending_) return;
      resumePending_ = false;
    }
    FrameVector frames;
    try {
      frames = waiter_->getFrames();
    } catch (const EngineError& error) {
      std::lock_guard<std::mutex> lock(mutex_);
      finishSession(error.lost() ? "" : error.what());
      return;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    try {
      handleStop(frames, false);
    } catch (const EngineError& error) {
      finishSession(error.lost() ? "" : error.what());
      return;
    }
  }
}

namespace {
// The engine writes "\nPHP <kind>:  <message> in <file> on line <n>\n" to the
// output just before it stops at an error.
std::optional<std::smatch> ErrorMessageAtEnd(const std::string& output) {
  static const std::regex kMessage(
      "\nPHP (Fatal error|Warning|Parse error|Notice|Unknown error|Breakpoint condition error):  "
      "([^\n]*) in ([^\n]*) on "
      "line ([0-9]+)\n$");
  std::smatch match;
  if (!std::regex_search(output, match, kMessage)) return std::nullopt;
  return match;
}
}  // namespace

std::optional<ErrorStop> Debugger::errorStopOf(bool atEntry, const std::optional<StopInfo>& stop,
                                               const std::string& recentOutput) {
  if (atEntry) return std::nullopt;
  if (stop) {
    const StopInfo& info = *stop;
    if (info.reason == "breakpoint") {
      // A condition that could not be evaluated stops as a breakpoint, with only
      // the output line to say so; the stop is shown either way, so a line the
      // script prints can change its label but never make it go on.
      std::optional<std::smatch> match = ErrorMessageAtEnd(recentOutput);
      if (match && (*match)[1] == "Breakpoint condition error") {
        return ErrorStop{(*match)[1], (*match)[2], (*match)[0].str().substr(1)};
      }
    }
    if (info.reason != "error" && info.reason != "exception") return std::nullopt;
    return ErrorStop{info.type, info.message,
                     "PHP " + info.type + ":  " + info.message + " in " + info.file + " on line " +
                         std::to_string(info.line),
                     info.reason == "exception"};
  }
  std::optional<std::smatch> match = ErrorMessageAtEnd(recentOutput);
  if (!match) return std::nullopt;
  return ErrorStop{(*match)[1], (*match)[2], (*match)[0].str().substr(1)};
}

void Debugger::handleStop(const FrameVector& frames, bool atEntry) {
  state_ = State::kStopped;
  frames_ = frames;
  variables_.clear();
  errorStop_.reset();
  syncBreakpoints();
  bool ranToCursor = temporaryBreakpoint_ > 0;
  if (temporaryBreakpoint_ > 0) {
    engine_->removeBreakpoint(temporaryBreakpoint_);
    temporaryBreakpoint_ = 0;
  }
  output_->drain();
  std::string recent = output_->takeRecent("stdout");
  if (detachAtNextStop_ || terminateAtNextStop_) {
    if (detachAtNextStop_) breakpoints_.removeAll(breakpointEngine());
    resumeEngine(terminateAtNextStop_ ? kResumeStop : kGo);
    detachAtNextStop_ = terminateAtNextStop_ = false;
    if (stopWatching_) resumePending_ = false;
    return;
  }
  StopReport stop;
  stop.threadId = kThreadId;
  std::optional<StopInfo> info;
  if (engineTellsStops_ && !atEntry) info = engine_->getStopInfo();
  std::optional<ErrorStop> error = errorStopOf(atEntry, info, recent);
  BreakpointState* breakpoint =
      frames.empty() ? nullptr : breakpoints_.at(pathOf(frames[0].file), frames[0].lineno);
  const FunctionBreakpointState* function = nullptr;
  if (info && info->reason == "function") {
    for (const FunctionBreakpointState& state : functionBreakpoints_) {
      if (state.engineNumber == info->breakpoint) function = &state;
    }
  }
  if (stopAtEntry_) {
    stopAtEntry_ = false;
    stop.reason = "entry";
  } else if (error) {
    errorStop_ = error;
    const char* filter = errorStop_->exception ? nullptr : FilterOfKind(errorStop_->kind);
    if (filter != nullptr && !exceptionFilters_.count(filter)) {
      resumeEngine(lastMode_);
      return;
    }
    stop.reason = "exception";
    stop.description = errorStop_->kind;
    stop.text = errorStop_->kind + ": " + errorStop_->message;
  } else if (function) {
    stop.reason = "function breakpoint";
    stop.hitBreakpointIds.push_back(function->id);
  } else if (breakpoint) {
    ++breakpoint->hits;
    bool show = !breakpoint->hitCondition || breakpoint->hitCondition->met(breakpoint->hits);
    if (show && breakpoint->isLogPoint) {
      events_.output("console", logMessage(*breakpoint) + "\n");
      show = false;
    }
    if (!show && lastMode_ == kGo) {
      resumeEngine(kGo);
      return;
    }
    stop.reason = show ? "breakpoint" : "step";
    if (show) stop.hitBreakpointIds.push_back(breakpoint->id);
  } else if (atEntry) {
    resumeEngine(kGo);
    return;
  } else {
    // In go mode only the script itself (ludbg_break) or a run to cursor stops.
    stop.reason = lastMode_ == kGo ? (ranToCursor ? "step" : "pause") : "step";
  }
  events_.stopped(stop);
}

std::string Debugger::logMessage(const BreakpointState& breakpoint) {
  std::string text;
  for (const LogPart& part : breakpoint.logParts) {
    if (!part.isExpression) {
      text += part.text;
      continue;
    }
    PropertyInfo info = engine_->getDebugPropertyInfo(0, part.text);
    text += Evaluated(info) ? (info.type == "IS_STRING" ? info.value : DisplayValue(info))
                            : "{" + part.text + ": not available}";
  }
  return text;
}

void Debugger::finishSession(const std::string& why) {
  if (state_ == State::kEnded) return;
  state_ = State::kEnded;
  frames_.clear();
  variables_.clear();
  int exitCode = 0;
  // php ends by itself once its request ended; one that never announced
  // itself is not waited for.
  if (debuggee_ && debuggee_->process) exitCode = debuggee_->process->wait(engine_ ? 5000 : 0);
  if (output_) output_->finish(2000);
  if (!why.empty()) {
    events_.output("stderr", "lucentdebug-dap: " + why + "\n");
  }
  if (debuggee_ && debuggee_->process) events_.exited(exitCode);
  events_.terminated();
}
