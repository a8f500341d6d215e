// Short and full names of table entries, bounded as the records allow.
#include "value_names.h"

#include <cstdio>

namespace {

constexpr size_t kNameLimit = 254;

bool IsArrayParent(int parentType) {
  return parentType == kParentArray || parentType == kParentConstantArray;
}

}  // namespace

std::string makename(int keyKind, int parentType, const char* stringKey, long integerKey) {
  char buffer[kNameLimit];
  std::string name;
  if (keyKind == kStringKey && IsArrayParent(parentType)) {
    snprintf(buffer, sizeof buffer, "[\"%s\"]", stringKey);
    name = buffer;
  } else if (keyKind == kIntegerKey) {
    snprintf(buffer, sizeof buffer, IsArrayParent(parentType) ? "[%ld]" : "%ld", integerKey);
    name = buffer;
  } else {
    name = stringKey != nullptr ? stringKey : "";
  }
  if (parentType == kParentNone) name.insert(0, "$");
  return name;
}

std::string makefullname(int parentType, const std::string& parentName,
                         const std::string& shortName) {
  if (IsArrayParent(parentType)) return parentName + shortName;
  if (parentType == kParentObject) {
    char buffer[kNameLimit];
    snprintf(buffer, sizeof buffer, "%s->%s", parentName.c_str(), shortName.c_str());
    return buffer;
  }
  return shortName;
}
