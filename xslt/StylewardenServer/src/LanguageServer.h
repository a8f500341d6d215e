// The language server's life and methods: initialize with the state file, document
// synchronisation, a check and its diagnostics after every change, shutdown and exit.
#ifndef STYLEWARDEN_LS_LANGUAGESERVER_H
#define STYLEWARDEN_LS_LANGUAGESERVER_H

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>

#include "CheckWorker.h"
#include "DocumentStore.h"
#include "JsonRpcDispatcher.h"

class LanguageServer {
 public:
  // `stateFile` serves when the client names none in its initialization options; a check
  // that runs longer than `checkBudget` is given up. `sender` is called from the request
  // thread and from the check thread, never from both at once.
  LanguageServer(std::string stateFile, JsonRpcDispatcher::Sender sender,
                 std::function<void(const std::string&)> log,
                 std::chrono::milliseconds checkBudget = kDefaultCheckBudget);
  static constexpr std::chrono::milliseconds kDefaultCheckBudget{10000};
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
  // Queues a check of the document's current text; its diagnostics follow when it is done.
  void checkAndPublish(const std::string& uri);
  void publish(const std::string& uri, const nlohmann::json* version, nlohmann::json diagnostics);
  void reportProblem(const std::string& problem);

  std::string m_defaultStateFile;
  std::function<void(const std::string&)> m_log;
  std::mutex m_sendMutex;
  JsonRpcDispatcher m_dispatcher;
  DocumentStore m_documents;
  std::chrono::milliseconds m_checkBudget;
  // Started at initialize, once the state tables are there; stopped before they go.
  std::unique_ptr<CheckWorker> m_worker;
  Phase m_phase = Phase::kStarting;
  bool m_checkerStarted = false;
  bool m_followModules = true;
  bool m_stateFileFailed = false;
  bool m_shutdownRequested = false;
};

#endif
