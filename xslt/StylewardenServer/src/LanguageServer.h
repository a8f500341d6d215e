// The language server's life and methods: initialize with the state file, document
// synchronisation, a check and its diagnostics after every change, shutdown and exit.
#ifndef STYLEWARDEN_LS_LANGUAGESERVER_H
#define STYLEWARDEN_LS_LANGUAGESERVER_H

#include <functional>
#include <nlohmann/json.hpp>
#include <string>

#include "DocumentStore.h"
#include "JsonRpcDispatcher.h"
#include "StylesheetSyntaxChecker.h"

class LanguageServer {
 public:
  // `stateFile` serves when the client names none in its initialization options.
  LanguageServer(std::string stateFile, JsonRpcDispatcher::Sender sender,
                 std::function<void(const std::string&)> log);
  ~LanguageServer();
  LanguageServer(const LanguageServer&) = delete;
  LanguageServer& operator=(const LanguageServer&) = delete;

  // Handles one message body.
  void handle(const std::string& body);
  // Answers a message the transport had to drop.
  void rejectUnreadable(const std::string& problem);

  // True once "exit" arrived.
  bool finished() const { return m_phase == Phase::kExited; }
  // The process's exit status: 0 after an orderly shutdown, 1 otherwise.
  int exitCode() const { return m_shutdownRequested ? 0 : 1; }

 private:
  enum class Phase { kStarting, kRunning, kShuttingDown, kExited };

  bool admits(const std::string& method, jsonrpc::Error& refusal) const;
  nlohmann::json initialize(const nlohmann::json& params);
  void didOpen(const nlohmann::json& params);
  void didChange(const nlohmann::json& params);
  void didSave(const nlohmann::json& params);
  void didClose(const nlohmann::json& params);
  void checkAndPublish(const std::string& uri);
  void publish(const std::string& uri, const nlohmann::json* version, nlohmann::json diagnostics);
  void reportProblem(const std::string& problem);

  std::string m_defaultStateFile;
  std::function<void(const std::string&)> m_log;
  JsonRpcDispatcher m_dispatcher;
  DocumentStore m_documents;
  StylesheetSyntaxChecker m_checker;
  Phase m_phase = Phase::kStarting;
  bool m_checkerStarted = false;
  bool m_stateFileFailed = false;
  bool m_shutdownRequested = false;
};

#endif
