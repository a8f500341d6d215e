// Reading, checking and dispatching requests; answers and events.
#include "dap_server.h"

#include <cstdio>
#include <functional>
#include <map>

#include "json_fields.h"

using nlohmann::json;

namespace {
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

DapServer::DapServer(DapTransport& transport, DebuggeeFactory makeDebuggee)
    : transport_(transport), debugger_(*this, std::move(makeDebuggee)) {}

// ---- messages -------------------------------------------------------------

void DapServer::respond(const json& request, json body) {
  transport_.send({{"type", "response"},
                   {"request_seq", SeqOf(request)},
                   {"success", true},
                   {"command", CommandOf(request)},
                   {"body", std::move(body)}});
}

void DapServer::respondError(const json& request, const std::string& message) {
  transport_.send({{"type", "response"},
                   {"request_seq", SeqOf(request)},
                   {"success", false},
                   {"command", CommandOf(request)},
                   {"message", message},
                   {"body", {{"error", {{"id", 1}, {"format", message}, {"showUser", true}}}}}});
}

void DapServer::sendEvent(const std::string& event, json body) {
  transport_.send({{"type", "event"}, {"event", event}, {"body", std::move(body)}});
}

int DapServer::run() {
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
  if (!disconnected) debugger_.disconnect(std::nullopt);
  debugger_.join();
  return status;
}

void DapServer::dispatch(const json& request) {
  using Handler = std::function<void(DapServer&, const json&)>;
  static const std::map<std::string, Handler> kHandlers = {
      {"initialize", &DapServer::initialize},
      {"launch", [](DapServer& s, const json& r) { s.launchOrAttach(r, true); }},
      {"attach", [](DapServer& s, const json& r) { s.launchOrAttach(r, false); }},
      {"configurationDone", &DapServer::configurationDone},
      {"restart", &DapServer::restart},
      {"setBreakpoints", &DapServer::setBreakpoints},
      {"setExceptionBreakpoints", &DapServer::setExceptionBreakpoints},
      {"setFunctionBreakpoints", &DapServer::setFunctionBreakpoints},
      {"threads", &DapServer::threads},
      {"stackTrace", &DapServer::stackTrace},
      {"scopes", &DapServer::scopes},
      {"variables", &DapServer::variables},
      {"evaluate", &DapServer::evaluate},
      {"setVariable", &DapServer::setVariable},
      {"setExpression", &DapServer::setExpression},
      {"exceptionInfo", &DapServer::exceptionInfo},
      {"source", &DapServer::source},
      {"continue", [](DapServer& s, const json& r) { s.resume(r, kGo); }},
      {"next", [](DapServer& s, const json& r) { s.resume(r, kStepOver); }},
      {"stepIn", [](DapServer& s, const json& r) { s.resume(r, kStepInto); }},
      {"stepOut", [](DapServer& s, const json& r) { s.resume(r, kStepOut); }},
      {"runToCursor", &DapServer::runToCursor},
      {"terminate", &DapServer::terminate},
      {"disconnect", &DapServer::disconnect},
      {"pause", &DapServer::pause},
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
  } catch (const std::exception& error) {
    // Nothing a client sends may end the adapter.
    respondError(request, command + " failed: " + error.what());
  }
}

// ---- events ---------------------------------------------------------------

void DapServer::initialized() { sendEvent("initialized"); }

void DapServer::stopped(const StopReport& stop) {
  json body = {{"reason", stop.reason},
               {"threadId", stop.threadId},
               {"allThreadsStopped", stop.allThreadsStopped}};
  if (!stop.description.empty()) body["description"] = stop.description;
  if (!stop.text.empty()) body["text"] = stop.text;
  if (!stop.hitBreakpointIds.empty()) body["hitBreakpointIds"] = stop.hitBreakpointIds;
  sendEvent("stopped", std::move(body));
}

void DapServer::output(const std::string& category, const std::string& text) {
  sendEvent("output", {{"category", category}, {"output", text}});
}

void DapServer::breakpointChanged(const BreakpointState& breakpoint) {
  sendEvent("breakpoint", {{"reason", "changed"}, {"breakpoint", BreakpointJson(breakpoint)}});
}

void DapServer::functionBreakpointChanged(const FunctionBreakpointState& breakpoint) {
  sendEvent("breakpoint",
            {{"reason", "changed"}, {"breakpoint", FunctionBreakpointJson(breakpoint)}});
}

void DapServer::thread(const std::string& reason, int threadId) {
  sendEvent("thread", {{"reason", reason}, {"threadId", threadId}});
}

void DapServer::exited(int exitCode) { sendEvent("exited", {{"exitCode", exitCode}}); }

void DapServer::terminated() { sendEvent("terminated"); }
