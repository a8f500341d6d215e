// Record to Diagnostic: range, severity, code, source and message.
#include "DiagnosticsMapper.h"

#include <algorithm>

namespace {

const char kSource[] = "stylewarden";
const int kSeverityError = 1;
const int kSeverityWarning = 2;

nlohmann::json ToJson(TextPosition position) {
  return {{"line", position.line}, {"character", position.character}};
}

}  // namespace

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
