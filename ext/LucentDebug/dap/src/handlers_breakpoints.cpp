// Breakpoint requests: setBreakpoints and setExceptionBreakpoints.
#include <limits>
#include <map>
#include <set>
#include <utility>

#include "dap_server.h"
#include "request_arguments.h"

using nlohmann::json;

json BreakpointJson(const BreakpointState& state) {
  json result = {{"id", state.id},
                 {"verified", state.verified},
                 {"line", state.resolvedLine > 0 ? state.resolvedLine : state.spec.line},
                 {"source", {{"path", state.path}, {"name", BaseName(state.path)}}}};
  if (!state.message.empty()) result["message"] = state.message;
  return result;
}

void DapServer::setBreakpoints(const json& request) {
  const json& arguments = ArgumentsOf(request);
  std::string path = SourcePathOf(arguments);
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
  std::vector<BreakpointState> states = debugger_.setBreakpoints(path, specs);
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

json FunctionBreakpointJson(const FunctionBreakpointState& state) {
  json result = {{"id", state.id}, {"verified", state.verified}};
  if (!state.message.empty()) result["message"] = state.message;
  return result;
}

namespace {
// The class names of a filter's condition: separated by commas or spaces.
std::vector<std::string> ClassNamesOf(const std::string& condition) {
  std::vector<std::string> names;
  std::string name;
  for (char c : condition + ",") {
    if (c == ',' || c == ' ' || c == '\t') {
      if (!name.empty()) names.push_back(name);
      name.clear();
    } else {
      name += c;
    }
  }
  return names;
}
}  // namespace

// Error filters are applied here (an error whose filter is off is resumed
// past); the thrown and uncaught filters go to the engine, with one class
// list for both: the thrown filter's when both are on.
void DapServer::setExceptionBreakpoints(const json& request) {
  const json& arguments = ArgumentsOf(request);
  std::vector<std::pair<std::string, std::string>> asked;  // id, condition
  for (const json& id : ArrayMember(arguments, "filters")) {
    asked.emplace_back(id.is_string() ? id.get<std::string>() : "", "");
  }
  for (const json& option : ArrayMember(arguments, "filterOptions")) {
    asked.emplace_back(RequiredMember<std::string>(option, "filterId"),
                       OptionalMember<std::string>(option, "condition", ""));
  }
  std::set<std::string> chosen;
  ExceptionFilter thrown;
  std::string uncaughtCondition;
  json result = json::array();
  for (const auto& [name, condition] : asked) {
    bool known = false;
    for (const ErrorFilter& filter : ErrorFilters()) known = known || name == filter.id;
    if (known) chosen.insert(name);
    if (name == "thrown") {
      thrown.all = known = true;
      thrown.classes = ClassNamesOf(condition);
    } else if (name == "uncaught") {
      thrown.uncaught = known = true;
      uncaughtCondition = condition;
    }
    json state = {{"verified", known}};
    if (!known) state["message"] = "unknown filter " + name;
    result.push_back(state);
  }
  if (!thrown.all) thrown.classes = ClassNamesOf(uncaughtCondition);
  debugger_.setExceptionFilters(chosen, thrown);
  respond(request, {{"breakpoints", result}});
}

void DapServer::setFunctionBreakpoints(const json& request) {
  std::vector<FunctionBreakpointSpec> specs;
  for (const json& item : ArrayMember(ArgumentsOf(request), "breakpoints")) {
    specs.push_back({RequiredMember<std::string>(item, "name"),
                     OptionalMember<std::string>(item, "condition", ""),
                     OptionalMember<std::string>(item, "hitCondition", "")});
  }
  json result = json::array();
  for (const FunctionBreakpointState& state : debugger_.setFunctionBreakpoints(specs)) {
    result.push_back(FunctionBreakpointJson(state));
  }
  respond(request, {{"breakpoints", result}});
}
