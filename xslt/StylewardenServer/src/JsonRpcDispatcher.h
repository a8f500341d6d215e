// JSON-RPC 2.0 dispatch: checks each incoming message, routes requests and notifications to
// their handlers by method name, and turns every failure into the protocol's error response.
#ifndef STYLEWARDEN_LS_JSONRPCDISPATCHER_H
#define STYLEWARDEN_LS_JSONRPCDISPATCHER_H

#include <cstdint>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>

#include "json_fields.h"

namespace jsonrpc {

// Error codes of JSON-RPC and of the Language Server Protocol.
enum ErrorCode {
  kParseError = -32700,
  kInvalidRequest = -32600,
  kMethodNotFound = -32601,
  kInvalidParams = -32602,
  kInternalError = -32603,
  kServerNotInitialized = -32002,
  kRequestFailed = -32803,
};

// Thrown by a handler to answer with an error; for a notification it is only reported.
class Error : public std::runtime_error {
 public:
  Error(int code, const std::string& message, nlohmann::json data = nullptr)
      : std::runtime_error(message), m_code(code), m_data(std::move(data)) {}
  int code() const { return m_code; }
  const nlohmann::json& data() const { return m_data; }

 private:
  int m_code;
  nlohmann::json m_data;
};

// The typed member readers; their FieldError is answered as InvalidParams.
using protocol::ArrayField;
using protocol::BooleanField;
using protocol::IntegerField;
using protocol::ObjectField;
using protocol::StringField;

}  // namespace jsonrpc

class JsonRpcDispatcher {
 public:
  using RequestHandler = std::function<nlohmann::json(const nlohmann::json& params)>;
  using NotificationHandler = std::function<void(const nlohmann::json& params)>;
  // Consulted before each handler: return true to let the message through, or false after
  // filling `error` (requests) to refuse it; refused notifications are dropped silently.
  using Gate = std::function<bool(const std::string& method, jsonrpc::Error& error)>;
  using Sender = std::function<void(const nlohmann::json& message)>;
  // Receives problems that have no response to carry them: failed notifications.
  using ProblemReporter = std::function<void(const std::string& problem)>;

  JsonRpcDispatcher(Sender sender, ProblemReporter reportProblem);

  void onRequest(const std::string& method, RequestHandler handler);
  void onNotification(const std::string& method, NotificationHandler handler);
  void setGate(Gate gate);

  // Handles one message body.
  void dispatch(const std::string& body);
  // Sends an error response; `id` null when the request's id is unknown.
  void sendError(const nlohmann::json& id, int code, const std::string& message,
                 const nlohmann::json& data = nullptr);
  void sendNotification(const std::string& method, nlohmann::json params);

 private:
  void dispatchRequest(const nlohmann::json& id, const std::string& method,
                       const nlohmann::json& params);
  void dispatchNotification(const std::string& method, const nlohmann::json& params);

  Sender m_send;
  ProblemReporter m_reportProblem;
  Gate m_gate;
  std::map<std::string, RequestHandler> m_requests;
  std::map<std::string, NotificationHandler> m_notifications;
};

#endif
