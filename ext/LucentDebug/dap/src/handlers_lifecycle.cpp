// Lifecycle requests: initialize, launch/attach, configurationDone, terminate
// and disconnect.
#include "dap_server.h"
#include "request_arguments.h"

using nlohmann::json;

void DapServer::initialize(const json& request) {
  json filters = json::array();
  for (const ErrorFilter& filter : ErrorFilters()) {
    filters.push_back(
        {{"filter", filter.id}, {"label", filter.label}, {"default", filter.byDefault}});
  }
  for (const ExceptionFilterChoice& choice : ExceptionFilterChoices()) {
    filters.push_back({{"filter", choice.id},
                       {"label", choice.label},
                       {"default", false},
                       {"supportsCondition", true},
                       {"conditionDescription", choice.conditionDescription}});
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
                    {"supportsExceptionFilterOptions", true},
                    {"supportsFunctionBreakpoints", true},
                    {"supportsRestartRequest", true},
                    {"exceptionBreakpointFilters", filters}});
}

void DapServer::launchOrAttach(const json& request, bool launch) {
  debugger_.start(ArgumentsOf(request), launch);
  respond(request);
}

void DapServer::configurationDone(const json& request) {
  respond(request);
  debugger_.configurationDone();
}

void DapServer::restart(const json& request) {
  const json& arguments = ArgumentsOf(request);
  std::optional<json> launch;
  if (protocol::HasField(arguments, "arguments")) {
    launch = protocol::ObjectField(arguments, "arguments", "arguments");
  }
  debugger_.restart(launch);
  respond(request);
}

void DapServer::terminate(const json& request) {
  debugger_.terminate();
  respond(request);
}

void DapServer::disconnect(const json& request) {
  const json& arguments = ArgumentsOf(request);
  std::optional<bool> terminateDebuggee;
  if (protocol::HasField(arguments, "terminateDebuggee")) {
    terminateDebuggee = OptionalMember<bool>(arguments, "terminateDebuggee", false);
  }
  debugger_.disconnect(terminateDebuggee);
  respond(request);
}
