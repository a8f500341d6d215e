// Construction and printing of finding records.
#include "StylesheetSyntaxError.h"

#include <cstdint>
#include <cwchar>
#include <memory>
#include <utility>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/XMLException.hpp>
#include <xercesc/util/XMLString.hpp>

#include "StringUtils.h"

StylesheetSyntaxError::StylesheetSyntaxError(StylesheetSyntaxErrorCode code,
                                             StylesheetSyntaxErrorSeverity severity,
                                             std::wstring message, Location start, Location end)
    : m_code(code),
      m_severity(severity),
      m_message(std::move(message)),
      m_start(start),
      m_end(end) {}

namespace {

struct TranscodedDeleter {
  void operator()(char* text) const { xercesc::XMLString::release(&text); }
};

// The message with every control character and line separator written as an escape, so that
// the record stays one line: \n, \r and \t, else \u and four hex digits.
std::wstring OneLine(const std::wstring& message) {
  std::wstring result;
  result.reserve(message.size());
  for (const wchar_t c : message) {
    const std::uint32_t unit = static_cast<std::uint32_t>(c);
    if (unit >= 0x20 && unit != 0x7F && !(unit >= 0x80 && unit <= 0x9F) && unit != 0x2028 &&
        unit != 0x2029) {
      result += c;
    } else if (c == L'\n') {
      result += L"\\n";
    } else if (c == L'\r') {
      result += L"\\r";
    } else if (c == L'\t') {
      result += L"\\t";
    } else {
      wchar_t escape[8];
      std::swprintf(escape, 8, L"\\u%04X", static_cast<unsigned>(unit & 0xFFFF));
      result += escape;
    }
  }
  return result;
}

// The message in the platform's native encoding. Should the transcoder give up on it, the
// low bytes of its characters are printed instead so that no finding goes unreported.
std::string NativeMessage(const std::wstring& message) {
  const DOMString units = toDOMString(message);
  try {
    std::unique_ptr<char, TranscodedDeleter> native(xercesc::XMLString::transcode(units.c_str()));
    if (native != nullptr) {
      return native.get();
    }
  } catch (const xercesc::XMLException&) {
  } catch (const xercesc::OutOfMemoryException&) {
  }
  return toString(message);
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const StylesheetSyntaxError& error) {
  out << "Error #: \"\"\"" << NativeMessage(OneLine(error.m_message)) << "\"\"\" [" << error.m_code
      << "] @ (" << error.m_start.line << ", " << error.m_start.column << ") => ("
      << error.m_end.line << ", " << error.m_end.column << ")";
  return out;
}
