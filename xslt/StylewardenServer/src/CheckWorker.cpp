// The check thread: takes the oldest queued document, checks its text with the limits set,
// maps the records to diagnostics and publishes them unless the check was overtaken.
#include "CheckWorker.h"

#include <new>
#include <utility>
#include <vector>

#include "DiagnosticsMapper.h"

namespace {

StylesheetSyntaxError OutOfMemoryRecord() {
  return StylesheetSyntaxError(SYNTAXERROR_XML_FATAL_ERROR, SEVERITY_ERROR,
                               L"The check could not complete: out of memory", Location{1, 1},
                               Location{1, 1});
}

}  // namespace

CheckWorker::CheckWorker(std::chrono::milliseconds budget, Publish publish)
    : m_budget(budget), m_publish(std::move(publish)), m_thread([this] { run(); }) {}

CheckWorker::~CheckWorker() {
  {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_stopping = true;
    m_cancelled = true;
  }
  m_wake.notify_one();
  m_thread.join();
}

void CheckWorker::cancelRunning(const std::string& uri) {
  if (!m_runningUri.empty() && m_runningUri == uri) {
    m_cancelled = true;
  }
}

void CheckWorker::submit(CheckJob job) {
  {
    const std::lock_guard<std::mutex> lock(m_mutex);
    cancelRunning(job.uri);
    const auto queued = m_queued.find(job.uri);
    if (queued != m_queued.end()) {
      queued->second = std::move(job);
    } else {
      m_order.push_back(job.uri);
      std::string uri = job.uri;
      m_queued.emplace(std::move(uri), std::move(job));
    }
  }
  m_wake.notify_one();
}

void CheckWorker::forget(const std::string& uri, const std::function<void()>& then) {
  const std::lock_guard<std::mutex> lock(m_mutex);
  cancelRunning(uri);
  if (m_queued.erase(uri) > 0) {
    for (auto it = m_order.begin(); it != m_order.end(); ++it) {
      if (*it == uri) {
        m_order.erase(it);
        break;
      }
    }
  }
  then();
}

nlohmann::json CheckWorker::check(StylesheetSyntaxChecker& checker, const CheckJob& job) {
  CheckLimits limits;
  limits.cancelled = &m_cancelled;
  limits.deadline = std::chrono::steady_clock::now() + m_budget;
  checker.setLimits(limits);
  std::vector<StylesheetSyntaxError> errors;
  // A check that could not run must not look like a clean stylesheet: the checker's record
  // of why stands in for the findings.
  if (!checker.getStylesheetSyntaxErrorsFromBuffer(job.text.data(), job.text.size(), errors, true,
                                                   job.systemId)) {
    errors.assign(1, checker.getCheckFailure());
  } else if (job.followModules && !job.systemId.empty() && !checker.getModuleReferences().empty()) {
    const std::vector<ModuleReference> references = checker.getModuleReferences();
    m_modules.addRecords(checker, job.systemId, references, errors);
  }
  return m_cancelled ? nlohmann::json() : ToDiagnostics(errors, job.text);
}

void CheckWorker::run() {
  StylesheetSyntaxChecker checker;
  for (;;) {
    CheckJob job;
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      m_wake.wait(lock, [this] { return m_stopping || !m_order.empty(); });
      if (m_stopping) {
        return;
      }
      const auto queued = m_queued.find(m_order.front());
      job = std::move(queued->second);
      m_queued.erase(queued);
      m_order.pop_front();
      m_runningUri = job.uri;
      m_cancelled = false;
    }
    nlohmann::json diagnostics;
    try {
      diagnostics = check(checker, job);
    } catch (const std::bad_alloc&) {
      // Memory ran out outside the checker, mapping its records: the record says so.
      diagnostics = ToDiagnostics({OutOfMemoryRecord()}, std::string());
    }
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_runningUri.clear();
    if (!m_cancelled) {
      m_publish(job, std::move(diagnostics));
    }
  }
}
