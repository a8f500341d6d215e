// Short and full names of table entries, bounded as the records allow, and
// the parser of the variable paths that full names spell.
#include "value_names.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr size_t kNameLimit = 254;

bool IsArrayParent(int parentType) {
  return parentType == kParentArray || parentType == kParentConstantArray;
}

bool IsIdentifierStart(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c >= 0x80;
}

bool IsIdentifierChar(unsigned char c) { return IsIdentifierStart(c) || (c >= '0' && c <= '9'); }

bool IsIdentifier(const std::string& text) {
  if (text.empty() || !IsIdentifierStart(static_cast<unsigned char>(text[0]))) return false;
  for (char c : text) {
    if (!IsIdentifierChar(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

bool IsOctal(char c) { return c >= '0' && c <= '7'; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads a literal at text[pos] (the opening quote) the way PHP reads it; a
// double-quoted literal that would interpolate a variable is refused.
bool ReadQuoted(const std::string& text, size_t* pos, std::string* out) {
  char quote = text[*pos];
  size_t i = *pos + 1;
  out->clear();
  while (i < text.size() && text[i] != quote) {
    char c = text[i];
    if (quote == '"' && c == '$') return false;
    if (c != '\\' || i + 1 >= text.size()) {
      out->push_back(c);
      ++i;
      continue;
    }
    char next = text[i + 1];
    if (quote == '\'') {
      if (next == '\'' || next == '\\') {
        out->push_back(next);
        i += 2;
      } else {
        out->push_back(c);
        ++i;
      }
      continue;
    }
    i += 2;
    switch (next) {
      case '\\':
      case '"':
      case '$':
        out->push_back(next);
        break;
      case 'n':
        out->push_back('\n');
        break;
      case 't':
        out->push_back('\t');
        break;
      case 'r':
        out->push_back('\r');
        break;
      case 'v':
        out->push_back('\v');
        break;
      case 'f':
        out->push_back('\f');
        break;
      case 'e':
        out->push_back('\x1b');
        break;
      case 'x':
        if (i < text.size() && HexValue(text[i]) >= 0) {
          int value = HexValue(text[i++]);
          if (i < text.size() && HexValue(text[i]) >= 0) value = value * 16 + HexValue(text[i++]);
          out->push_back(static_cast<char>(value));
        } else {
          out->append("\\x");
        }
        break;
      default:
        if (IsOctal(next)) {
          int value = next - '0';
          for (int digits = 1; digits < 3 && i < text.size() && IsOctal(text[i]); ++digits) {
            value = value * 8 + (text[i++] - '0');
          }
          out->push_back(static_cast<char>(value & 0xff));
        } else {
          out->push_back('\\');
          out->push_back(next);
        }
        break;
    }
  }
  if (i >= text.size()) return false;
  *pos = i + 1;
  return true;
}

bool ReadIdentifier(const std::string& text, size_t* pos, std::string* out) {
  size_t start = *pos;
  if (start >= text.size() || !IsIdentifierStart(static_cast<unsigned char>(text[start]))) {
    return false;
  }
  size_t end = start + 1;
  while (end < text.size() && IsIdentifierChar(static_cast<unsigned char>(text[end]))) ++end;
  *out = text.substr(start, end - start);
  *pos = end;
  return true;
}

// A decimal integer as PHP writes one that stays a decimal (no octal "012",
// no "+"), within the range of long.
bool ReadInteger(const std::string& text, size_t* pos, long* out) {
  size_t i = *pos;
  if (i < text.size() && text[i] == '-') ++i;
  size_t digits = i;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
  if (i == digits || (text[digits] == '0' && i - digits > 1)) return false;
  std::string number = text.substr(*pos, i - *pos);
  errno = 0;
  long value = strtol(number.c_str(), nullptr, 10);
  if (errno == ERANGE) return false;
  *out = value;
  *pos = i;
  return true;
}

bool ReadElement(const std::string& text, size_t* pos, PathStep* step) {
  size_t i = *pos + 1;  // past "["
  step->kind = PathStep::kElement;
  if (i < text.size() && (text[i] == '"' || text[i] == '\'')) {
    if (!ReadQuoted(text, &i, &step->key)) return false;
    step->integerKey = false;
  } else {
    if (!ReadInteger(text, &i, &step->index)) return false;
    step->integerKey = true;
  }
  if (i >= text.size() || text[i] != ']') return false;
  *pos = i + 1;
  return true;
}

bool ReadProperty(const std::string& text, size_t* pos, PathStep* step) {
  size_t i = *pos + 2;  // past "->"
  step->kind = PathStep::kProperty;
  step->integerKey = false;
  if (i < text.size() && text[i] == '{') {
    ++i;
    if (i >= text.size() || (text[i] != '"' && text[i] != '\'')) return false;
    if (!ReadQuoted(text, &i, &step->key)) return false;
    if (i >= text.size() || text[i] != '}') return false;
    *pos = i + 1;
    return true;
  }
  return ReadIdentifier(text, &i, &step->key) && (*pos = i, true);
}

// Cls::$name, \Ns\Cls::$name or self::$name at the start of the text.
bool ReadStaticStart(const std::string& text, size_t* pos, VariablePath* path) {
  size_t i = 0;
  std::string className;
  if (i < text.size() && text[i] == '\\') ++i;
  for (;;) {
    std::string part;
    if (!ReadIdentifier(text, &i, &part)) return false;
    className += part;
    if (i < text.size() && text[i] == '\\') {
      className += '\\';
      ++i;
      continue;
    }
    break;
  }
  if (text.compare(i, 3, "::$") != 0) return false;
  i += 3;
  if (!ReadIdentifier(text, &i, &path->variable)) return false;
  path->className = className;
  *pos = i;
  return true;
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

std::string QuotedKey(const std::string& text) {
  std::string quoted = "\"";
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    switch (c) {
      case '\\':
      case '"':
      case '$':
        quoted += '\\';
        quoted += c;
        break;
      case '\n':
        quoted += "\\n";
        break;
      case '\r':
        quoted += "\\r";
        break;
      case '\t':
        quoted += "\\t";
        break;
      case '\0':
        // Three digits, so that a digit after it cannot extend the escape.
        quoted += "\\000";
        break;
      default:
        quoted += c;
        break;
    }
  }
  return quoted + "\"";
}

std::string ElementFullName(const std::string& parentName, const std::string& key) {
  return parentName + "[" + QuotedKey(key) + "]";
}

std::string PropertyFullName(const std::string& parentName, const std::string& key,
                             const std::string& shownName, bool shownNameIsUnique) {
  if (shownNameIsUnique && IsIdentifier(shownName)) {
    return makefullname(kParentObject, parentName, shownName);
  }
  return parentName + "->{" + QuotedKey(key) + "}";
}

bool ParseVariablePath(const std::string& text, VariablePath* path) {
  *path = VariablePath();
  size_t pos = 0;
  if (!text.empty() && text[0] == '$') {
    pos = 1;
    if (!ReadIdentifier(text, &pos, &path->variable)) return false;
  } else if (!ReadStaticStart(text, &pos, path)) {
    return false;
  }
  while (pos < text.size()) {
    PathStep step;
    bool read = false;
    if (text[pos] == '[') {
      read = ReadElement(text, &pos, &step);
    } else if (text.compare(pos, 2, "->") == 0) {
      read = ReadProperty(text, &pos, &step);
    }
    if (!read) return false;
    path->steps.push_back(std::move(step));
  }
  return true;
}
