// Message validation and routing. A handler's failure never escapes: requests get an error
// response, notifications a problem report.
#include "JsonRpcDispatcher.h"

#include <utility>

using nlohmann::json;

JsonRpcDispatcher::JsonRpcDispatcher(Sender sender, ProblemReporter reportProblem)
    : m_send(std::move(sender)), m_reportProblem(std::move(reportProblem)) {}

void JsonRpcDispatcher::onRequest(const std::string& method, RequestHandler handler) {
  m_requests[method] = std::move(handler);
}

void JsonRpcDispatcher::onNotification(const std::string& method, NotificationHandler handler) {
  m_notifications[method] = std::move(handler);
}

void JsonRpcDispatcher::setGate(Gate gate) { m_gate = std::move(gate); }

void JsonRpcDispatcher::sendError(const json& id, int code, const std::string& message,
                                  const json& data) {
  json error = {{"code", code}, {"message", message}};
  if (!data.is_null()) {
    error["data"] = data;
  }
  m_send({{"jsonrpc", "2.0"}, {"id", id}, {"error", std::move(error)}});
}

void JsonRpcDispatcher::sendNotification(const std::string& method, json params) {
  m_send({{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}});
}

void JsonRpcDispatcher::dispatch(const std::string& body) {
  const json message = json::parse(body, nullptr, false);
  if (message.is_discarded()) {
    sendError(nullptr, jsonrpc::kParseError, "message is not valid JSON");
    return;
  }
  if (!message.is_object()) {
    sendError(nullptr, jsonrpc::kInvalidRequest, "message is not a JSON object");
    return;
  }
  const auto id = message.find("id");
  const bool hasId = id != message.end();
  if (hasId && !id->is_string() && !id->is_number()) {
    sendError(nullptr, jsonrpc::kInvalidRequest, "id must be a number or a string");
    return;
  }
  // Members are referred to in place: params can hold a whole document's text.
  static const json kNull;
  const json& replyId = hasId ? *id : kNull;
  const auto method = message.find("method");
  if (method == message.end()) {
    // A response to a request of ours; this server sends none, so there is nothing to match.
    if (hasId && (message.contains("result") || message.contains("error"))) {
      return;
    }
    sendError(replyId, jsonrpc::kInvalidRequest, "message has no method");
    return;
  }
  // A request is refused with an error response; a notification can only be reported.
  const auto refuse = [&](int code, const std::string& problem) {
    if (hasId) {
      sendError(replyId, code, problem);
    } else {
      m_reportProblem("notification: " + problem);
    }
  };
  if (!method->is_string()) {
    refuse(jsonrpc::kInvalidRequest, "method must be a string");
    return;
  }
  const auto version = message.find("jsonrpc");
  if (version == message.end() || *version != "2.0") {
    refuse(jsonrpc::kInvalidRequest, "jsonrpc must be \"2.0\"");
    return;
  }
  const auto params = message.find("params");
  const json& paramsValue = params == message.end() ? kNull : *params;
  if (!paramsValue.is_null() && !paramsValue.is_object() && !paramsValue.is_array()) {
    refuse(jsonrpc::kInvalidParams,
           method->get<std::string>() + ": params must be an object or an array");
    return;
  }
  if (hasId) {
    dispatchRequest(replyId, method->get<std::string>(), paramsValue);
  } else {
    dispatchNotification(method->get<std::string>(), paramsValue);
  }
}

void JsonRpcDispatcher::dispatchRequest(const json& id, const std::string& method,
                                        const json& params) {
  jsonrpc::Error refusal(jsonrpc::kInternalError, "");
  if (m_gate && !m_gate(method, refusal)) {
    sendError(id, refusal.code(), refusal.what(), refusal.data());
    return;
  }
  const auto handler = m_requests.find(method);
  if (handler == m_requests.end()) {
    sendError(id, jsonrpc::kMethodNotFound, "unknown method " + method);
    return;
  }
  json result;
  try {
    result = handler->second(params);
  } catch (const jsonrpc::Error& error) {
    sendError(id, error.code(), error.what(), error.data());
    return;
  } catch (const protocol::FieldError& error) {
    sendError(id, jsonrpc::kInvalidParams, error.what());
    return;
  } catch (const std::exception& error) {
    sendError(id, jsonrpc::kInternalError, error.what());
    return;
  }
  m_send({{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}});
}

void JsonRpcDispatcher::dispatchNotification(const std::string& method, const json& params) {
  jsonrpc::Error refusal(jsonrpc::kInternalError, "");
  if (m_gate && !m_gate(method, refusal)) {
    return;
  }
  // Unknown notifications, "$/" ones included, are for servers that know them.
  const auto handler = m_notifications.find(method);
  if (handler == m_notifications.end()) {
    return;
  }
  try {
    handler->second(params);
  } catch (const std::exception& error) {
    m_reportProblem(method + ": " + error.what());
  }
}
