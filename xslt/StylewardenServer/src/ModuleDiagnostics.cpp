// The document is node 0 of a module graph; its references are resolved as the program's
// --modules resolves them, and the first record reachable through each becomes the record
// of the referencing element.
#include "ModuleDiagnostics.h"

#include <sys/stat.h>

#include <filesystem>
#include <xercesc/util/TransService.hpp>

#include "ModuleGraph.h"
#include "StringUtils.h"

namespace {

std::vector<long long> StampOf(const std::string& path) {
  struct stat status;
  if (::stat(path.c_str(), &status) != 0) {
    return {};
  }
  return {
      static_cast<long long>(status.st_dev),          static_cast<long long>(status.st_ino),
      static_cast<long long>(status.st_size),         static_cast<long long>(status.st_mtim.tv_sec),
      static_cast<long long>(status.st_mtim.tv_nsec), static_cast<long long>(status.st_ctim.tv_sec),
      static_cast<long long>(status.st_ctim.tv_nsec)};
}

// A path for a message: UTF-8 as UTF-16 units, a byte at a time when it is not UTF-8.
std::wstring PathText(const std::string& path) {
  try {
    const xercesc::TranscodeFromStr units(reinterpret_cast<const XMLByte*>(path.data()),
                                          path.size(), "UTF-8");
    return toWString(units.str());
  } catch (...) {
    return std::wstring(path.begin(), path.end());
  }
}

std::wstring At(const Location& location) {
  return L"(" + std::to_wstring(location.line) + L", " + std::to_wstring(location.column) + L")";
}

}  // namespace

void ModuleDiagnostics::checkModule(StylesheetSyntaxChecker& checker, const std::string& path,
                                    const std::string& identity,
                                    std::vector<StylesheetSyntaxError>& records,
                                    std::vector<ModuleReference>& references, bool& package) {
  std::vector<long long> stamp = StampOf(identity);
  const auto cached = m_cache.find(identity);
  if (cached != m_cache.end() && !stamp.empty() && cached->second.stamp == stamp) {
    records = cached->second.records;
    references = cached->second.references;
    package = cached->second.package;
    return;
  }
  // A check that could not complete (out of time, cancelled) is not kept.
  if (CheckModuleFile(checker, path, records, references, package) && !stamp.empty()) {
    m_cache[identity] = CheckedModule{std::move(stamp), records, references, package};
  } else {
    m_cache.erase(identity);
  }
}

void ModuleDiagnostics::addRecords(StylesheetSyntaxChecker& checker,
                                   const std::string& documentPath,
                                   const std::vector<ModuleReference>& references,
                                   std::vector<StylesheetSyntaxError>& records) {
  if (references.empty()) {
    return;
  }
  ModuleGraph graph;
  graph.add(documentPath, FileIdentity(documentPath));
  graph.nodes()[0].references = references;
  graph.nodes()[0].checked = true;
  graph.link(0);
  for (std::size_t i = 1; i < graph.nodes().size(); ++i) {
    ModuleGraph::Node& node = graph.nodes()[i];
    checkModule(checker, node.path, node.identity, node.records, node.references, node.package);
    node.checked = true;
    graph.link(static_cast<int>(i));
  }
  graph.order({0});
  const ModuleGraph::Node& document = graph.nodes()[0];
  for (StylesheetSyntaxError record : document.records) {
    InsertRecordInOrder(records, std::move(record));
  }
  const std::filesystem::path folder = std::filesystem::path(documentPath).parent_path();
  for (std::size_t k = 0; k < references.size(); ++k) {
    const int target = document.targets[k];
    const int broken = target > 0 ? graph.firstWithRecords(target) : -1;
    if (broken < 0) {
      continue;
    }
    const ModuleGraph::Node& module = graph.nodes()[broken];
    const StylesheetSyntaxError& first = module.records.front();
    std::wstring message = L"The module \"" + references[k].href + L"\" ";
    if (broken != target) {
      message += L"reaches \"" +
                 PathText(std::filesystem::path(module.path).lexically_relative(folder).string()) +
                 L"\", which ";
    }
    message += L"has an error at " + At(first.m_start) + L": " + first.m_message;
    InsertRecordInOrder(records, StylesheetSyntaxError(first.m_code, first.m_severity, message,
                                                       references[k].start, references[k].end));
  }
}
