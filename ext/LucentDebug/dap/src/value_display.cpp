#include "value_display.h"

#include <cctype>
#include <map>

namespace {

bool IsHexDigit(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

bool HasChildList(const PropertyInfo& info) {
  return info.type == "IS_ARRAY" || info.type == "IS_OBJECT";
}

// A string between double quotes. `display` holds the engine's escapes
// (\xNN for a byte that is not UTF-8, or a NUL) only where it differs from
// `value`, the text cut at the first NUL; otherwise every backslash is the
// script's own.
std::string QuotedString(const PropertyInfo& info) {
  const std::string& text = info.display;
  const bool engineEscapes = info.display != info.value;
  std::string quoted = "\"";
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const bool byteEscape = engineEscapes && c == '\\' && i + 3 < text.size() &&
                            text[i + 1] == 'x' && IsHexDigit(text[i + 2]) &&
                            IsHexDigit(text[i + 3]);
    if ((c == '"' || c == '\\' || c == '$') && !byteEscape) quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace

std::string DisplayType(const std::string& engineType) {
  static const std::map<std::string, std::string> kNames = {
      {"IS_NULL", "null"},     {"IS_BOOL", "bool"},         {"IS_LONG", "int"},
      {"IS_DOUBLE", "float"},  {"IS_STRING", "string"},     {"IS_ARRAY", "array"},
      {"IS_OBJECT", "object"}, {"IS_RESOURCE", "resource"}, {"IS_CONSTANT", "constant"}};
  auto found = kNames.find(engineType);
  return found == kNames.end() ? engineType : found->second;
}

std::string DisplayType(const PropertyInfo& info) {
  if (info.type == "IS_OBJECT" && !info.className.empty()) return info.className;
  return DisplayType(info.type);
}

std::string DisplayValue(const PropertyInfo& info) {
  if (info.type == "IS_NULL") return "null";
  if (info.type == "IS_BOOL") return info.value == "1" ? "true" : "false";
  if (info.type == "IS_STRING") return QuotedString(info);
  if (info.type == "IS_ARRAY") return info.display.rfind("array(", 0) == 0 ? info.display : "array";
  if (info.type == "IS_OBJECT") return info.className.empty() ? "object" : info.className;
  if (info.type == "IS_RESOURCE") return "resource";
  return info.value;
}

bool PagedByIndex(const PropertyInfo& info) {
  return HasChildList(info) && info.indexedCount > 0 && info.namedCount == 0;
}

nlohmann::json VariableHints(const PropertyInfo& info) {
  nlohmann::json hints = nlohmann::json::object();
  if (!info.visibility.empty() || info.isStatic) {
    nlohmann::json hint = {{"kind", "property"}};
    if (!info.visibility.empty()) hint["visibility"] = info.visibility;
    if (info.isStatic) hint["attributes"] = nlohmann::json::array({"static"});
    hints["presentationHint"] = hint;
  }
  if (PagedByIndex(info)) {
    hints["indexedVariables"] = info.indexedCount;
  } else if (HasChildList(info) && info.indexedCount + info.namedCount > 0) {
    hints["namedVariables"] = info.indexedCount + info.namedCount;
  }
  return hints;
}

std::string FrameName(const Frame& frame) {
  return frame.qualifiedName.empty() ? frame.where : frame.qualifiedName;
}
