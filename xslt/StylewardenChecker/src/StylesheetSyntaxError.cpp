// Construction and printing of finding records.
#include "StylesheetSyntaxError.h"

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
  out << "Error #: \"\"\"" << NativeMessage(error.m_message) << "\"\"\" [" << error.m_code
      << "] @ (" << error.m_start.line << ", " << error.m_start.column << ") => ("
      << error.m_end.line << ", " << error.m_end.column << ")";
  return out;
}
