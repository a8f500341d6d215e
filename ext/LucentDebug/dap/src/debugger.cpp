// The stop/resume cycle. The engine answers only while the script is stopped,
// so calls that need it are refused while it runs, and breakpoint changes
// made while it runs are sent at the next stop.
#include "debugger.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <regex>

#include "file_urls.h"
#include "value_display.h"

using nlohmann::json;

namespace {
// The filter that decides whether a stop at an error of this kind is shown;
// null for stops that are always shown.
const char* FilterOfKind(const std::string& kind) {
  if (kind == "Breakpoint condition error") return nullptr;
  if (kind == "Fatal error") return "fatal";
  if (kind == "Warning") return "warning";
  if (kind == "Notice") return "notice";
  return "other";
}
// The local IPv4 address of a connected socket; loopback when there is none.
std::string LocalAddressOf(int fd) {
  sockaddr_in address = {};
  socklen_t length = sizeof address;
  char text[INET_ADDRSTRLEN] = "";
  if (fd < 0 || getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
      address.sin_family != AF_INET || !inet_ntop(AF_INET, &address.sin_addr, text, sizeof text)) {
    return "127.0.0.1";
  }
  return text;
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

// One request being debugged: its engine connections and the state of its stop.
struct Debugger::RequestThread {
  int id = 0;
  std::string name = "PHP request";
  State state = State::kConnecting;
  bool started = false;  // announced to the editor
  bool begun = false;    // past its first stop, which waits for the configuration
  bool resumePending = false;
  bool detachAtNextStop = false;
  bool terminateAtNextStop = false;
  bool stopAtEntry = false;  // the next stop is the entry (stopOnEntry before the first statement)
  bool done = false;         // its watcher has returned
  ResumeMode lastMode = kGo;
  std::unique_ptr<EngineClient> engine;  // calls made while stopped
  std::unique_ptr<EngineClient> waiter;  // the call that waits for the next stop
  std::unique_ptr<OutputChannel> ownOutput;
  OutputChannel* output = nullptr;  // its own, or the launched php's
  int control = -1;  // the handshake connection: closing it tells the engine we are gone
  std::thread watcher;
  BreakpointManager breakpoints;  // the editor's breakpoints as this engine has them
  long temporaryBreakpoint = 0;   // run to cursor
  FrameVector frames;
  std::string contextNames = "locals globals";
  std::optional<ErrorStop> errorStop;
  // The engine says why it stopped (Requester.getStopInfo); older engines do
  // not, and their error stops are told from the output line they print.
  bool engineTellsStops = false;
  // Its engine's numbers of the function breakpoints, in their order.
  std::vector<long> functionNumbers;
  std::vector<long> functionHits;  // in the same order
  bool functionBreakpointsPending = true;
  bool thrownFilterPending = true;
  bool thrownFilterSent = false;
  // Paused through the control line only to take changed breakpoints: that
  // stop goes on at once and the editor never sees it.
  bool syncPause = false;

  ~RequestThread() {
    if (control >= 0) close(control);
  }
  void closeControl() {
    if (control >= 0) close(control);
    control = -1;
  }
};

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
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopWatching_ = true;
    // Requests still running go on by themselves once their control line closes.
    for (auto& [id, thread] : threads_) thread->closeControl();
    wake_.notify_all();
  }
  join();
}

void Debugger::join() {
  if (acceptor_.joinable()) acceptor_.join();
  std::vector<std::thread> watchers;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& [id, thread] : threads_) {
      if (thread->watcher.joinable()) watchers.push_back(std::move(thread->watcher));
    }
  }
  for (std::thread& watcher : watchers) watcher.join();
}

void Debugger::reapThreads() {
  std::vector<std::unique_ptr<RequestThread>> ended;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto thread = threads_.begin(); thread != threads_.end();) {
      if (thread->second->done) {
        ended.push_back(std::move(thread->second));
        thread = threads_.erase(thread);
      } else {
        ++thread;
      }
    }
  }
  for (auto& thread : ended) {
    if (thread->watcher.joinable()) thread->watcher.join();
  }
}

bool Debugger::servesManyRequests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return manyRequests();
}

// ---- lifecycle ------------------------------------------------------------

void Debugger::start(const json& arguments, bool launch) {
  std::lock_guard<std::mutex> lock(mutex_);
  startLocked(arguments, launch);
}

void Debugger::startLocked(const json& arguments, bool launch) {
  if (state_ != State::kIdle) throw RequestError("the session has already started");
  std::string error;
  std::unique_ptr<Debuggee> debuggee = makeDebuggee_(arguments, launch, error);
  if (!debuggee) throw RequestError(error);
  debuggee_ = std::move(debuggee);
  if (launch) launchArguments_ = arguments;
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
  acceptor_ = std::thread([this] { acceptRequests(); });
}

void Debugger::acceptRequests() {
  for (bool first = true;; first = false) {
    std::string error;
    int timeoutMs;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      // The time limit is for the first request; later ones come when they come.
      timeoutMs = first ? debuggee_->handshakeTimeoutMs : 0;
    }
    std::optional<Announcement> announcement = ReceiveAnnouncement(
        *debuggee_->listener, timeoutMs,
        [this] {
          std::lock_guard<std::mutex> lock(mutex_);
          return !stopWatching_ && state_ != State::kEnded &&
                 (!debuggee_->process || debuggee_->process->running());
        },
        error);
    reapThreads();
    std::lock_guard<std::mutex> lock(mutex_);
    if (!announcement) {
      if (!first) return;
      if (debuggee_->process && !debuggee_->process->running()) {
        error = "php ended (status " + std::to_string(debuggee_->process->wait(0)) +
                ") before its debugger announced itself; is the extension loadable?";
      }
      if (!stopWatching_) finishSession(error);
      return;
    }
    auto owned = std::make_unique<RequestThread>();
    RequestThread& thread = *owned;
    thread.id = nextThreadId_++;
    thread.control = announcement->control;
    thread.breakpoints = breakpoints_.forAnotherEngine();
    threads_[thread.id] = std::move(owned);
    thread.watcher = std::thread([this, &thread, found = *announcement] {
      if (connect(thread, found)) watch(thread);
      std::lock_guard<std::mutex> lock(mutex_);
      thread.done = true;
    });
    if (debuggee_->process) return;  // a launched php is one request
  }
}

bool Debugger::connect(RequestThread& thread, const Announcement& announcement) {
  // The handshake with the engine runs without the lock, so that requests
  // arriving together, and the editor's requests, never wait for one another.
  // Nothing else touches a thread that is still connecting but to close its
  // control line; the debuggee stays while any thread runs.
  OutputChannel* output = output_.get();
  if (!debuggee_->process) {
    thread.ownOutput = std::make_unique<OutputChannel>(
        [this](const std::string& category, const std::string& text) {
          events_.output(category, text);
        });
    output = thread.ownOutput.get();
  }
  std::unique_ptr<EngineClient> engine, waiter;
  std::string contextNames, name = thread.name, failure;
  FrameVector frames;
  bool engineTellsStops = false;
  try {
    engine = std::make_unique<EngineClient>(announcement.engineHost, announcement.port,
                                            announcement.cookie);
    waiter = std::make_unique<EngineClient>(announcement.engineHost, announcement.port,
                                            announcement.cookie);
    engine->hello();
    contextNames = engine->getContextNamesAsString();
    // The output comes back to the address the request reached the adapter at.
    std::string listenError, here = LocalAddressOf(announcement.control);
    std::unique_ptr<Listener> stdoutListener = Listener::open(here, 0, listenError);
    std::unique_ptr<Listener> stderrListener = Listener::open(here, 0, listenError);
    if (stdoutListener) {
      engine->redirectStdout(stdoutListener->port());
      // The engine connects during the call, so the connection is queued now.
      int fd = stdoutListener->accept(5000);
      if (fd >= 0) {
        output->addStream(fd, "stdout");
        if (phpStdout_ >= 0) output->mute(phpStdout_);
      }
    }
    if (stderrListener) {
      engine->redirectStderr(stderrListener->port());
      int fd = stderrListener->accept(0);
      if (fd >= 0) output->addStream(fd, "stderr");
    }
    frames = engine->getFrames();
    try {
      engine->getStopInfo();
      engineTellsStops = true;
    } catch (const EngineError& error) {
      if (error.lost()) throw;
    }
    try {
      RequestInfo info = engine->getRequestInfo();
      name = info.method.empty() ? info.uri : info.method + " " + info.uri;
    } catch (const EngineError& error) {
      if (error.lost()) throw;
    }
  } catch (const EngineError& error) {
    failure = error.what();
  }
  std::lock_guard<std::mutex> lock(mutex_);
  thread.output = output;
  thread.engine = std::move(engine);
  thread.waiter = std::move(waiter);
  if (!failure.empty()) {
    finishThread(thread, failure);
    return false;
  }
  thread.contextNames = contextNames;
  thread.name = name;
  thread.frames = frames;
  thread.engineTellsStops = engineTellsStops;
  thread.state = State::kStopped;
  thread.lastMode = kStepInto;
  if (manyRequests()) {
    thread.started = true;
    events_.thread("started", thread.id);
  }
  if (currentThread_ == 0) currentThread_ = thread.id;
  if (!initializedSent_) {
    // The configuration goes to the first request, held at its first statement.
    initializedSent_ = true;
    events_.initialized();
  } else if (configured_) {
    beginThread(thread);
  }
  return thread.state != State::kEnded;
}

void Debugger::restart(const std::optional<json>& arguments) {
  json launch;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!debuggee_ || !debuggee_->launched) {
      throw RequestError("restart is for launched scripts; attach to the next request instead");
    }
    launch = arguments.value_or(launchArguments_);
    restarting_ = true;
    stopWatching_ = true;
    for (auto& [id, thread] : threads_) thread->closeControl();
    if (debuggee_->process) debuggee_->process->kill();
    wake_.notify_all();
  }
  join();
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& [id, thread] : threads_) handles_.forget(id);
  threads_.clear();
  sourceReferences_.clear();
  if (output_) output_->finish(2000);
  output_.reset();
  debuggee_.reset();
  nextThreadId_ = 1;
  currentThread_ = 0;
  phpStdout_ = -1;
  stopWatching_ = restarting_ = false;
  state_ = State::kIdle;
  startLocked(launch, true);
}

void Debugger::configurationDone() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (configured_ || !initializedSent_) return;
  configured_ = true;
  for (auto& [id, thread] : threads_) {
    if (thread->state == State::kStopped && !thread->begun) beginThread(*thread);
  }
}

void Debugger::beginThread(RequestThread& thread) {
  thread.begun = true;
  try {
    syncBreakpoints(thread);
    if (debuggee_->stopOnEntry && !thread.frames.empty()) {
      StopReport stop;
      stop.threadId = thread.id;
      stop.allThreadsStopped = !manyRequests();
      stop.reason = "entry";
      currentThread_ = thread.id;
      events_.stopped(stop);
    } else if (debuggee_->stopOnEntry) {
      // Waiting before the first statement (modes 2 and 5): the entry is one step on.
      resumeEngine(thread, kStepInto);
      thread.stopAtEntry = true;
    } else {
      // The first statement may itself carry a breakpoint, which going on would pass.
      thread.lastMode = kGo;
      handleStop(thread, thread.frames, true);
    }
  } catch (const EngineError& error) {
    // Already answered: the failure ends the request instead.
    finishThread(thread, error.lost() ? "" : error.what());
  }
}

void Debugger::terminate() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (debuggee_ && debuggee_->process) {
    // A launched php ends at once, stopped or not.
    auto thread = threads_.begin();
    if (thread != threads_.end() && thread->second->state == State::kStopped) {
      resumeEngine(*thread->second, kResumeStop);
    } else if (state_ != State::kEnded) {
      debuggee_->process->kill();
    }
    return;
  }
  for (auto& [id, thread] : threads_) {
    try {
      if (thread->state == State::kStopped) {
        resumeEngine(*thread, kResumeStop);
      } else if (thread->state == State::kRunning || thread->state == State::kConnecting) {
        thread->terminateAtNextStop = true;
      }
    } catch (const EngineError&) {
      // That request ended meanwhile.
    }
  }
}

void Debugger::detach(RequestThread& thread, bool terminateDebuggee) {
  try {
    if (thread.state == State::kStopped) {
      if (terminateDebuggee) {
        resumeEngine(thread, kResumeStop);
      } else {
        thread.breakpoints.removeAll(breakpointEngine(thread));
        resumeEngine(thread, kGo);
      }
      thread.resumePending = false;  // nobody waits for what comes next
    } else if (thread.state == State::kRunning || thread.state == State::kConnecting) {
      if (terminateDebuggee && debuggee_->process) {
        debuggee_->process->kill();
      } else if (thread.state == State::kRunning) {
        // The engine hears nothing until its next stop: settle it there.
        (terminateDebuggee ? thread.terminateAtNextStop : thread.detachAtNextStop) = true;
      }
    }
  } catch (const EngineError&) {
    // The request ended meanwhile; nothing is left to settle.
  }
  // Closing the control line lets a request run to its end, even from a stop;
  // its engine then never stops again, so nothing waits for its next stop.
  if (!terminateDebuggee && thread.control >= 0) {
    thread.closeControl();
    if (thread.state == State::kRunning && thread.waiter) thread.waiter->interrupt();
  }
}

void Debugger::disconnect(std::optional<bool> terminate) {
  std::lock_guard<std::mutex> lock(mutex_);
  bool terminateDebuggee = terminate.value_or(debuggee_ && debuggee_->launched);
  stopWatching_ = true;
  if (threads_.empty() && terminateDebuggee && debuggee_ && debuggee_->process) {
    debuggee_->process->kill();  // it has not announced itself yet
  }
  for (auto& [id, thread] : threads_) detach(*thread, terminateDebuggee);
  wake_.notify_all();
}

// ---- breakpoints ----------------------------------------------------------

BreakpointEngine Debugger::breakpointEngine(RequestThread& thread) {
  EngineClient* engine = thread.engine.get();
  const PathMap* paths = &debuggee_->paths;
  return BreakpointEngine{
      [engine, paths](const std::string& path, int line, const std::string& cond) {
        return engine->addBreakpoint(paths->toServer(path), line, false, cond);
      },
      [engine](long number) { engine->removeBreakpoint(number); },
      [engine, paths](long number) -> std::optional<BreakpointResolution> {
        try {
          BreakpointResolution resolution = engine->getBreakpointInfo(number);
          resolution.file = paths->toLocal(resolution.file);
          return resolution;
        } catch (const EngineError& error) {
          if (error.lost()) throw;
          return std::nullopt;  // an engine that does not say
        }
      }};
}

void Debugger::reportIfChanged(const BreakpointState& state) {
  auto known = reported_.find(state.id);
  if (known != reported_.end() && known->second.verified == state.verified &&
      known->second.spec.line == state.spec.line &&
      known->second.resolvedLine == state.resolvedLine && known->second.message == state.message) {
    return;  // another request's engine took it just as the earlier ones did
  }
  reported_[state.id] = state;
  events_.breakpointChanged(state);
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

// Why a function breakpoint cannot be set, or nothing.
std::string ProblemOf(const FunctionBreakpointSpec& spec) {
  if (!IsFunctionName(spec.name)) return "not a function or method name: " + spec.name;
  if (!spec.hitCondition.empty() && !ParseHitCondition(spec.hitCondition)) {
    return "bad hit condition: " + spec.hitCondition;
  }
  return "";
}
}  // namespace

void Debugger::syncFunctionBreakpoints(RequestThread& thread) {
  if (!thread.functionBreakpointsPending) return;
  thread.functionBreakpointsPending = false;
  for (long number : thread.functionNumbers) {
    if (number > 0) thread.engine->removeBreakpoint(number);
  }
  thread.functionNumbers.clear();
  thread.functionHits.assign(functionBreakpoints_.size(), 0);
  for (FunctionBreakpointState& state : functionBreakpoints_) {
    long number = 0;
    std::string message = ProblemOf(state.spec);
    if (message.empty()) {
      try {
        number = thread.engine->addFunctionBreakpoint(state.spec.name, state.spec.condition);
      } catch (const EngineError& error) {
        if (error.lost()) throw;
        message = "this engine has no function breakpoints";
      }
    }
    thread.functionNumbers.push_back(number);
    if (state.verified != (number > 0) || state.message != message) {
      state.verified = number > 0;
      state.message = message;
      events_.functionBreakpointChanged(state);
    }
  }
}

void Debugger::syncThrownFilter(RequestThread& thread) {
  if (!thread.thrownFilterPending) return;
  thread.thrownFilterPending = false;
  // Each request starts with none, so a new one needs no empty filter.
  if (!thread.thrownFilterSent && !thrownFilter_.all && !thrownFilter_.uncaught) return;
  try {
    thread.engine->setExceptionBreakpoints(thrownFilter_);
    thread.thrownFilterSent = true;
  } catch (const EngineError& error) {
    if (error.lost()) throw;  // an engine without exception stops has nothing to turn off
  }
}

std::vector<FunctionBreakpointState> Debugger::setFunctionBreakpoints(
    const std::vector<FunctionBreakpointSpec>& specs) {
  std::lock_guard<std::mutex> lock(mutex_);
  // A stopped request takes them before the answer, which says what its
  // engine made of them; events tell only where that differs from the guess.
  bool anyStopped = false;
  for (auto& [id, thread] : threads_) anyStopped = anyStopped || thread->state == State::kStopped;
  functionBreakpoints_.clear();
  for (const FunctionBreakpointSpec& spec : specs) {
    FunctionBreakpointState state;
    state.id = nextFunctionBreakpointId_++;
    state.spec = spec;
    state.hitCondition = ParseHitCondition(spec.hitCondition);
    const std::string problem = ProblemOf(spec);
    state.verified = anyStopped && problem.empty();
    state.message = !problem.empty() ? problem
                    : anyStopped     ? ""
                                     : "sent to the engine at the next stop";
    functionBreakpoints_.push_back(state);
  }
  changeOnRequests(&RequestThread::functionBreakpointsPending);
  return functionBreakpoints_;
}

bool Debugger::changeOnRequests(bool RequestThread::*pending) {
  bool anyStopped = false;
  for (auto& entry : threads_) {
    // Not a structured binding: lambdas may not capture one before C++20.
    auto& thread = entry.second;
    if (thread->state == State::kEnded) continue;
    (*thread).*pending = true;
    stopToSync(*thread);
    if (thread->state != State::kStopped) continue;
    onThread(*thread, [&] {
      syncBreakpoints(*thread);
      return 0;
    });
    anyStopped = true;
  }
  return anyStopped;
}

void Debugger::stopToSync(RequestThread& thread) {
  // Without the engine's stop reasons that stop could not be told from the user's.
  if (thread.state != State::kRunning || thread.syncPause || thread.control < 0 ||
      !thread.engineTellsStops) {
    return;
  }
  static const char kPause[] = "pause\n";
  if (send(thread.control, kPause, sizeof kPause - 1, MSG_NOSIGNAL | MSG_DONTWAIT) > 0) {
    thread.syncPause = true;
  }
}

void Debugger::syncBreakpoints(RequestThread& thread) {
  syncFunctionBreakpoints(thread);
  syncThrownFilter(thread);
  // Files compiled since the last stop say where their breakpoints stand.
  for (const BreakpointState& state : thread.breakpoints.resolve(breakpointEngine(thread))) {
    reportIfChanged(state);
  }
  if (!thread.breakpoints.pending()) return;
  for (const BreakpointState& state : thread.breakpoints.sync(breakpointEngine(thread))) {
    reportIfChanged(state);
  }
}

std::vector<BreakpointState> Debugger::setBreakpoints(const std::string& path,
                                                      const std::vector<BreakpointSpec>& specs) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<BreakpointState> states = breakpoints_.set(path, specs);
  // The answer tells what the first stopped request's engine made of them;
  // the other requests' engines report only where they differ.
  bool answered = false;
  for (auto& [id, thread] : threads_) {
    if (thread->state == State::kEnded) continue;
    thread->breakpoints.set(path, specs);
    stopToSync(*thread);
    if (thread->state != State::kStopped) continue;
    try {
      if (!answered) {
        thread->breakpoints.sync(breakpointEngine(*thread));
        states = thread->breakpoints.of(path);
        for (const BreakpointState& state : states) reported_[state.id] = state;
        answered = true;
      } else {
        syncBreakpoints(*thread);
      }
    } catch (const EngineError& error) {
      if (!error.lost()) throw;
      // That request ended meanwhile; its watcher reports it.
    }
  }
  if (!answered) {
    for (const BreakpointState& state : states) reported_[state.id] = state;
  }
  return states;
}

void Debugger::setExceptionFilters(const std::set<std::string>& filters,
                                   const ExceptionFilter& thrown) {
  std::lock_guard<std::mutex> lock(mutex_);
  exceptionFilters_ = filters;
  thrownFilter_ = thrown;
  changeOnRequests(&RequestThread::thrownFilterPending);
}

// ---- threads --------------------------------------------------------------

Debugger::RequestThread* Debugger::threadOf(int threadId) {
  if (threadId != 0) {
    auto found = threads_.find(threadId);
    return found == threads_.end() || found->second->state == State::kEnded ? nullptr
                                                                            : found->second.get();
  }
  // The thread that stopped last, else any stopped one, else any at all.
  RequestThread* current = threadOf(currentThread_ == 0 ? -1 : currentThread_);
  if (current && current->state == State::kStopped) return current;
  RequestThread* live = current;
  for (auto& [id, thread] : threads_) {
    if (thread->state == State::kStopped) return thread.get();
    if (!live && thread->state != State::kEnded) live = thread.get();
  }
  return live;
}

void Debugger::requireStopped(const RequestThread* thread, const std::string& what) const {
  if (thread && thread->state == State::kRunning) {
    throw RequestError("the script is running; " + what + " is possible only while it is stopped");
  }
  if (!thread || thread->state != State::kStopped) {
    throw RequestError("no script is stopped; " + what + " is not possible now");
  }
}

Debugger::RequestThread& Debugger::stoppedThread(int threadId, const std::string& what) {
  RequestThread* thread = threadOf(threadId);
  requireStopped(thread, what);
  return *thread;
}

Debugger::RequestThread& Debugger::threadOfFrame(int frameId, const std::string& what, int& depth) {
  if (frameId == 0) {
    depth = 0;
    return stoppedThread(0, what);
  }
  const VariableContainer* frame = handles_.find(frameId);
  if (!frame || !frame->context.empty()) {
    // A frame of a request that went on, or never one at all.
    RequestThread* thread = threadOf(frame ? frame->thread : 0);
    requireStopped(thread, what);
    throw RequestError("unknown frame " + std::to_string(frameId));
  }
  depth = frame->depth;
  return stoppedThread(frame->thread, what);
}

template <typename Call>
auto Debugger::onThread(RequestThread& thread, Call call) -> decltype(call()) {
  try {
    return call();
  } catch (const EngineError& error) {
    // php went away while stopped (killed from outside): that request is over.
    if (error.lost()) finishThread(thread, "php ended while stopped");
    throw;
  }
}

std::vector<ThreadView> Debugger::threads() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<ThreadView> result;
  for (auto& [id, thread] : threads_) {
    if (thread->state == State::kEnded || (manyRequests() && !thread->started)) continue;
    result.push_back({thread->id, thread->name});
  }
  // One request, before or after it came: its thread is listed all along.
  if (!manyRequests() && result.empty()) result.push_back({1, "PHP request"});
  return result;
}

// ---- execution ------------------------------------------------------------

void Debugger::resumeEngine(RequestThread& thread, ResumeMode mode) {
  // Only output after this point can explain the next stop; it is cleared
  // first because the script runs (and writes) as soon as the call returns.
  thread.output->takeRecent("stdout");
  thread.engine->resumeExecution(mode);
  thread.state = State::kRunning;
  thread.lastMode = mode;
  handles_.forget(thread.id);
  thread.frames.clear();
  thread.errorStop.reset();
  thread.stopAtEntry = false;
  thread.resumePending = true;
  wake_.notify_all();
}

void Debugger::resume(int threadId, ResumeMode mode, const std::string& what) {
  std::lock_guard<std::mutex> lock(mutex_);
  RequestThread& thread = stoppedThread(threadId, what);
  onThread(thread, [&] { resumeEngine(thread, mode); });
}

void Debugger::runToCursor(int threadId, const std::string& path, int line) {
  std::lock_guard<std::mutex> lock(mutex_);
  RequestThread& thread = stoppedThread(threadId, "runToCursor");
  onThread(thread, [&] {
    // A temporary breakpoint ends with its first stop in the engine; one that
    // is not reached is removed at whatever stop comes first.
    thread.temporaryBreakpoint =
        thread.engine->addBreakpoint(debuggee_->paths.toServer(path), line, true, "");
    resumeEngine(thread, kGo);
  });
}

void Debugger::pause(int threadId) {
  std::lock_guard<std::mutex> lock(mutex_);
  RequestThread* thread = threadOf(threadId);
  for (auto& [id, candidate] : threads_) {
    // No thread named: the one running, if one is.
    if (threadId == 0 && candidate->state == State::kRunning) thread = candidate.get();
  }
  if (thread && thread->state == State::kStopped) return;  // already stopped
  if (!thread || thread->state != State::kRunning) throw RequestError("no script is running");
  thread->syncPause = false;  // whichever pause comes now is the user's
  // The engine stops at the next statement and the waiting call reports it.
  static const char kPause[] = "pause\n";
  if (thread->control < 0 ||
      send(thread->control, kPause, sizeof kPause - 1, MSG_NOSIGNAL | MSG_DONTWAIT) < 0) {
    throw RequestError(
        "this php cannot be paused (its engine keeps no control connection); set a breakpoint "
        "or call ludbg_break() in the script");
  }
}

// ---- inspection -----------------------------------------------------------

std::string Debugger::pathOf(const std::string& engineFile) const {
  char path[kPathBufferSize];
  return debuggee_->paths.toLocal(LocalPathFromUrl(engineFile.c_str(), path));
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

std::vector<FrameView> Debugger::stackTrace(int threadId, size_t start, int levels, size_t& total) {
  std::lock_guard<std::mutex> lock(mutex_);
  RequestThread& thread = stoppedThread(threadId, "stackTrace");
  std::vector<FrameView> frames;
  for (size_t depth = start; depth < thread.frames.size(); ++depth) {
    if (levels > 0 && frames.size() >= static_cast<size_t>(levels)) break;
    const Frame& frame = thread.frames[depth];
    int id = handles_.reference({"", static_cast<int>(depth), "", thread.id});
    frames.push_back({id, FrameName(frame), frame.lineno, sourceOf(frame.file)});
  }
  total = thread.frames.size();
  return frames;
}

std::vector<ScopeView> Debugger::scopes(int frameId) {
  std::lock_guard<std::mutex> lock(mutex_);
  int depth = 0;
  RequestThread& thread = threadOfFrame(frameId, "scopes", depth);
  std::vector<ScopeView> scopes;
  const std::string& names = thread.contextNames;
  size_t at = 0;
  while (at < names.size()) {
    size_t end = names.find(' ', at);
    if (end == std::string::npos) end = names.size();
    std::string name = names.substr(at, end - at);
    at = end + 1;
    if (name.empty()) continue;
    scopes.push_back({name, handles_.reference({name, depth, "", thread.id})});
  }
  return scopes;
}

PropertyInfoVector Debugger::childrenOf(RequestThread& thread, const VariableContainer& container) {
  return onThread(thread, [&] {
    return container.expression.empty()
               ? thread.engine->getContext(container.context, container.depth)
               : thread.engine->getChildrenInfos(container.context, container.depth,
                                                 container.expression);
  });
}

ValueView Debugger::valueOf(RequestThread& thread, const PropertyInfo& info,
                            const std::string& context, int depth) {
  ValueView view{info, 0};
  if (info.hasChildren) {
    VariableContainer container{context, depth, info.name.fullName, thread.id};
    container.pagedByIndex = PagedByIndex(info);
    container.isObject = info.type == "IS_OBJECT";
    view.reference = handles_.reference(container);
  }
  return view;
}

VariableContainer Debugger::containerOf(int reference) {
  const VariableContainer* found = handles_.find(reference);
  if (!found || found->context.empty()) {
    throw RequestError("unknown variablesReference " + std::to_string(reference));
  }
  return *found;
}

// A page of a value's children is listed by the engine, not cut from all of
// them here; an engine that lists everything (it predates paging) is cut.
std::vector<ValueView> Debugger::variables(int reference, const ChildPage& page) {
  std::lock_guard<std::mutex> lock(mutex_);
  const VariableContainer* known = handles_.find(reference);
  requireStopped(threadOf(known ? known->thread : 0), "variables");
  VariableContainer container = containerOf(reference);
  RequestThread& thread = stoppedThread(container.thread, "variables");
  std::vector<ValueView> result;
  // Children paged by index have no named ones.
  if (page.filter == "named" && container.pagedByIndex) return result;
  const bool paged = page.start > 0 || page.count > 0;
  PropertyInfoVector children;
  if (paged && !container.expression.empty()) {
    children = onThread(thread, [&] {
      return thread.engine->getChildrenInfos(container.context, container.depth,
                                             container.expression,
                                             ChildRange{page.start, page.count, false});
    });
  } else {
    children = childrenOf(thread, container);
  }
  if (paged && (container.expression.empty() || (page.count > 0 && children.size() > page.count))) {
    const size_t from = std::min<size_t>(page.start, children.size());
    const size_t to =
        page.count == 0 ? children.size() : std::min<size_t>(from + page.count, children.size());
    children = PropertyInfoVector(children.begin() + from, children.begin() + to);
  }
  if (container.isObject && !paged && page.filter != "indexed") {
    try {
      for (PropertyInfo& info : thread.engine->getChildrenInfos(
               container.context, container.depth, container.expression, ChildRange{0, 0, true})) {
        if (info.isStatic) children.push_back(std::move(info));
      }
    } catch (const EngineError& error) {
      if (error.lost()) throw;  // an engine without statics has the object's own only
    }
  }
  for (const PropertyInfo& info : children) {
    result.push_back(valueOf(thread, info, container.context, container.depth));
  }
  return result;
}

ValueView Debugger::evaluate(int frameId, const std::string& expression) {
  std::lock_guard<std::mutex> lock(mutex_);
  int depth = 0;
  RequestThread& thread = threadOfFrame(frameId, "evaluate", depth);
  const PathMap& paths = debuggee_->paths;
  PropertyInfo info = onThread(thread, [&] {
    return thread.engine->getDebugPropertyInfo(depth, paths.toServerInLiterals(expression));
  });
  if (!Evaluated(info)) throw RequestError("cannot evaluate " + expression);
  // A file name such as __FILE__ reads as the editor's copy (a string with
  // the engine's byte escapes is no file name).
  if (info.type == "IS_STRING" && info.display == info.value) {
    info.value = info.display = paths.valueToLocal(info.value);
  }
  return valueOf(thread, info, "locals", depth);
}

ValueView Debugger::setVariable(int reference, const std::string& name, const std::string& value) {
  std::lock_guard<std::mutex> lock(mutex_);
  const VariableContainer* known = handles_.find(reference);
  requireStopped(threadOf(known ? known->thread : 0), "setVariable");
  VariableContainer container = containerOf(reference);
  RequestThread& thread = stoppedThread(container.thread, "setVariable");
  std::string fullName;
  for (const PropertyInfo& info : childrenOf(thread, container)) {
    if (info.name.name == name) fullName = info.name.fullName;
  }
  if (fullName.empty()) throw RequestError("no variable " + name + " here");
  PropertyInfo info = onThread(thread, [&] {
    thread.engine->setDebugProperty(container.context, container.depth, fullName,
                                    debuggee_->paths.toServerInLiterals(value));
    // Reading back goes through the "locals" context: the globals are the
    // outermost frame's locals.
    int depth = container.context == "globals" && !thread.frames.empty()
                    ? static_cast<int>(thread.frames.size()) - 1
                    : container.depth;
    return thread.engine->getDebugPropertyInfo(depth, fullName);
  });
  return valueOf(thread, info, container.context, container.depth);
}

ValueView Debugger::setExpression(int frameId, const std::string& expression,
                                  const std::string& value) {
  std::lock_guard<std::mutex> lock(mutex_);
  int depth = 0;
  RequestThread& thread = threadOfFrame(frameId, "setExpression", depth);
  PropertyInfo info = onThread(thread, [&] {
    thread.engine->setDebugProperty("locals", depth, expression,
                                    debuggee_->paths.toServerInLiterals(value));
    return thread.engine->getDebugPropertyInfo(depth, expression);
  });
  if (!Evaluated(info)) throw RequestError("cannot assign to " + expression);
  return valueOf(thread, info, "locals", depth);
}

ErrorStop Debugger::exceptionInfo(int threadId) {
  std::lock_guard<std::mutex> lock(mutex_);
  RequestThread& thread = stoppedThread(threadId, "exceptionInfo");
  if (!thread.errorStop) throw RequestError("the script is not stopped at an error");
  return *thread.errorStop;
}

std::string Debugger::sourceCode(int reference, const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  RequestThread& thread = stoppedThread(0, "source");
  std::string file = path.empty() ? path : debuggee_->paths.toServer(path);
  if (reference > 0 && static_cast<size_t>(reference) <= sourceReferences_.size()) {
    file = sourceReferences_[reference - 1];
  }
  if (file.empty()) throw RequestError("unknown source");
  return onThread(thread, [&] { return thread.engine->getSourceCode(file); });
}

// ---- the engine side ------------------------------------------------------

void Debugger::watch(RequestThread& thread) {
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [&] {
        return thread.resumePending || stopWatching_ || thread.state == State::kEnded;
      });
      if (!thread.resumePending || thread.state == State::kEnded) return;
      thread.resumePending = false;
    }
    FrameVector frames;
    try {
      frames = thread.waiter->getFrames();
    } catch (const EngineError& error) {
      std::lock_guard<std::mutex> lock(mutex_);
      // A request let go at disconnect is interrupted with no more to say.
      finishThread(thread, error.lost() || stopWatching_ ? "" : error.what());
      return;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    try {
      handleStop(thread, frames, false);
    } catch (const EngineError& error) {
      finishThread(thread, error.lost() ? "" : error.what());
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

std::optional<ErrorStop> Debugger::errorStopOf(RequestThread& thread, bool atEntry,
                                               const std::optional<StopInfo>& stop,
                                               const std::string& recentOutput) {
  if (atEntry) return std::nullopt;
  if (thread.engineTellsStops && stop) {
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
                     "PHP " + info.type + ":  " + info.message + " in " + pathOf(info.file) +
                         " on line " + std::to_string(info.line),
                     info.reason == "exception"};
  }
  std::optional<std::smatch> match = ErrorMessageAtEnd(recentOutput);
  if (!match) return std::nullopt;
  return ErrorStop{(*match)[1], (*match)[2], (*match)[0].str().substr(1)};
}

void Debugger::handleStop(RequestThread& thread, const FrameVector& frames, bool atEntry) {
  thread.state = State::kStopped;
  thread.frames = frames;
  handles_.forget(thread.id);
  thread.errorStop.reset();
  syncBreakpoints(thread);
  bool ranToCursor = thread.temporaryBreakpoint > 0;
  if (thread.temporaryBreakpoint > 0) {
    thread.engine->removeBreakpoint(thread.temporaryBreakpoint);
    thread.temporaryBreakpoint = 0;
  }
  thread.output->drain();
  std::string recent = thread.output->takeRecent("stdout");
  if (thread.detachAtNextStop || thread.terminateAtNextStop) {
    if (thread.detachAtNextStop) thread.breakpoints.removeAll(breakpointEngine(thread));
    resumeEngine(thread, thread.terminateAtNextStop ? kResumeStop : kGo);
    thread.detachAtNextStop = thread.terminateAtNextStop = false;
    if (stopWatching_) thread.resumePending = false;
    return;
  }
  StopReport stop;
  stop.threadId = thread.id;
  stop.allThreadsStopped = !manyRequests();
  std::optional<StopInfo> info;
  if (thread.engineTellsStops && !atEntry) info = thread.engine->getStopInfo();
  if (thread.syncPause && info && info->reason == "pause") {
    thread.syncPause = false;
    resumeEngine(thread, thread.lastMode);
    return;
  }
  std::optional<ErrorStop> error = errorStopOf(thread, atEntry, info, recent);
  BreakpointState* breakpoint =
      frames.empty() ? nullptr : thread.breakpoints.at(pathOf(frames[0].file), frames[0].lineno);
  const FunctionBreakpointState* functionBreakpoint = nullptr;
  long* functionHits = nullptr;
  for (size_t i = 0; info && info->reason == "function" && i < thread.functionNumbers.size() &&
                     i < thread.functionHits.size() && i < functionBreakpoints_.size();
       ++i) {
    if (thread.functionNumbers[i] == info->breakpoint) {
      functionBreakpoint = &functionBreakpoints_[i];
      functionHits = &thread.functionHits[i];
    }
  }
  if (thread.stopAtEntry) {
    thread.stopAtEntry = false;
    stop.reason = "entry";
  } else if (error) {
    thread.errorStop = error;
    const char* filter = error->exception ? nullptr : FilterOfKind(error->kind);
    if (filter != nullptr && !exceptionFilters_.count(filter)) {
      resumeEngine(thread, thread.lastMode);
      return;
    }
    stop.reason = "exception";
    stop.description = error->kind;
    stop.text = error->kind + ": " + error->message;
  } else if (functionBreakpoint || breakpoint) {
    // A hit that its hit condition (or a log message) keeps from showing
    // resumes a run, and ends a step as a step.
    bool show = false;
    if (functionBreakpoint) {
      show = !functionBreakpoint->hitCondition ||
             functionBreakpoint->hitCondition->met(++*functionHits);
    } else {
      ++breakpoint->hits;
      show = !breakpoint->hitCondition || breakpoint->hitCondition->met(breakpoint->hits);
      if (show && breakpoint->isLogPoint) {
        events_.output("console", logMessage(thread, *breakpoint) + "\n");
        show = false;
      }
    }
    if (!show && thread.lastMode == kGo) {
      resumeEngine(thread, kGo);
      return;
    }
    stop.reason = !show ? "step" : functionBreakpoint ? "function breakpoint" : "breakpoint";
    if (show)
      stop.hitBreakpointIds.push_back(functionBreakpoint ? functionBreakpoint->id : breakpoint->id);
  } else if (atEntry) {
    resumeEngine(thread, kGo);
    return;
  } else {
    // In go mode only the script itself (ludbg_break) or a run to cursor stops.
    stop.reason = thread.lastMode == kGo ? (ranToCursor ? "step" : "pause") : "step";
  }
  currentThread_ = thread.id;
  events_.stopped(stop);
}

std::string Debugger::logMessage(RequestThread& thread, const BreakpointState& breakpoint) {
  std::string text;
  for (const LogPart& part : breakpoint.logParts) {
    if (!part.isExpression) {
      text += part.text;
      continue;
    }
    PropertyInfo info = thread.engine->getDebugPropertyInfo(0, part.text);
    text += Evaluated(info) ? (info.type == "IS_STRING" ? info.value : DisplayValue(info))
                            : "{" + part.text + ": not available}";
  }
  return text;
}

void Debugger::finishThread(RequestThread& thread, const std::string& why) {
  if (thread.state == State::kEnded) return;
  bool connected = thread.engine != nullptr;
  thread.state = State::kEnded;
  thread.frames.clear();
  handles_.forget(thread.id);
  thread.closeControl();
  wake_.notify_all();
  if (!manyRequests()) {
    finishSession(why, connected);
    return;
  }
  // A request let go at disconnect writes on for nobody.
  if (thread.ownOutput) thread.ownOutput->finish(stopWatching_ ? 0 : 2000);
  if (!why.empty()) events_.output("stderr", "lucentdebug-dap: " + why + "\n");
  if (thread.started) events_.thread("exited", thread.id);
}

void Debugger::finishSession(const std::string& why, bool connected) {
  if (state_ == State::kEnded) return;
  state_ = State::kEnded;
  if (restarting_) return;  // the session goes on with the next php
  int exitCode = 0;
  // php ends by itself once its request ended; one that never announced
  // itself is not waited for.
  if (debuggee_ && debuggee_->process) exitCode = debuggee_->process->wait(connected ? 5000 : 0);
  if (output_) output_->finish(2000);
  if (!why.empty()) {
    events_.output("stderr", "lucentdebug-dap: " + why + "\n");
  }
  if (debuggee_ && debuggee_->process) events_.exited(exitCode);
  events_.terminated();
}
