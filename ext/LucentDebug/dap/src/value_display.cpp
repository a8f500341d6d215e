#include "value_display.h"

#include <map>

std::string DisplayType(const std::string& engineType) {
  static const std::map<std::string, std::string> kNames = {
      {"IS_NULL", "null"},     {"IS_BOOL", "bool"},         {"IS_LONG", "int"},
      {"IS_DOUBLE", "float"},  {"IS_STRING", "string"},     {"IS_ARRAY", "array"},
      {"IS_OBJECT", "object"}, {"IS_RESOURCE", "resource"}, {"IS_CONSTANT", "constant"}};
  auto found = kNames.find(engineType);
  return found == kNames.end() ? engineType : found->second;
}

std::string DisplayValue(const PropertyInfo& info) {
  if (info.type == "IS_NULL") return "null";
  if (info.type == "IS_BOOL") return info.value == "1" ? "true" : "false";
  if (info.type == "IS_ARRAY") return "array";
  if (info.type == "IS_OBJECT") return "object";
  if (info.type == "IS_RESOURCE") return "resource";
  if (info.type == "IS_STRING") {
    std::string quoted = "\"";
    for (char c : info.value) {
      if (c == '"' || c == '\\' || c == '$') quoted += '\\';
      quoted += c;
    }
    return quoted + "\"";
  }
  return info.value;
}
