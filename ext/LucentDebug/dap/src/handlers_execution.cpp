// Execution requests: continue and the steps, runToCursor and pause.
#include "dap_server.h"
#include "request_arguments.h"

using nlohmann::json;

void DapServer::resume(const json& request, ResumeMode mode) {
  debugger_.resume(ThreadIdOf(ArgumentsOf(request)), mode, request["command"].get<std::string>());
  respond(request, {{"allThreadsContinued", !debugger_.servesManyRequests()}});
}

void DapServer::runToCursor(const json& request) {
  const json& arguments = ArgumentsOf(request);
  std::string path = SourcePathOf(arguments);
  int line = RequiredMember<int>(arguments, "line");
  if (path.empty()) throw RequestError("\"source\" needs a \"path\"");
  debugger_.runToCursor(ThreadIdOf(arguments), path, line);
  respond(request, {{"allThreadsContinued", !debugger_.servesManyRequests()}});
}

void DapServer::pause(const json& request) {
  debugger_.pause(ThreadIdOf(ArgumentsOf(request)));
  respond(request);
}
