// A single pass over the body's markup with a stack of open elements.
#include "call_screen.h"

#include <strings.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

struct ElementRule {
  const char* name;
  const char* parents;  // blank-separated; empty for the root
  bool holdsText;
};

constexpr ElementRule kRules[] = {
    {"methodCall", "", false},
    {"methodName", "methodCall", true},
    {"params", "methodCall", false},
    {"param", "params", false},
    {"value", "param member data", true},
    {"string", "value", true},
    {"int", "value", true},
    {"i4", "value", true},
    {"boolean", "value", true},
    {"struct", "value", false},
    {"array", "value", false},
    {"member", "struct", false},
    {"name", "member", true},
    {"data", "array", false},
};

// Deeper than any call of the method table needs, well inside the library's
// own nesting limit.
constexpr size_t kMaxDepth = 32;
constexpr size_t kMaxDeclaration = 256;

const ElementRule* RuleOf(const std::string& name) {
  for (const ElementRule& rule : kRules) {
    if (name == rule.name) return &rule;
  }
  return nullptr;
}

bool AllowedUnder(const ElementRule& rule, const std::string& parent) {
  const char* parents = rule.parents;
  const size_t length = parent.size();
  for (const char* at = parents; *at;) {
    const size_t word = std::strcspn(at, " ");
    if (word == length && std::strncmp(at, parent.c_str(), length) == 0) return true;
    at += word;
    if (*at == ' ') ++at;
  }
  return parent.empty() && *parents == '\0';
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool IsNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '-' || c == '_' || c == ':';
}

bool IsDigit(char c, bool hex) {
  return (c >= '0' && c <= '9') || (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
}

// Length of the reference at `at` ("&...;"), or 0 when it is not one of the
// predefined entities or a character reference.
size_t ReferenceLength(const char* at, size_t left) {
  static const char* const kPredefined[] = {"&lt;", "&gt;", "&amp;", "&quot;", "&apos;"};
  for (const char* entity : kPredefined) {
    const size_t length = std::strlen(entity);
    if (left >= length && std::memcmp(at, entity, length) == 0) return length;
  }
  if (left < 4 || at[1] != '#') return 0;
  const bool hex = at[2] == 'x';
  size_t i = hex ? 3 : 2;
  const size_t first = i;
  while (i < left && i - first <= 8 && IsDigit(at[i], hex)) ++i;
  if (i == first || i - first > 8 || i >= left || at[i] != ';') return 0;
  return i + 1;
}

class Screen {
 public:
  explicit Screen(const std::string& body) : text(body) {}

  CallScreen Run() {
    CallScreen result;
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) at = 3;
    if (!Declaration(&result.utf8) || !Markup()) {
      result.problem = problem;
      return result;
    }
    result.accepted = true;
    result.methodName = methodName;
    return result;
  }

 private:
  bool Fail(const std::string& why) {
    if (problem.empty()) problem = why;
    return false;
  }

  bool StartsWith(const char* prefix) const {
    return text.compare(at, std::strlen(prefix), prefix) == 0;
  }

  bool Declaration(bool* utf8) {
    if (!StartsWith("<?xml")) return true;
    const size_t end = text.find("?>", at);
    if (end == std::string::npos || end - at > kMaxDeclaration) {
      return Fail("XML declaration is not closed");
    }
    const std::string content = text.substr(at + 5, end - at - 5);
    at = end + 2;
    const size_t encoding = content.find("encoding");
    if (encoding == std::string::npos) return true;
    size_t quote = content.find_first_of("'\"", encoding);
    if (quote == std::string::npos) return Fail("XML declaration is malformed");
    const size_t close = content.find(content[quote], quote + 1);
    if (close == std::string::npos) return Fail("XML declaration is malformed");
    const std::string name = content.substr(quote + 1, close - quote - 1);
    if (strcasecmp(name.c_str(), "UTF-8") == 0) return true;
    if (strcasecmp(name.c_str(), "US-ASCII") == 0 || strcasecmp(name.c_str(), "ISO-8859-1") == 0) {
      *utf8 = false;
      return true;
    }
    return Fail("the declared encoding is not accepted");
  }

  bool Markup() {
    bool rootSeen = false;
    while (at < text.size()) {
      if (text[at] != '<') {
        if (!characters()) return false;
        continue;
      }
      if (StartsWith("<!--")) {
        const size_t end = text.find("-->", at + 4);
        if (end == std::string::npos) return Fail("comment is not closed");
        at = end + 3;
      } else if (StartsWith("<!")) {
        return Fail("document type declarations and CDATA sections are not accepted");
      } else if (StartsWith("<?")) {
        return Fail("processing instructions are not accepted");
      } else if (StartsWith("</")) {
        if (!EndTag()) return false;
      } else {
        if (stack.empty() && rootSeen) return Fail("content after the methodCall element");
        rootSeen = true;
        if (!StartTag()) return false;
      }
    }
    if (!rootSeen) return Fail("no methodCall element");
    if (!stack.empty()) return Fail("element <" + stack.back().name + "> is not closed");
    return true;
  }

  // Text up to the next markup: blanks anywhere, other text only inside the
  // elements that hold it, and only well-formed references.
  bool characters() {
    const size_t end = std::min(text.find('<', at), text.size());
    bool blank = true;
    for (size_t i = at; i < end; ++i) {
      if (text[i] == '&') {
        const size_t length = ReferenceLength(text.data() + i, end - i);
        if (length == 0) return Fail("only predefined and character references are accepted");
        i += length - 1;
        blank = false;
      } else if (!IsBlank(text[i])) {
        blank = false;
      }
    }
    if (!blank) {
      if (stack.empty()) return Fail("text outside the methodCall element");
      Open& open = stack.back();
      if (!open.rule->holdsText || open.hasChild) {
        return Fail("text is not accepted in <" + open.name + ">");
      }
      open.hasText = true;
    }
    if (!stack.empty() && stack.back().name == "methodName") {
      methodName.append(text, at, end - at);
    }
    at = end;
    return true;
  }

  bool ReadName(std::string* name) {
    const size_t start = at;
    while (at < text.size() && IsNameChar(text[at])) ++at;
    if (at == start) return Fail("malformed tag");
    *name = text.substr(start, std::min<size_t>(at - start, 40));
    if (at - start > 40) return Fail("element name is too long");
    while (at < text.size() && IsBlank(text[at])) ++at;
    return true;
  }

  bool StartTag() {
    ++at;
    std::string name;
    if (!ReadName(&name)) return false;
    bool empty = false;
    if (StartsWith("/>")) {
      empty = true;
      at += 2;
    } else if (StartsWith(">")) {
      at += 1;
    } else {
      return Fail("attributes are not accepted");
    }
    const ElementRule* rule = RuleOf(name);
    if (rule == nullptr) return Fail("element <" + name + "> is not accepted");
    const std::string parent = stack.empty() ? std::string() : stack.back().name;
    if (!AllowedUnder(*rule, parent)) {
      return Fail("element <" + name + "> is not accepted " +
                  (parent.empty() ? std::string("as the root") : "in <" + parent + ">"));
    }
    if (!stack.empty()) {
      Open& open = stack.back();
      if (open.hasText) return Fail("text is not accepted beside <" + name + ">");
      open.hasChild = true;
    }
    if (empty) return true;
    if (stack.size() >= kMaxDepth) return Fail("elements are nested too deeply");
    stack.push_back(Open{name, rule, false, false});
    return true;
  }

  bool EndTag() {
    at += 2;
    std::string name;
    if (!ReadName(&name)) return false;
    if (!StartsWith(">")) return Fail("malformed end tag");
    ++at;
    if (stack.empty() || stack.back().name != name) {
      return Fail("end tag </" + name + "> does not match");
    }
    stack.pop_back();
    return true;
  }

  struct Open {
    std::string name;
    const ElementRule* rule;
    bool hasText;
    bool hasChild;
  };

  const std::string& text;
  size_t at = 0;
  std::vector<Open> stack;
  std::string methodName;
  std::string problem;
};

}  // namespace

CallScreen ScreenCall(const std::string& body) { return Screen(body).Run(); }
