// A recursive-descent reader of XPath 3.1 sequence types. Whitespace may stand between any
// two tokens, as in XPath; comments are not expected in an attribute and are not read.
#include "TypeSyntax.h"

#include <xercesc/util/XMLChar.hpp>

#include "StringUtils.h"

namespace {

class TypeReader {
 public:
  explicit TypeReader(std::wstring_view text) : m_text(text) {}

  bool sequenceTypeToEnd() { return sequenceType() && atEnd(); }
  bool itemTypeToEnd() { return itemType() && atEnd(); }

 private:
  bool atEnd() {
    skipSpace();
    return m_position == m_text.size();
  }

  void skipSpace() {
    while (m_position < m_text.size() && IsXmlSpace(m_text[m_position])) {
      ++m_position;
    }
  }

  // Consumes `c` after optional whitespace.
  bool take(wchar_t c) {
    skipSpace();
    if (m_position < m_text.size() && m_text[m_position] == c) {
      ++m_position;
      return true;
    }
    return false;
  }

  bool peek(wchar_t c) {
    skipSpace();
    return m_position < m_text.size() && m_text[m_position] == c;
  }

  // An NCName at the current position, or an empty view.
  std::wstring_view ncName() {
    const std::size_t start = m_position;
    while (m_position < m_text.size()) {
      const XMLCh unit = static_cast<XMLCh>(m_text[m_position]);
      XMLCh low = 0;
      std::size_t width = 1;
      if (unit >= 0xD800 && unit <= 0xDBFF && m_position + 1 < m_text.size()) {
        low = static_cast<XMLCh>(m_text[m_position + 1]);
        width = 2;
      }
      const bool allowed = m_position == start ? xercesc::XMLChar1_0::isFirstNameChar(unit, low)
                                               : xercesc::XMLChar1_0::isNameChar(unit, low);
      if (!allowed || unit == u':') {
        break;
      }
      m_position += width;
    }
    return m_text.substr(start, m_position - start);
  }

  // A QName or a Q{uri}local name.
  bool eqName() {
    skipSpace();
    if (m_text.substr(m_position, 2) == L"Q{") {
      const std::size_t close = m_text.find(L'}', m_position);
      if (close == std::wstring_view::npos) {
        return false;
      }
      m_position = close + 1;
      return !ncName().empty();
    }
    if (ncName().empty()) {
      return false;
    }
    if (m_position + 1 < m_text.size() && m_text[m_position] == L':') {
      ++m_position;
      return !ncName().empty();
    }
    return true;
  }

  // The keyword before "(": a name directly followed, after optional whitespace, by "(".
  bool keyword(std::wstring_view name) {
    skipSpace();
    const std::size_t start = m_position;
    if (ncNameMatches(name)) {
      const std::size_t afterName = m_position;
      if (take(L'(')) {
        return true;
      }
      m_position = afterName;
    }
    m_position = start;
    return false;
  }

  bool ncNameMatches(std::wstring_view name) {
    const std::size_t start = m_position;
    if (ncName() == name) {
      return true;
    }
    m_position = start;
    return false;
  }

  bool stringLiteral() {
    skipSpace();
    if (m_position >= m_text.size() ||
        (m_text[m_position] != L'"' && m_text[m_position] != L'\'')) {
      return false;
    }
    const wchar_t quote = m_text[m_position];
    const std::size_t close = m_text.find(quote, m_position + 1);
    if (close == std::wstring_view::npos) {
      return false;
    }
    m_position = close + 1;
    return true;
  }

  bool literal() {
    if (stringLiteral()) {
      return true;
    }
    skipSpace();
    const std::size_t start = m_position;
    if (m_position < m_text.size() && (m_text[m_position] == L'-' || m_text[m_position] == L'+')) {
      ++m_position;
    }
    bool digits = false;
    while (m_position < m_text.size() &&
           ((m_text[m_position] >= L'0' && m_text[m_position] <= L'9') ||
            m_text[m_position] == L'.' || m_text[m_position] == L'e' ||
            m_text[m_position] == L'E')) {
      digits = true;
      ++m_position;
    }
    if (!digits) {
      m_position = start;
    }
    return digits;
  }

  bool sequenceType() {
    if (keyword(L"empty-sequence")) {
      return take(L')');
    }
    if (!itemType()) {
      return false;
    }
    // One occurrence indicator at most: "xs:string**" is no type.
    if (!take(L'?') && !take(L'*')) {
      take(L'+');
    }
    return true;
  }

  bool elementOrAttributeTest(bool element) {
    if (take(L')')) {
      return true;
    }
    if (!take(L'*') && !eqName()) {
      return false;
    }
    if (take(L',')) {
      if (!eqName()) {
        return false;
      }
      if (element) {
        take(L'?');
      }
    }
    return take(L')');
  }

  bool itemType() {
    if (take(L'(')) {
      return itemType() && take(L')');
    }
    if (keyword(L"item") || keyword(L"node") || keyword(L"text") || keyword(L"comment") ||
        keyword(L"namespace-node")) {
      return take(L')');
    }
    if (keyword(L"element")) {
      return elementOrAttributeTest(true);
    }
    if (keyword(L"attribute")) {
      return elementOrAttributeTest(false);
    }
    if (keyword(L"schema-element") || keyword(L"schema-attribute")) {
      return eqName() && take(L')');
    }
    if (keyword(L"document-node")) {
      if (take(L')')) {
        return true;
      }
      if (keyword(L"element")) {
        if (!elementOrAttributeTest(true)) {
          return false;
        }
      } else if (!keyword(L"schema-element") || !eqName() || !take(L')')) {
        return false;
      }
      return take(L')');
    }
    if (keyword(L"processing-instruction")) {
      skipSpace();
      if (!stringLiteral()) {
        ncName();
      }
      return take(L')');
    }
    if (peek(L'%')) {
      return annotations() && keyword(L"function") && functionRest();
    }
    if (keyword(L"function")) {
      return functionRest();
    }
    if (keyword(L"map")) {
      if (take(L'*')) {
        return take(L')');
      }
      return eqName() && take(L',') && sequenceType() && take(L')');
    }
    if (keyword(L"array")) {
      if (take(L'*')) {
        return take(L')');
      }
      return sequenceType() && take(L')');
    }
    return eqName();
  }

  // Annotations such as %public before "function(".
  bool annotations() {
    while (take(L'%')) {
      if (!eqName()) {
        return false;
      }
      if (take(L'(')) {
        do {
          if (!literal()) {
            return false;
          }
        } while (take(L','));
        if (!take(L')')) {
          return false;
        }
      }
    }
    return true;
  }

  // What follows "function(".
  bool functionRest() {
    if (take(L'*')) {
      return take(L')');
    }
    if (!take(L')')) {
      do {
        if (!sequenceType()) {
          return false;
        }
      } while (take(L','));
      if (!take(L')')) {
        return false;
      }
    }
    skipSpace();
    return ncNameMatches(L"as") && sequenceType();
  }

  std::wstring_view m_text;
  std::size_t m_position = 0;
};

}  // namespace

bool IsSequenceType(std::wstring_view text) { return TypeReader(text).sequenceTypeToEnd(); }

bool IsItemType(std::wstring_view text) { return TypeReader(text).itemTypeToEnd(); }
