// Module references resolve as relative URI references against the including file; only
// local regular files are followed. The walk is iterative, so that a long chain of modules
// costs no stack.
#include "ModuleGraph.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>
#include <utility>

#include "RegularFile.h"
#include "StringUtils.h"

namespace fs = std::filesystem;

namespace {

// The scheme of an absolute URI ("file", "http"), or "" for a relative reference.
std::string SchemeOf(const std::string& reference) {
  std::size_t i = 0;
  while (i < reference.size() &&
         (std::isalnum(static_cast<unsigned char>(reference[i])) ||
          (i > 0 && (reference[i] == '+' || reference[i] == '-' || reference[i] == '.')))) {
    ++i;
  }
  if (i == 0 || i == reference.size() || reference[i] != ':' ||
      !std::isalpha(static_cast<unsigned char>(reference[0]))) {
    return std::string();
  }
  std::string scheme = reference.substr(0, i);
  std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return scheme;
}

StylesheetSyntaxError ModuleRecord(StylesheetSyntaxErrorCode code, const ModuleReference& reference,
                                   const std::wstring& problem) {
  return StylesheetSyntaxError(code, SEVERITY_ERROR,
                               L"The module \"" + reference.href + L"\" " + problem,
                               reference.start, reference.end);
}

bool Before(const Location& a, const Location& b) {
  return a.line < b.line || (a.line == b.line && a.column < b.column);
}

}  // namespace

std::string FileIdentity(const std::string& path) {
  std::error_code failure;
  const fs::path real = fs::canonical(path, failure);
  if (!failure) {
    return real.string();
  }
  const fs::path absolute = fs::absolute(path, failure);
  return failure ? path : absolute.lexically_normal().string();
}

ModuleTarget ResolveModule(const std::string& includerPath, const std::wstring& href) {
  ModuleTarget target;
  std::string reference = Utf16UnitsToUtf8(TrimXmlSpace(href));
  if (reference.rfind('#', 0) == 0) {
    target.sameDocument = true;
    return target;
  }
  reference = reference.substr(0, reference.find('#'));
  const std::string scheme = SchemeOf(reference);
  if (scheme == "file") {
    reference = reference.substr(5);
    if (reference.rfind("//", 0) == 0) {
      const std::size_t pathStart = reference.find('/', 2);
      const std::string host = reference.substr(2, pathStart - 2);
      if (host.empty() || host == "localhost") {
        reference = pathStart == std::string::npos ? "/" : reference.substr(pathStart);
      } else {
        target.problem = L"is not read: only local files are read";
        return target;
      }
    }
  } else if (!scheme.empty()) {
    target.problem = L"is not read: only local files are read";
    return target;
  }
  reference = PercentDecoded(reference);
  // An empty reference names the including document itself.
  const fs::path relative(reference);
  target.path = reference.empty() ? includerPath
                : relative.is_absolute()
                    ? relative.lexically_normal().string()
                    : (fs::path(includerPath).parent_path() / relative).lexically_normal().string();
  std::error_code failure;
  const fs::file_status status = fs::status(target.path, failure);
  if (status.type() == fs::file_type::not_found) {
    target.problem = L"is not read: there is no such file";
  } else if (failure) {
    const std::string reason = failure.message();
    target.problem = L"is not read: " + std::wstring(reason.begin(), reason.end());
  } else if (!fs::is_regular_file(status)) {
    target.problem = L"is not read: it is not a regular file";
  } else {
    target.identity = FileIdentity(target.path);
  }
  return target;
}

bool CheckModuleFile(StylesheetSyntaxChecker& checker, const std::string& path,
                     std::vector<StylesheetSyntaxError>& records,
                     std::vector<ModuleReference>& references, bool& package) {
  std::vector<char> bytes;
  references.clear();
  package = false;
  const FileOpening opening = OpenRegularFile(path, &bytes);
  if (opening != FileOpening::kRegular) {
    records.assign(1,
                   StylesheetSyntaxError(SYNTAXERROR_XML_FATAL_ERROR, SEVERITY_ERROR,
                                         opening == FileOpening::kNotRegular
                                             ? L"The module is not read: it is not a regular file"
                                             : L"The module is not read: it cannot be opened",
                                         Location{1, 1}, Location{1, 1}));
    return true;
  }
  if (!checker.getStylesheetSyntaxErrorsFromBuffer(bytes.data(), bytes.size(), records, false,
                                                   path)) {
    records.assign(1, checker.getCheckFailure());
    return false;
  }
  references = checker.getModuleReferences();
  package = checker.checkedPackage();
  return true;
}

int ModuleGraph::add(const std::string& path, const std::string& identity) {
  const auto known = m_byIdentity.find(identity);
  if (known != m_byIdentity.end()) {
    return known->second;
  }
  const int index = static_cast<int>(m_nodes.size());
  m_nodes.push_back(Node{path, identity, {}, {}, {}, false});
  m_byIdentity.emplace(identity, index);
  return index;
}

void InsertRecordInOrder(std::vector<StylesheetSyntaxError>& records,
                         StylesheetSyntaxError record) {
  auto at = std::find_if(
      records.begin(), records.end(),
      [&record](const StylesheetSyntaxError& own) { return Before(record.m_start, own.m_start); });
  records.insert(at, std::move(record));
}

void ModuleGraph::link(int i) {
  m_nodes[i].targets.assign(m_nodes[i].references.size(), -1);
  for (std::size_t k = 0; k < m_nodes[i].references.size(); ++k) {
    const ModuleReference reference = m_nodes[i].references[k];
    if (reference.kind == ModuleKind::kUsePackage) {
      continue;  // where packages are is the processor's configuration
    }
    const ModuleTarget target = ResolveModule(m_nodes[i].path, reference.href);
    // A file of the graph may exist only in memory: an editor's document not saved yet.
    const auto known =
        target.path.empty() ? m_byIdentity.end() : m_byIdentity.find(FileIdentity(target.path));
    if (!target.problem.empty() && known != m_byIdentity.end()) {
      m_nodes[i].targets[k] = known->second;
    } else if (!target.problem.empty()) {
      InsertRecordInOrder(m_nodes[i].records,
                          ModuleRecord(SYNTAXERROR_XML_FATAL_ERROR, reference, target.problem));
    } else if (!target.sameDocument) {
      const int node = add(target.path, target.identity);
      m_nodes[i].targets[k] = node;
    }
  }
}

std::vector<int> ModuleGraph::order(const std::vector<int>& roots) {
  enum Visit : char { kNew, kOnPath, kDone };
  std::vector<char> visits(m_nodes.size(), kNew);
  std::vector<int> ordered;
  // The path from the root: each node with the index of its next reference.
  std::vector<std::pair<int, std::size_t>> path;
  for (const int root : roots) {
    if (visits[root] != kNew) {
      continue;
    }
    visits[root] = kOnPath;
    ordered.push_back(root);
    path.emplace_back(root, 0);
    while (!path.empty()) {
      auto& [node, next] = path.back();
      if (next == m_nodes[node].targets.size()) {
        visits[node] = kDone;
        path.pop_back();
        continue;
      }
      const std::size_t k = next++;
      const int target = m_nodes[node].targets[k];
      if (target < 0) {
        continue;
      }
      if (m_nodes[target].package) {
        InsertRecordInOrder(
            m_nodes[node].records,
            ModuleRecord(SYNTAXERROR_ATTRIBUTE_VALUE_NOT_ALLOWED, m_nodes[node].references[k],
                         L"is a package (xsl:package): xsl:use-package uses it, "
                         L"xsl:include and xsl:import take stylesheet modules"));
      }
      if (visits[target] == kOnPath) {
        InsertRecordInOrder(
            m_nodes[node].records,
            ModuleRecord(SYNTAXERROR_ATTRIBUTE_VALUE_NOT_ALLOWED, m_nodes[node].references[k],
                         L"includes or imports this module, directly or through others: "
                         L"a cycle"));
      } else if (visits[target] == kNew) {
        visits[target] = kOnPath;
        ordered.push_back(target);
        path.emplace_back(target, 0);
      }
    }
  }
  markImportedPackageUses(roots);
  return ordered;
}

void ModuleGraph::markImportedPackageUses(const std::vector<int>& roots) {
  // A package's principal module and the modules it includes form one stylesheet level; an
  // imported module starts another, and xsl:use-package belongs to the principal level.
  std::vector<char> imported(m_nodes.size(), 0);
  std::vector<char> seen(m_nodes.size(), 0);
  std::vector<int> pending;
  for (const int root : roots) {
    if (!seen[root]) {
      seen[root] = 1;
      pending.push_back(root);
    }
  }
  while (!pending.empty()) {
    const int node = pending.back();
    pending.pop_back();
    for (std::size_t k = 0; k < m_nodes[node].targets.size(); ++k) {
      const int target = m_nodes[node].targets[k];
      if (target < 0) {
        continue;
      }
      const bool viaImport =
          imported[node] || m_nodes[node].references[k].kind == ModuleKind::kImport;
      if (!seen[target] || (viaImport && !imported[target])) {
        seen[target] = 1;
        imported[target] = imported[target] || viaImport;
        pending.push_back(target);
      }
    }
  }
  for (std::size_t node = 0; node < m_nodes.size(); ++node) {
    if (!imported[node]) {
      continue;
    }
    for (const ModuleReference& reference : m_nodes[node].references) {
      if (reference.kind == ModuleKind::kUsePackage) {
        InsertRecordInOrder(m_nodes[node].records,
                            StylesheetSyntaxError(SYNTAXERROR_ELEMENT_NOT_VALID, SEVERITY_ERROR,
                                                  L"The element \"xsl:use-package\" is not valid "
                                                  L"in an imported module: it belongs to the "
                                                  L"package's principal module or a module "
                                                  L"that one includes",
                                                  reference.start, reference.end));
      }
    }
  }
}

int ModuleGraph::firstWithRecords(int from) const {
  std::vector<char> seen(m_nodes.size(), 0);
  std::vector<std::pair<int, std::size_t>> path{{from, 0}};
  seen[from] = 1;
  if (!m_nodes[from].records.empty()) {
    return from;
  }
  while (!path.empty()) {
    auto& [node, next] = path.back();
    if (next == m_nodes[node].targets.size()) {
      path.pop_back();
      continue;
    }
    const int target = m_nodes[node].targets[next++];
    if (target >= 0 && !seen[target]) {
      seen[target] = 1;
      if (!m_nodes[target].records.empty()) {
        return target;
      }
      path.emplace_back(target, 0);
    }
  }
  return -1;
}
