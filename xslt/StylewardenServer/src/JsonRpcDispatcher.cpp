// Message validation and routing. A handler's failure never escapes: requests get an error
// response, notifications a problem report.
#include "JsonRpcDispatcher.h"

#include <cstdint>
#include <utility>

using nlohmann::json;

namespace jsonrpc {

namespace {

const json& Member(const json& object, const char* key, const std::string& path) {
  if (!object.is_object()) {
    throw Error(kInvalidParams, path + " is not an object");
  }
  const auto found = object.find(key);
  if (found == object.end()) {
    throw Error(kInvalidParams, "missing " + path + "." + key);
  }
  return *found;
}

[[noreturn]] void WrongType(const std::string& path, const char* key, const char* type) {
  throw Error(kInvalidParams, path + "." + key + " must be " + type);
}

}  // namespace

std::string StringField(const json& object, const char* key, const std::string& path) {
  const json& value = Member(object, key, path);
  if (!value.is_string()) {
    WrongType(path, key, "a string");
  }
  return value.get<std::string>();
}

std::int64_t IntegerField(const json& object, const char* key, const std::string& path) {
  const json& value = Member(object, key, path);
  // Protocol integers are 32-bit; a larger or fractional number is no integer of it.
  if (!value.is_number_integer() || value.get<std::int64_t>() < INT32_MIN ||
      (value.is_number_unsigned() && value.get<std::uint64_t>() > INT32_MAX) ||
      value.get<std::int64_t>() > INT32_MAX) {
    WrongType(path, key, "an integer");
  }
  return value.get<std::int64_t>();
}

const json& ObjectField(const json& object, const char* key, const std::string& path) {
  const json& value = Member(object, key, path);
  if (!value.is_object()) {
    WrongType(path, key, "an object");
  }
  return value;
}

const json& ArrayField(const json& object, const char* key, const std::string& path) {
  const json& value = Member(object, key, path);
  if (!value.is_array()) {
    WrongType(path, key, "an array");
  }
  return value;
}

}  // namespace jsonrpc

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
