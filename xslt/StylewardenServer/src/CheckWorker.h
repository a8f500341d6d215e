// The language server's checks, run one at a time on a thread of their own so that the
// request thread answers at once, each within a time budget. A newer text of a document
// cancels the check of its older one, and a result is published only while it is current.
#ifndef STYLEWARDEN_LS_CHECKWORKER_H
#define STYLEWARDEN_LS_CHECKWORKER_H

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <unordered_map>

#include "ModuleDiagnostics.h"
#include "StylesheetSyntaxChecker.h"

struct CheckJob {
  std::string uri;
  nlohmann::json version;
  std::string text;
  // The base against which the document's DTD and external entities resolve; may be empty.
  std::string systemId;
  // Whether the modules a file document includes or imports are checked too.
  bool followModules = true;
};

class CheckWorker {
 public:
  // Runs on the worker thread, under the lock that submit() and forget() take, so that no
  // result is sent after a newer submit or a close of its document.
  using Publish = std::function<void(const CheckJob& job, nlohmann::json diagnostics)>;

  CheckWorker(std::chrono::milliseconds budget, Publish publish);
  // Cancels the running check and waits for the thread.
  ~CheckWorker();
  CheckWorker(const CheckWorker&) = delete;
  CheckWorker& operator=(const CheckWorker&) = delete;

  // Queues the job; it replaces a queued job of the same document and cancels its running one.
  void submit(CheckJob job);
  // Drops the document's queued and running checks, then runs `then` under the same lock.
  void forget(const std::string& uri, const std::function<void()>& then);

 private:
  void run();
  // The diagnostics of the job's text, or null when the check was cancelled.
  nlohmann::json check(StylesheetSyntaxChecker& checker, const CheckJob& job);
  // With the lock held.
  void cancelRunning(const std::string& uri);

  const std::chrono::milliseconds m_budget;
  const Publish m_publish;
  std::mutex m_mutex;
  std::condition_variable m_wake;
  // Documents with a queued job, oldest first, and their jobs.
  std::deque<std::string> m_order;
  std::unordered_map<std::string, CheckJob> m_queued;
  std::string m_runningUri;
  std::atomic<bool> m_cancelled{false};
  bool m_stopping = false;
  // Used by the worker thread only.
  ModuleDiagnostics m_modules;
  std::thread m_thread;
};

#endif
