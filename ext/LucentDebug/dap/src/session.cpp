// Request dispatch and the stop/resume cycle. The engine answers only while the
// script is stopped, so requests that need it are refused while it runs, and
// breakpoint changes made while it runs are sent at the next stop.
#include "session.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <functional>
#include <limits>
#include <map>
#include <regex>

#include "file_urls.h"
#include "json_fields.h"

using nlohmann::json;

namespace {
// A request that cannot be served; its text becomes the error response.
class RequestError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

constexpr int kThreadId = 1;

struct Filter {
  const char* id;
  const char* label;
  bool byDefault;
};
// The errors at which the engine stops, by the name in its message. The engine
// names PHP notices "Warning", so they go with the warnings.
const Filter kFilters[] = {
    {"fatal", "Fatal errors (errors, user errors)", true},
    {"warning", "Warnings and notices", true},
    {"notice", "User notices", true},
    {"other", "Other errors (deprecations and the like)", false},
};

// The filter that decides whether a stop at an error of this kind is shown;
// null for stops that are always shown.
const char* FilterOfKind(const std::string& kind) {
  if (kind == "Breakpoint condition error") return nullptr;
  if (kind == "Fatal error") return "fatal";
  if (kind == "Warning") return "warning";
  if (kind == "Notice") return "notice";
  return "other";
}

std::string DisplayType(const std::string& engineType) {
  static const std::map<std::string, std::string> kNames = {
      {"IS_NULL", "null"},     {"IS_BOOL", "bool"},         {"IS_LONG", "int"},
      {"IS_DOUBLE", "float"},  {"IS_STRING", "string"},     {"IS_ARRAY", "array"},
      {"IS_OBJECT", "object"}, {"IS_RESOURCE", "resource"}, {"IS_CONSTANT", "constant"}};
  auto found = kNames.find(engineType);
  return found == kNames.end() ? engineType : found->second;
}

// Values are shown the way PHP code writes them, so that what the user sees
// can be typed back into setVariable.
std::string DisplayValue(const PropertyInfo& info) {
  if (info.type == "IS_NULL") return "null";
  if (info.type == "IS_BOOL") return info.value == "1" ? "true" : "false";
  if (info.type == "IS_ARRAY") return "array";
  if (info.type == "IS_OBJECT") return "object";
  if (info.type == "IS_RESOURCE") return "resource";
  if (info.type == "IS_STRING") {
    std::string quoted = "\"";
    for (char c : info.value) {
      if (c == '"' || c == '\\' || c == '$') quoted += '\\';
      quoted += c;
    }
    return quoted + "\"";
  }
  return info.value;
}

std::string BaseName(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

const json& ArgumentsOf(const json& request) {
  static const json kNone = json::object();
  auto found = request.find("arguments");
  return found != request.end() && found->is_object() ? *found : kNone;
}

// Optional members of request arguments, read with their type checked (a
// wrong type is a FieldError, answered as an error response); absent or null
// members give the fallback. Integers are the protocol's 32-bit ones.
void ReadMember(const json& object, const char* name, int& value) {
  value = static_cast<int>(protocol::IntegerField(object, name, "arguments"));
}
void ReadMember(const json& object, const char* name, bool& value) {
  value = protocol::BooleanField(object, name, "arguments");
}
void ReadMember(const json& object, const char* name, std::string& value) {
  value = protocol::StringField(object, name, "arguments");
}
void ReadMember(const json& object, const char* name, json& value) { value = object.at(name); }

template <typename T>
T OptionalMember(const json& object, const char* name, T fallback) {
  if (!protocol::HasField(object, name)) return fallback;
  ReadMember(object, name, fallback);
  return fallback;
}

template <typename T>
T RequiredMember(const json& object, const char* name) {
  if (!protocol::HasField(object, name)) {
    throw RequestError(std::string("\"") + name + "\" is required");
  }
  return OptionalMember<T>(object, name, T());
}

// The members of an array argument that must hold objects.
const json& ArrayMember(const json& object, const char* name) {
  static const json kEmpty = json::array();
  return protocol::HasField(object, name) ? protocol::ArrayField(object, name, "arguments")
                                          : kEmpty;
}

// The request's "seq" and "command" for its response, whatever the message held.
long SeqOf(const json& request) {
  auto seq = request.is_object() ? request.find("seq") : request.end();
  return request.is_object() && seq != request.end() && seq->is_number_integer() ? seq->get<long>()
                                                                                 : 0;
}
std::string CommandOf(const json& request) {
  auto command = request.is_object() ? request.find("command") : request.end();
  return request.is_object() && command != request.end() && command->is_string()
             ? command->get<std::string>()
             : "";
}
}  // namespace

Session::Session(DapTransport& transport, DebuggeeFactory makeDebuggee)
    : transport_(transport), makeDebuggee_(std::move(makeDebuggee)) {
  if (!makeDebuggee_) {
    makeDebuggee_ = [](const json& arguments, bool launch, std::string& error) {
      return launch ? LaunchDebuggee(arguments, error) : AttachDebuggee(arguments, error);
    };
  }
  for (const Filter& filter : kFilters) {
    if (filter.byDefault) exceptionFilters_.insert(filter.id);
  }
}

Session::~Session() {
  if (watcher_.joinable()) watcher_.join();
  if (control_ >= 0) close(control_);
}

// ---- messages -------------------------------------------------------------

void Session::respond(const json& request, json body) {
  transport_.send({{"type", "response"},
                   {"request_seq", SeqOf(request)},
                   {"success", true},
                   {"command", CommandOf(request)},
                   {"body", std::move(body)}});
}

void Session::respondError(const json& request, const std::string& message) {
  transport_.send({{"type", "response"},
                   {"request_seq", SeqOf(request)},
                   {"success", false},
                   {"command", CommandOf(request)},
                   {"message", message},
                   {"body", {{"error", {{"id", 1}, {"format", message}, {"showUser", true}}}}}});
}

void Session::sendEvent(const std::string& event, json body) {
  transport_.send({{"type", "event"}, {"event", event}, {"body", std::move(body)}});
}

int Session::run() {
  int status = 0;
  bool disconnected = false;
  while (!disconnected) {
    json message;
    std::string problem;
    DapTransport::ReadResult result = transport_.read(message, problem);
    if (result == DapTransport::ReadResult::kEndOfInput) break;
    if (result == DapTransport::ReadResult::kUnreadable) {
      std::fprintf(stderr, "lucentdebug-dap: unreadable input, ending the session: %s\n",
                   problem.c_str());
      status = 1;
      break;
    }
    if (result == DapTransport::ReadResult::kBadBody) {
      respondError(json(), problem);
      continue;
    }
    auto type = message.find("type");
    if (type != message.end() && *type == "response") {
      continue;  // answers to reverse requests, of which this adapter sends none
    }
    try {
      if (type == message.end() || *type != "request") {
        throw protocol::FieldError("message is not a request (\"type\" must be \"request\")");
      }
      protocol::IntegerField(message, "seq", "request");
      protocol::StringField(message, "command", "request");
      if (protocol::HasField(message, "arguments")) {
        protocol::ObjectField(message, "arguments", "request");
      }
    } catch (const protocol::FieldError& error) {
      respondError(message, error.what());
      continue;
    }
    disconnected = message["command"] == "disconnect";
    dispatch(message);
  }
  if (!disconnected) disconnect(json());
  if (watcher_.joinable()) watcher_.join();
  return status;
}

void Session::dispatch(const json& request) {
  using Handler = std::function<void(Session&, const json&)>;
  static const std::map<std::string, Handler> kHandlers = {
      {"initialize", &Session::initialize},
      {"launch", [](Session& s, const json& r) { s.launchOrAttach(r, true); }},
      {"attach", [](Session& s, const json& r) { s.launchOrAttach(r, false); }},
      {"configurationDone", &Session::configurationDone},
      {"setBreakpoints", &Session::setBreakpoints},
      {"setExceptionBreakpoints", &Session::setExceptionBreakpoints},
      {"threads", &Session::threads},
      {"stackTrace", &Session::stackTrace},
      {"scopes", &Session::scopes},
      {"variables", &Session::variables},
      {"evaluate", &Session::evaluate},
      {"setVariable", &Session::setVariable},
      {"setExpression", &Session::setExpression},
      {"exceptionInfo", &Session::exceptionInfo},
      {"source", &Session::source},
      {"continue", [](Session& s, const json& r) { s.resume(r, kGo); }},
      {"next", [](Session& s, const json& r) { s.resume(r, kStepOver); }},
      {"stepIn", [](Session& s, const json& r) { s.resume(r, kStepInto); }},
      {"stepOut", [](Session& s, const json& r) { s.resume(r, kStepOut); }},
      {"runToCursor", &Session::runToCursor},
      {"terminate", &Session::terminate},
      {"disconnect", &Session::disconnect},
      {"pause", &Session::pause},
  };
  const std::string command = request["command"];
  auto handler = kHandlers.find(command);
  if (handler == kHandlers.end()) {
    respondError(request, "unsupported request: " + command);
    return;
  }
  try {
    handler->second(*this, request);
  } catch (const RequestError& error) {
    respondError(request, error.what());
  } catch (const protocol::FieldError& error) {
    respondError(request, command + ": " + error.what());
  } catch (const EngineError& error) {
    respondError(request, std::string("the engine failed: ") + error.what());
    if (error.lost()) {
      // php went away while stopped (killed from outside): the session is over.
      std::lock_guard<std::mutex> lock(mutex_);
      if (state_ == State::kStopped) finishSession("php ended while stopped");
    }
  } catch (const std::exception& error) {
    // Nothing a client sends may end the adapter.
    respondError(request, command + " failed: " + error.what());
  }
}

// ---- set-up ---------------------------------------------------------------

void Session::initialize(const json& request) {
  json filters = json::array();
  for (const Filter& filter : kFilters) {
    filters.push_back(
        {{"filter", filter.id}, {"label", filter.label}, {"default", filter.byDefault}});
  }
  respond(request, {{"supportsConfigurationDoneRequest", true},
                    {"supportsConditionalBreakpoints", true},
                    {"supportsHitConditionalBreakpoints", true},
                    {"supportsLogPoints", true},
                    {"supportsEvaluateForHovers", true},
                    {"supportsSetVariable", true},
                    {"supportsSetExpression", true},
                    {"supportsTerminateRequest", true},
                    {"supportTerminateDebuggee", true},
                    {"supportsExceptionInfoRequest", true},
                    {"exceptionBreakpointFilters", filters}});
}

void Session::launchOrAttach(const json& request, bool launch) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (state_ != State::kIdle) throw RequestError("the session has already started");
  std::string error;
  const json& arguments = ArgumentsOf(request);
  std::unique_ptr<Debuggee> debuggee = makeDebuggee_(arguments, launch, error);
  if (!debuggee) throw RequestError(error);
  debuggee_ = std::move(debuggee);
  output_ =
      std::make_unique<OutputChannel>([this](const std::string& category, const std::string& text) {
        sendEvent("output", {{"category", category}, {"output", text}});
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
  respond(request);
}

bool Session::connect() {
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
  sendEvent("initialized");
  return true;
}

void Session::configurationDone(const json& request) {
  std::lock_guard<std::mutex> lock(mutex_);
  respond(request);
  if (configured_ || state_ != State::kStopped) return;
  configured_ = true;
  try {
    if (debuggee_->stopOnEntry && !frames_.empty()) {
      sendEvent("stopped",
                {{"reason", "entry"}, {"threadId", kThreadId}, {"allThreadsStopped", true}});
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

// ---- breakpoints ----------------------------------------------------------

BreakpointEngine Session::breakpointEngine() {
  return BreakpointEngine{[this](const std::string& path, int line, const std::string& cond) {
                            return engine_->addBreakpoint(path, line, false, cond);
                          },
                          [this](long number) { engine_->removeBreakpoint(number); }};
}

namespace {
json BreakpointJson(const BreakpointState& state) {
  json result = {{"id", state.id},
                 {"verified", state.verified},
                 {"line", state.spec.line},
                 {"source", {{"path", state.path}, {"name", BaseName(state.path)}}}};
  if (!state.message.empty()) result["message"] = state.message;
  return result;
}
}  // namespace

void Session::syncBreakpoints() {
  if (!breakpoints_.pending()) return;
  for (const BreakpointState& state : breakpoints_.sync(breakpointEngine())) {
    sendEvent("breakpoint", {{"reason", "changed"}, {"breakpoint", BreakpointJson(state)}});
  }
}

void Session::setBreakpoints(const json& request) {
  std::lock_guard<std::mutex> lock(mutex_);
  const json& arguments = ArgumentsOf(request);
  json source = OptionalMember<json>(arguments, "source", json::object());
  std::string path = source.is_object() ? OptionalMember<std::string>(source, "path", "") : "";
  std::vector<BreakpointSpec> specs;
  // Lines no script can have are answered unverified, in their place in the list.
  std::map<size_t, json> refused;
  const json& items = ArrayMember(arguments, "breakpoints");
  for (size_t index = 0; index < items.size(); ++index) {
    const json& item = items[index];
    if (!protocol::HasField(item, "line")) throw RequestError("\"line\" is required");
    const json& line = item["line"];
    if (!line.is_number_integer()) throw RequestError("breakpoint \"line\" must be an integer");
    if (line < 1 || line > std::numeric_limits<int>::max()) {
      refused[index] = {{"verified", false},
                        {"line", line},
                        {"message", "line " + line.dump() + " is out of range (1 to " +
                                        std::to_string(std::numeric_limits<int>::max()) + ")"}};
      continue;
    }
    BreakpointSpec spec;
    spec.line = line.get<int>();
    spec.condition = OptionalMember<std::string>(item, "condition", "");
    spec.hitCondition = OptionalMember<std::string>(item, "hitCondition", "");
    spec.logMessage = OptionalMember<std::string>(item, "logMessage", "");
    specs.push_back(spec);
  }
  json result = json::array();
  if (path.empty()) {
    // Breakpoints live under file paths in the engine; code without a file
    // (eval()'d) cannot carry one.
    for (const json& item : items) {
      result.push_back({{"verified", false},
                        {"line", item["line"]},
                        {"message", "breakpoints need a file on disk"}});
    }
    respond(request, {{"breakpoints", result}});
    return;
  }
  std::vector<BreakpointState> states = breakpoints_.set(path, specs);
  if (state_ == State::kStopped) {
    breakpoints_.sync(breakpointEngine());
    states = breakpoints_.of(path);
  }
  auto state = states.begin();
  for (size_t index = 0; index < items.size(); ++index) {
    auto found = refused.find(index);
    if (found != refused.end()) {
      result.push_back(found->second);
    } else if (state != states.end()) {
      result.push_back(BreakpointJson(*state++));
    }
  }
  respond(request, {{"breakpoints", result}});
}

void Session::setExceptionBreakpoints(const json& request) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::set<std::string> chosen;
  json result = json::array();
  for (const json& id : ArrayMember(ArgumentsOf(request), "filters")) {
    std::string name = id.is_string() ? id.get<std::string>() : "";
    bool known = false;
    for (const Filter& filter : kFilters) known = known || name == filter.id;
    if (known) chosen.insert(name);
    json state = {{"verified", known}};
    if (!known) state["message"] = "unknown filter " + name;
    result.push_back(state);
  }
  exceptionFilters_ = chosen;
  respond(request, {{"breakpoints", result}});
}

// ---- inspection -----------------------------------------------------------

void Session::requireStopped(const char* what) const {
  if (state_ == State::kRunning) {
    throw RequestError(std::string("the script is running; ") + what +
                       " is possible only while it is stopped");
  }
  if (state_ != State::kStopped) {
    throw RequestError(std::string("no script is stopped; ") + what + " is not possible now");
  }
}

int Session::depthOfFrame(const json& arguments, const char* member) const {
  int frameId = OptionalMember<int>(arguments, member, 0);
  if (frameId == 0) return 0;
  if (frameId < 1 || static_cast<size_t>(frameId) > std::max<size_t>(frames_.size(), 1)) {
    throw RequestError("unknown frame " + std::to_string(frameId));
  }
  return frameId - 1;
}

std::string Session::pathOf(const std::string& engineFile) const {
  char path[kPathBufferSize];
  return LocalPathFromUrl(engineFile.c_str(), path);
}

json Session::sourceOf(const std::string& file) {
  std::string path = pathOf(file);
  if (access(path.c_str(), R_OK) == 0) return {{"name", BaseName(path)}, {"path", path}};
  // Code without a file (eval()'d code): the editor asks for it by reference.
  auto known = std::find(sourceReferences_.begin(), sourceReferences_.end(), file);
  size_t index = known - sourceReferences_.begin();
  if (known == sourceReferences_.end()) sourceReferences_.push_back(file);
  return {{"name", BaseName(path)},
          {"sourceReference", static_cast<int>(index) + 1},
          {"presentationHint", "deemphasize"}};
}

void Session::threads(const json& request) {
  respond(request, {{"threads", json::array({{{"id", kThreadId}, {"name", "PHP request"}}})}});
}

void Session::stackTrace(const json& request) {
  std::lock_guard<std::mutex> lock(mutex_);
  requireStopped("stackTrace");
  const json& arguments = ArgumentsOf(request);
  size_t start = static_cast<size_t>(std::max(0, OptionalMember<int>(arguments, "startFrame", 0)));
  int levels = OptionalMember<int>(arguments, "levels", 0);
  json frames = json::array();
  for (size_t depth = start; depth < frames_.size(); ++depth) {
    if (levels > 0 && frames.size() >= static_cast<size_t>(levels)) break;
    const Frame& frame = frames_[depth];
    frames.push_back({{"id", static_cast<int>(depth) + 1},
                      {"name", frame.where},
                      {"line", frame.lineno},
                      {"column", 1},
                      {"source", sourceOf(frame.file)}});
  }
  respond(request, {{"stackFrames", frames}, {"totalFrames", frames_.size()}});
}

void Session::scopes(const json& request) {
  std::lock_guard<std::mutex> lock(mutex_);
  requireStopped("scopes");
  int depth = depthOfFrame(ArgumentsOf(request));
  json scopes = json::array();
  size_t at = 0;
  while (at < contextNames_.size()) {
    size_t end = contextNames_.find(' ', at);
    if (end == std::string::npos) end = contextNames_.size();
    std::string name = contextNames_.substr(at, end - at);
    at = end + 1;
    if (name.empty()) continue;
    std::string title = name;
    title[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(title[0])));
    json scope = {{"name", title},
                  {"variablesReference", variables_.reference({name, depth, ""})},
                  {"expensive", false}};
    if (name == "locals") scope["presentationHint"] = "locals";
    scopes.push_back(scope);
  }
  respond(request, {{"scopes", scopes}});
}

PropertyInfoVector Session::childrenOf(const VariableContainer& container) {
  return container.expression.empty()
             ? engine_->getContext(container.context, container.depth)
             : engine_->getChildrenInfos(container.context, container.depth, container.expression);
}

json Session::variableOf(const PropertyInfo& info, const std::string& context, int depth) {
  json variable = {{"name", info.name.name},
                   {"value", DisplayValue(info)},
                   {"type", DisplayType(info.type)},
                   {"evaluateName", info.name.fullName},
                   {"variablesReference", 0}};
  if (info.hasChildren) {
    variable["variablesReference"] = variables_.reference({context, depth, info.name.fullName});
  }
  return variable;
}

json Session::valueBody(const PropertyInfo& info, const std::string& context, int depth,
                        const char* valueMember) {
  json variable = variableOf(info, context, depth);
  return {{valueMember, variable["value"]},
          {"type", variable["type"]},
          {"variablesReference", variable["variablesReference"]}};
}

VariableContainer Session::containerOf(const json& arguments) {
  int reference = RequiredMember<int>(arguments, "variablesReference");
  const VariableContainer* found = variables_.find(reference);
  if (!found) throw RequestError("unknown variablesReference " + std::to_string(reference));
  return *found;
}

void Session::variables(const json& request) {
  std::lock_guard<std::mutex> lock(mutex_);
  requireStopped("variables");
  VariableContainer container = containerOf(ArgumentsOf(request));
  json result = json::array();
  for (const PropertyInfo& info : childrenOf(container)) {
    result.push_back(variableOf(info, container.context, container.depth));
  }
  respond(request, {{"variables", result}});
}

namespace {
// Whether an evaluation found a value: the engine leaves the type unknown
// when the expression did not evaluate.
bool Evaluated(const PropertyInfo& info) { return info.type != "IS_UNKNOWN"; }
}  // namespace

void Session::evaluate(const json& request) {
  std::lock_guard<std::mutex> lock(mutex_);
  requireStopped("evaluate");
  const json& arguments = ArgumentsOf(request);
  std::string expression = RequiredMember<std::string>(arguments, "expression");
  int depth = depthOfFrame(arguments);
  PropertyInfo info = engine_->getDebugPropertyInfo(depth, expression);
  if (!Evaluated(info)) throw RequestError("cannot evaluate " + expression);
  respond(request, valueBody(info, "locals", depth, "result"));
}

void Session::setVariable(const json& request) {
  std::lock_guard<std::mutex> lock(mutex_);
  requireStopped("setVariable");
  const json& arguments = ArgumentsOf(request);
  VariableContainer container = containerOf(arguments);
  std::string name = RequiredMember<std::string>(arguments, "name");
  std::string value = RequiredMember<std::string>(arguments, "value");
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
  respond(request, valueBody(info, container.context, container.depth, "value"));
}

void Session::setExpression(const json& request) {
  std::lock_guard<std::mutex> lock(mutex_);
  requireStopped("setExpression");
  const json& arguments = ArgumentsOf(request);
  std::string expression = RequiredMember<std::string>(arguments, "expression");
  std::string value = RequiredMember<std::string>(arguments, "value");
  int depth = depthOfFrame(arguments);
  engine_->setDebugProperty("locals", depth, expression, value);
  PropertyInfo info = engine_->getDebugPropertyInfo(depth, expression);
  if (!Evaluated(info)) throw RequestError("cannot assign to " + expression);
  respond(request, valueBody(info, "locals", depth, "value"));
}

void Session::exceptionInfo(const json& request) {
  std::lock_guard<std::mutex> lock(mutex_);
  requireStopped("exceptionInfo");
  if (!errorStop_) throw RequestError("the script is not stopped at an error");
  respond(request, {{"exceptionId", errorStop_->kind},
                    {"description", errorStop_->message},
                    {"breakMode", "always"},
                    {"details", {{"message", errorStop_->text}}}});
}

void Session::source(const json& request) {
  std::lock_guard<std::mutex> lock(mutex_);
  requireStopped("source");
  const json& arguments = ArgumentsOf(request);
  int reference = OptionalMember<int>(arguments, "sourceReference", 0);
  std::string file;
  if (reference > 0 && static_cast<size_t>(reference) <= sourceReferences_.size()) {
    file = sourceReferences_[reference - 1];
  } else {
    json source = OptionalMember<json>(arguments, "source", json::object());
    file = source.is_object() ? OptionalMember<std::string>(source, "path", "") : "";
  }
  if (file.empty()) throw RequestError("unknown source");
  respond(request, {{"content", engine_->getSourceCode(file)}, {"mimeType", "text/x-php"}});
}

// ---- execution ------------------------------------------------------------

void Session::resumeEngine(ResumeMode mode) {
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

void Session::resume(const json& request, ResumeMode mode) {
  std::lock_guard<std::mutex> lock(mutex_);
  requireStopped(request["command"].get<std::string>().c_str());
  resumeEngine(mode);
  respond(request, {{"allThreadsContinued", true}});
}

void Session::runToCursor(const json& request) {
  std::lock_guard<std::mutex> lock(mutex_);
  requireStopped("runToCursor");
  const json& arguments = ArgumentsOf(request);
  json source = OptionalMember<json>(arguments, "source", json::object());
  std::string path = source.is_object() ? OptionalMember<std::string>(source, "path", "") : "";
  int line = RequiredMember<int>(arguments, "line");
  if (path.empty()) throw RequestError("\"source\" needs a \"path\"");
  // A temporary breakpoint ends with its first stop in the engine; one that
  // is not reached is removed at whatever stop comes first.
  temporaryBreakpoint_ = engine_->addBreakpoint(path, line, true, "");
  resumeEngine(kGo);
  respond(request, {{"allThreadsContinued", true}});
}

void Session::terminate(const json& request) {
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
  respond(request);
}

void Session::disconnect(const json& request) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    bool launched = debuggee_ && debuggee_->launched;
    bool terminateDebuggee =
        OptionalMember<bool>(ArgumentsOf(request), "terminateDebuggee", launched);
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
  if (!request.is_null()) respond(request);
}

void Session::pause(const json& request) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (state_ == State::kStopped) {
    respond(request);  // already stopped
    return;
  }
  if (state_ != State::kRunning) throw RequestError("no script is running");
  // The engine stops at the next statement and the waiting call reports it.
  static const char kPause[] = "pause\n";
  if (control_ < 0 || send(control_, kPause, sizeof kPause - 1, MSG_NOSIGNAL | MSG_DONTWAIT) < 0) {
    throw RequestError(
        "this php cannot be paused (its engine keeps no control connection); set a breakpoint "
        "or call ludbg_break() in the script");
  }
  respond(request);
}

// ---- the engine side ------------------------------------------------------

void Session::watch() {
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

std::optional<Session::ErrorStop> Session::errorStopOf(bool atEntry,
                                                       const std::string& recentOutput) {
  if (atEntry) return std::nullopt;
  if (engineTellsStops_) {
    StopInfo info = engine_->getStopInfo();
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

void Session::handleStop(const FrameVector& frames, bool atEntry) {
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
  json event = {{"threadId", kThreadId}, {"allThreadsStopped", true}};
  std::optional<ErrorStop> error = errorStopOf(atEntry, recent);
  BreakpointState* breakpoint =
      frames.empty() ? nullptr : breakpoints_.at(pathOf(frames[0].file), frames[0].lineno);
  if (stopAtEntry_) {
    stopAtEntry_ = false;
    event["reason"] = "entry";
  } else if (error) {
    errorStop_ = error;
    const char* filter = errorStop_->exception ? nullptr : FilterOfKind(errorStop_->kind);
    if (filter != nullptr && !exceptionFilters_.count(filter)) {
      resumeEngine(lastMode_);
      return;
    }
    event["reason"] = "exception";
    event["description"] = errorStop_->kind;
    event["text"] = errorStop_->kind + ": " + errorStop_->message;
  } else if (breakpoint) {
    ++breakpoint->hits;
    bool stop = !breakpoint->hitCondition || breakpoint->hitCondition->met(breakpoint->hits);
    if (stop && breakpoint->isLogPoint) {
      sendEvent("output", {{"category", "console"}, {"output", logMessage(*breakpoint) + "\n"}});
      stop = false;
    }
    if (!stop && lastMode_ == kGo) {
      resumeEngine(kGo);
      return;
    }
    event["reason"] = stop ? "breakpoint" : "step";
    if (stop) event["hitBreakpointIds"] = json::array({breakpoint->id});
  } else if (atEntry) {
    resumeEngine(kGo);
    return;
  } else {
    // In go mode only the script itself (ludbg_break) or a run to cursor stops.
    event["reason"] = lastMode_ == kGo ? (ranToCursor ? "step" : "pause") : "step";
  }
  sendEvent("stopped", event);
}

std::string Session::logMessage(const BreakpointState& breakpoint) {
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

void Session::finishSession(const std::string& why) {
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
    sendEvent("output", {{"category", "stderr"}, {"output", "lucentdebug-dap: " + why + "\n"}});
  }
  if (debuggee_ && debuggee_->process) sendEvent("exited", {{"exitCode", exitCode}});
  sendEvent("terminated");
}
