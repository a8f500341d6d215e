// Execution requests: continue and the steps, runToCursor and pause.
#include "dap_server.h"
#include "request_arguments.h"

using nlohmann::json;

void DapServer::resume(const json& request, ResumeMode mode) {
  debugger_.resume(mode, request["command"].get<std::string>());
  respond(request, {{"allThreadsContinued", true}});
}

void DapServer::runToCursor(const json& request) {
  const json& arguments = ArgumentsOf(request);
  std::string path = SourcePathOf(arguments);
  int line = RequiredMember<int>(arguments, "line");
  if (path.empty()) throw RequestError("\"source\" needs a \"path\"");
  debugger_.runToCursor(path, line);
  respond(request, {{"allThreadsContinued", true}});
}

void DapServer::pause(const json& request) {
  debugger_.pause();
  respond(request);
}
