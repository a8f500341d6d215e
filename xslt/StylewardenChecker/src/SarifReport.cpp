// SARIF results carry the record's code as rule, its severity as level and its start and
// end as a region (the end column is the one after the last character, as in the records).
#include "SarifReport.h"

#include <algorithm>
#include <cstdio>

#include "StringUtils.h"

using nlohmann::json;

namespace {

struct Rule {
  const char* name;
  const char* description;
};

// Indexed by code - 1.
const Rule kRules[] = {
    {"xml-warning", "A warning of the XML parser"},
    {"xml-error", "An error of the XML parser"},
    {"xml-fatal-error", "A fatal error of the XML parser, or a check that could not complete"},
    {"element-not-valid", "An element that is not allowed where it stands"},
    {"missing-child-element", "An element that ends without a required child"},
    {"missing-required-attribute", "A required attribute is missing"},
    {"attribute-not-allowed", "An attribute that is not allowed"},
    {"attribute-value-not-allowed", "An attribute value that is not allowed"},
    {"text-not-allowed", "Text where no text is allowed"},
};
constexpr int kRuleCount = sizeof kRules / sizeof kRules[0];

std::string RuleId(int code) { return "SW" + std::to_string(code); }

const char* Level(const StylesheetSyntaxError& record) {
  return record.m_severity == SEVERITY_WARNING ? "warning" : "error";
}

json Region(const StylesheetSyntaxError& record) {
  const int startLine = std::max(1, record.m_start.line);
  const int startColumn = std::max(1, record.m_start.column);
  int endLine = std::max(startLine, record.m_end.line);
  int endColumn = std::max(1, record.m_end.column);
  if (endLine == startLine) {
    endColumn = std::max(endColumn, startColumn);
  }
  return {{"startLine", startLine},
          {"startColumn", startColumn},
          {"endLine", endLine},
          {"endColumn", endColumn}};
}

}  // namespace

std::string ArtifactUri(const std::string& path) {
  std::string uri = path.rfind('/', 0) == 0 ? "file://" : "";
  std::string::size_type from = path.rfind("./", 0) == 0 ? 2 : 0;
  for (std::string::size_type i = from; i < path.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(path[i]);
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
        c == '.' || c == '_' || c == '~' || c == '/') {
      uri += static_cast<char>(c);
    } else {
      char escape[4];
      std::snprintf(escape, sizeof escape, "%%%02X", c);
      uri += escape;
    }
  }
  return uri;
}

json SarifLog(const std::vector<FileRecords>& files) {
  json rules = json::array();
  for (int code = 1; code <= kRuleCount; ++code) {
    const Rule& rule = kRules[code - 1];
    rules.push_back({{"id", RuleId(code)},
                     {"name", rule.name},
                     {"shortDescription", {{"text", rule.description}}},
                     {"defaultConfiguration", {{"level", code == 1 ? "warning" : "error"}}}});
  }
  json results = json::array();
  for (const FileRecords& file : files) {
    const std::string uri = ArtifactUri(file.path);
    for (const StylesheetSyntaxError& record : file.records) {
      const int code = std::clamp(static_cast<int>(record.m_code), 1, kRuleCount);
      results.push_back(
          {{"ruleId", RuleId(code)},
           {"ruleIndex", code - 1},
           {"level", Level(record)},
           {"message", {{"text", Utf16UnitsToUtf8(record.m_message)}}},
           {"locations",
            {{{"physicalLocation",
               {{"artifactLocation", {{"uri", uri}}}, {"region", Region(record)}}}}}}});
    }
  }
  return {{"$schema", "https://json.schemastore.org/sarif-2.1.0.json"},
          {"version", "2.1.0"},
          {"runs",
           {{{"tool", {{"driver", {{"name", "stylewarden"}, {"rules", std::move(rules)}}}}},
             {"columnKind", "utf16CodeUnits"},
             {"results", std::move(results)}}}}};
}
