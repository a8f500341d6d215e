// Lifecycle and text document methods. The state tables are built once, at initialize, and
// serve every check after that.
#include "LanguageServer.h"

#include <optional>
#include <utility>
#include <vector>

#include "LoneSurrogates.h"
#include "StringUtils.h"

using nlohmann::json;

namespace {

const char kServerName[] = "stylewarden-ls";
const char kServerVersion[] = "1.0";
const int kSyncIncremental = 2;
const int kLogError = 1;

std::string DocumentUri(const json& params, const std::string& method) {
  const json& document = jsonrpc::ObjectField(params, "textDocument", method);
  return jsonrpc::StringField(document, "uri", method + ".textDocument");
}

// A local file document's references (its DTD, external entities) resolve beside it, as for
// the command-line program: the system id is the file's path. The parser would read a file
// URI's escapes of UTF-8 bytes as single characters, so they are decoded here. Documents of
// other schemes or hosts resolve nothing.
std::string SystemIdOf(const std::string& uri) {
  const std::string kLocalFile = "file://";
  if (uri.rfind(kLocalFile + "/", 0) != 0) {
    return std::string();
  }
  return PercentDecoded(uri.substr(kLocalFile.size()));
}

TextPosition ReadPosition(const json& object, const char* key, const std::string& path) {
  const json& position = jsonrpc::ObjectField(object, key, path);
  const std::string where = path + "." + key;
  TextPosition result;
  result.line = jsonrpc::IntegerField(position, "line", where);
  result.character = jsonrpc::IntegerField(position, "character", where);
  if (result.line < 0 || result.character < 0) {
    throw jsonrpc::Error(jsonrpc::kInvalidParams, where + " is negative");
  }
  return result;
}

}  // namespace

LanguageServer::LanguageServer(std::string stateFile, JsonRpcDispatcher::Sender sender,
                               std::function<void(const std::string&)> log,
                               std::chrono::milliseconds checkBudget)
    : m_defaultStateFile(std::move(stateFile)),
      m_log(std::move(log)),
      m_dispatcher(
          [this, send = std::move(sender)](const json& message) {
            const std::lock_guard<std::mutex> lock(m_sendMutex);
            send(message);
          },
          [this](const std::string& problem) { reportProblem(problem); }),
      m_checkBudget(checkBudget) {
  m_dispatcher.setGate([this](const std::string& method, jsonrpc::Error& refusal) {
    return admits(method, refusal);
  });
  m_dispatcher.onRequest("initialize", [this](const json& params) { return initialize(params); });
  m_dispatcher.onRequest("shutdown", [this](const json&) {
    m_phase = Phase::kShuttingDown;
    m_shutdownRequested = true;
    return json(nullptr);
  });
  m_dispatcher.onNotification("initialized", [](const json&) {});
  m_dispatcher.onNotification("exit", [this](const json&) { m_phase = Phase::kExited; });
  m_dispatcher.onNotification("textDocument/didOpen",
                              [this](const json& params) { didOpen(params); });
  m_dispatcher.onNotification("textDocument/didChange",
                              [this](const json& params) { didChange(params); });
  m_dispatcher.onNotification("textDocument/didSave",
                              [this](const json& params) { didSave(params); });
  m_dispatcher.onNotification("textDocument/didClose",
                              [this](const json& params) { didClose(params); });
}

LanguageServer::~LanguageServer() {
  m_worker.reset();
  if (m_checkerStarted) {
    StylesheetSyntaxChecker::finalize();
  }
}

void LanguageServer::handle(const std::string& body) {
  // A lone surrogate in a document's text must not cost the whole message.
  const std::optional<std::string> repaired = WithoutLoneSurrogates(body);
  m_dispatcher.dispatch(repaired ? *repaired : body);
}

void LanguageServer::rejectUnreadable(const std::string& problem) {
  m_dispatcher.sendError(nullptr, jsonrpc::kInvalidRequest, problem);
}

bool LanguageServer::admits(const std::string& method, jsonrpc::Error& refusal) const {
  if (method == "exit") {
    return true;
  }
  switch (m_phase) {
    case Phase::kStarting:
      if (method == "initialize") {
        return true;
      }
      refusal = jsonrpc::Error(jsonrpc::kServerNotInitialized, "server is not initialized");
      return false;
    case Phase::kRunning:
      if (method == "initialize") {
        refusal = jsonrpc::Error(jsonrpc::kInvalidRequest, "server is already initialized");
        return false;
      }
      return true;
    case Phase::kShuttingDown:
    case Phase::kExited:
      refusal = jsonrpc::Error(jsonrpc::kInvalidRequest, "server is shutting down");
      return false;
  }
  return false;
}

json LanguageServer::initialize(const json& params) {
  if (!params.is_object()) {
    throw jsonrpc::Error(jsonrpc::kInvalidParams, "initialize params must be an object");
  }
  std::string stateFile = m_defaultStateFile;
  const auto options = params.find("initializationOptions");
  if (options != params.end() && !options->is_null()) {
    if (!options->is_object()) {
      throw jsonrpc::Error(jsonrpc::kInvalidParams, "initializationOptions must be an object");
    }
    if (options->contains("stateFile")) {
      stateFile = jsonrpc::StringField(*options, "stateFile", "initializationOptions");
    }
    if (options->contains("modules")) {
      m_followModules = jsonrpc::BooleanField(*options, "modules", "initializationOptions");
    }
  }
  // The state tables live in process-wide registries that a failed load leaves half filled,
  // so a failure is final for this process.
  if (m_stateFileFailed) {
    throw jsonrpc::Error(jsonrpc::kRequestFailed, "the state file could not be loaded earlier",
                         {{"retry", false}});
  }
  m_checkerStarted = true;
  if (!StylesheetSyntaxChecker::initialize(stateFile, true)) {
    m_stateFileFailed = true;
    throw jsonrpc::Error(jsonrpc::kRequestFailed,
                         "Bad initialization: cannot load the state file " + stateFile,
                         {{"retry", false}});
  }
  m_log("stylewarden-ls: state file " + stateFile);
  m_worker =
      std::make_unique<CheckWorker>(m_checkBudget, [this](const CheckJob& job, json diagnostics) {
        publish(job.uri, &job.version, std::move(diagnostics));
      });
  m_phase = Phase::kRunning;
  return {
      {"capabilities",
       {{"textDocumentSync",
         {{"openClose", true}, {"change", kSyncIncremental}, {"save", {{"includeText", false}}}}}}},
      {"serverInfo", {{"name", kServerName}, {"version", kServerVersion}}},
  };
}

void LanguageServer::didOpen(const json& params) {
  const std::string path = "textDocument/didOpen";
  const json& document = jsonrpc::ObjectField(params, "textDocument", path);
  const std::string where = path + ".textDocument";
  const std::string uri = jsonrpc::StringField(document, "uri", where);
  std::string text = jsonrpc::StringField(document, "text", where);
  const std::int64_t version = jsonrpc::IntegerField(document, "version", where);
  m_documents.open(uri, std::move(text), version);
  checkAndPublish(uri);
}

void LanguageServer::didChange(const json& params) {
  const std::string path = "textDocument/didChange";
  const json& document = jsonrpc::ObjectField(params, "textDocument", path);
  const std::string uri = jsonrpc::StringField(document, "uri", path + ".textDocument");
  const std::int64_t version = jsonrpc::IntegerField(document, "version", path + ".textDocument");
  std::vector<TextChange> changes;
  for (const json& entry : jsonrpc::ArrayField(params, "contentChanges", path)) {
    const std::string where = path + ".contentChanges[]";
    TextChange change;
    change.text = jsonrpc::StringField(entry, "text", where);
    if (entry.contains("range")) {
      const json& range = jsonrpc::ObjectField(entry, "range", where);
      change.range = TextRange{ReadPosition(range, "start", where + ".range"),
                               ReadPosition(range, "end", where + ".range")};
    }
    changes.push_back(std::move(change));
  }
  std::string problem;
  if (!m_documents.change(uri, version, changes, problem)) {
    throw jsonrpc::Error(jsonrpc::kInvalidParams, problem);
  }
  checkAndPublish(uri);
}

void LanguageServer::didSave(const json& params) {
  const std::string path = "textDocument/didSave";
  const std::string uri = DocumentUri(params, path);
  if (params.contains("text")) {
    m_documents.replaceText(uri, jsonrpc::StringField(params, "text", path));
  }
  if (m_documents.find(uri) == nullptr) {
    throw jsonrpc::Error(jsonrpc::kInvalidParams, "document is not open: " + uri);
  }
  checkAndPublish(uri);
}

void LanguageServer::didClose(const json& params) {
  const std::string uri = DocumentUri(params, "textDocument/didClose");
  m_documents.close(uri);
  // After the empty list nothing of a check still running may follow.
  m_worker->forget(uri, [this, &uri] { publish(uri, nullptr, json::array()); });
}

void LanguageServer::checkAndPublish(const std::string& uri) {
  const OpenDocument* document = m_documents.find(uri);
  m_worker->submit(
      CheckJob{uri, document->version, document->text, SystemIdOf(uri), m_followModules});
}

void LanguageServer::publish(const std::string& uri, const json* version, json diagnostics) {
  json params = {{"uri", uri}, {"diagnostics", std::move(diagnostics)}};
  if (version != nullptr) {
    params["version"] = *version;
  }
  m_dispatcher.sendNotification("textDocument/publishDiagnostics", std::move(params));
}

void LanguageServer::reportProblem(const std::string& problem) {
  m_log("stylewarden-ls: " + problem);
  m_dispatcher.sendNotification("window/logMessage", {{"type", kLogError}, {"message", problem}});
}
