// Record to Diagnostic: range, severity, code, source and message.
#include "DiagnosticsMapper.h"

#include <algorithm>

namespace {

const char kSource[] = "stylewarden";
const int kSeverityError = 1;
const int kSeverityWarning = 2;

void AppendUtf8(std::string& out, char32_t codePoint) {
  if (codePoint < 0x80) {
    out += static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    out += static_cast<char>(0xC0 | (codePoint >> 6));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    out += static_cast<char>(0xE0 | (codePoint >> 12));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (codePoint >> 18));
    out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  }
}

nlohmann::json ToJson(TextPosition position) {
  return {{"line", position.line}, {"character", position.character}};
}

}  // namespace

std::string Utf16UnitsToUtf8(const std::wstring& units) {
  const char32_t kReplacement = 0xFFFD;
  std::string out;
  out.reserve(units.size());
  for (std::size_t i = 0; i < units.size(); ++i) {
    // The checker keeps one 16-bit unit per wide character; anything above is not text.
    const char32_t unit = static_cast<char32_t>(units[i]) & 0xFFFF;
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units.size()) {
      const char32_t next = static_cast<char32_t>(units[i + 1]) & 0xFFFF;
      if (next >= 0xDC00 && next <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
        ++i;
        continue;
      }
    }
    AppendUtf8(out, unit >= 0xD800 && unit <= 0xDFFF ? kReplacement : unit);
  }
  return out;
}

TextPosition ToTextPosition(const Location& location, const PositionConverter& converter) {
  TextPosition position;
  position.line = std::max<std::int64_t>(std::int64_t{location.line} - 1, 0);
  position.character = std::max<std::int64_t>(std::int64_t{location.column} - 1, 0);
  return converter.clamp(position);
}

nlohmann::json ToDiagnostics(const std::vector<StylesheetSyntaxError>& errors,
                             const std::string& text) {
  nlohmann::json diagnostics = nlohmann::json::array();
  if (errors.empty()) {
    return diagnostics;
  }
  const PositionConverter converter(text);
  for (const StylesheetSyntaxError& error : errors) {
    const TextPosition start = ToTextPosition(error.m_start, converter);
    const TextPosition end = std::max(start, ToTextPosition(error.m_end, converter));
    diagnostics.push_back({
        {"range", {{"start", ToJson(start)}, {"end", ToJson(end)}}},
        {"severity", error.m_severity == SEVERITY_WARNING ? kSeverityWarning : kSeverityError},
        {"code", static_cast<int>(error.m_code)},
        {"source", kSource},
        {"message", Utf16UnitsToUtf8(error.m_message)},
    });
  }
  return diagnostics;
}
