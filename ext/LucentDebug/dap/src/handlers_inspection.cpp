// Inspection requests: threads, stackTrace, scopes, variables, evaluate,
// setVariable, setExpression, exceptionInfo and source.
#include <algorithm>
#include <cctype>

#include "dap_server.h"
#include "request_arguments.h"
#include "value_display.h"

using nlohmann::json;

namespace {
json SourceJson(const SourceView& source) {
  if (!source.path.empty()) return {{"name", source.name}, {"path", source.path}};
  return {{"name", source.name},
          {"sourceReference", source.reference},
          {"presentationHint", "deemphasize"}};
}

json VariableJson(const ValueView& view) {
  json variable = {{"name", view.info.name.name},
                   {"value", DisplayValue(view.info)},
                   {"type", DisplayType(view.info)},
                   {"evaluateName", view.info.name.fullName},
                   {"variablesReference", view.reference}};
  variable.update(VariableHints(view.info));
  return variable;
}

// The body of an answer that shows one value (evaluate, setVariable, setExpression).
json ValueBody(const ValueView& view, const char* valueMember) {
  json body = {{valueMember, DisplayValue(view.info)},
               {"type", DisplayType(view.info)},
               {"variablesReference", view.reference}};
  body.update(VariableHints(view.info));
  return body;
}

int FrameIdOf(const json& arguments) { return OptionalMember<int>(arguments, "frameId", 0); }
}  // namespace

void DapServer::threads(const json& request) {
  json threads = json::array();
  for (const ThreadView& thread : debugger_.threads()) {
    threads.push_back({{"id", thread.id}, {"name", thread.name}});
  }
  respond(request, {{"threads", threads}});
}

void DapServer::stackTrace(const json& request) {
  const json& arguments = ArgumentsOf(request);
  size_t start = static_cast<size_t>(std::max(0, OptionalMember<int>(arguments, "startFrame", 0)));
  int levels = OptionalMember<int>(arguments, "levels", 0);
  size_t total = 0;
  json frames = json::array();
  for (const FrameView& frame : debugger_.stackTrace(ThreadIdOf(arguments), start, levels, total)) {
    frames.push_back({{"id", frame.id},
                      {"name", frame.name},
                      {"line", frame.line},
                      {"column", 1},
                      {"source", SourceJson(frame.source)}});
  }
  respond(request, {{"stackFrames", frames}, {"totalFrames", total}});
}

void DapServer::scopes(const json& request) {
  json scopes = json::array();
  for (const ScopeView& scope : debugger_.scopes(FrameIdOf(ArgumentsOf(request)))) {
    std::string title = scope.name;
    title[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(title[0])));
    json entry = {{"name", title}, {"variablesReference", scope.reference}, {"expensive", false}};
    if (scope.name == "locals") entry["presentationHint"] = "locals";
    scopes.push_back(entry);
  }
  respond(request, {{"scopes", scopes}});
}

void DapServer::variables(const json& request) {
  const json& arguments = ArgumentsOf(request);
  int reference = RequiredMember<int>(arguments, "variablesReference");
  ChildPage page;
  page.filter = OptionalMember<std::string>(arguments, "filter", "");
  page.start = static_cast<uint32_t>(std::max(0, OptionalMember<int>(arguments, "start", 0)));
  page.count = static_cast<uint32_t>(std::max(0, OptionalMember<int>(arguments, "count", 0)));
  json result = json::array();
  for (const ValueView& view : debugger_.variables(reference, page)) {
    result.push_back(VariableJson(view));
  }
  respond(request, {{"variables", result}});
}

void DapServer::evaluate(const json& request) {
  const json& arguments = ArgumentsOf(request);
  std::string expression = RequiredMember<std::string>(arguments, "expression");
  respond(request, ValueBody(debugger_.evaluate(FrameIdOf(arguments), expression), "result"));
}

void DapServer::setVariable(const json& request) {
  const json& arguments = ArgumentsOf(request);
  int reference = RequiredMember<int>(arguments, "variablesReference");
  std::string name = RequiredMember<std::string>(arguments, "name");
  std::string value = RequiredMember<std::string>(arguments, "value");
  respond(request, ValueBody(debugger_.setVariable(reference, name, value), "value"));
}

void DapServer::setExpression(const json& request) {
  const json& arguments = ArgumentsOf(request);
  std::string expression = RequiredMember<std::string>(arguments, "expression");
  std::string value = RequiredMember<std::string>(arguments, "value");
  respond(request,
          ValueBody(debugger_.setExpression(FrameIdOf(arguments), expression, value), "value"));
}

void DapServer::exceptionInfo(const json& request) {
  ErrorStop error = debugger_.exceptionInfo(ThreadIdOf(ArgumentsOf(request)));
  respond(request, {{"exceptionId", error.kind},
                    {"description", error.message},
                    {"breakMode", "always"},
                    {"details", {{"message", error.text}}}});
}

void DapServer::source(const json& request) {
  const json& arguments = ArgumentsOf(request);
  int reference = OptionalMember<int>(arguments, "sourceReference", 0);
  std::string path = SourcePathOf(arguments);
  respond(request,
          {{"content", debugger_.sourceCode(reference, path)}, {"mimeType", "text/x-php"}});
}
