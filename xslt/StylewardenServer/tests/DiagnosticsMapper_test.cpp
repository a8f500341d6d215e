// Records to diagnostics: positions from the parser's 1-based counts, severity, messages.
#include "DiagnosticsMapper.h"

#include <gtest/gtest.h>

namespace {

StylesheetSyntaxError record(StylesheetSyntaxErrorCode code, StylesheetSyntaxErrorSeverity severity,
                             Location start, Location end, std::wstring message = L"m") {
  return StylesheetSyntaxError(code, severity, std::move(message), start, end);
}

TEST(DiagnosticsMapperTest, MapsEveryField) {
  const std::string text = "<a>\n\t<b/>\n</a>\n";
  const nlohmann::json diagnostics = ToDiagnostics(
      {record(SYNTAXERROR_ELEMENT_NOT_VALID, SEVERITY_ERROR, {2, 2}, {2, 6}, L"bad \"b\"")}, text);
  const nlohmann::json expected = {
      {{"range",
        {{"start", {{"line", 1}, {"character", 1}}}, {"end", {{"line", 1}, {"character", 5}}}}},
       {"severity", 1},
       {"code", 4},
       {"source", "stylewarden"},
       {"message", "bad \"b\""}}};
  EXPECT_EQ(diagnostics, expected);
}

TEST(DiagnosticsMapperTest, WarningsAreSeverityTwo) {
  const nlohmann::json diagnostics =
      ToDiagnostics({record(SYNTAXERROR_XML_WARNING, SEVERITY_WARNING, {1, 1}, {1, 2}),
                     record(SYNTAXERROR_XML_FATAL_ERROR, SEVERITY_ERROR, {1, 1}, {1, 2})},
                    "<a/>");
  EXPECT_EQ(diagnostics[0]["severity"], 2);
  EXPECT_EQ(diagnostics[0]["code"], 1);
  EXPECT_EQ(diagnostics[1]["severity"], 1);
  EXPECT_EQ(diagnostics[1]["code"], 3);
}

TEST(DiagnosticsMapperTest, KeepsPositionsInsideTheText) {
  // Unset locations (0, 0), positions past the last line and past a line's end, and an end
  // before the start all land on real positions of the text.
  const std::string text = "ab\ncd";
  const nlohmann::json diagnostics =
      ToDiagnostics({record(SYNTAXERROR_XML_FATAL_ERROR, SEVERITY_ERROR, {0, 0}, {9, 9}),
                     record(SYNTAXERROR_XML_FATAL_ERROR, SEVERITY_ERROR, {1, 50}, {1, 1})},
                    text);
  EXPECT_EQ(diagnostics[0]["range"]["start"], (nlohmann::json{{"line", 0}, {"character", 0}}));
  EXPECT_EQ(diagnostics[0]["range"]["end"], (nlohmann::json{{"line", 1}, {"character", 2}}));
  EXPECT_EQ(diagnostics[1]["range"]["start"], (nlohmann::json{{"line", 0}, {"character", 2}}));
  EXPECT_EQ(diagnostics[1]["range"]["end"], (nlohmann::json{{"line", 0}, {"character", 2}}));
}

TEST(DiagnosticsMapperTest, ParserColumnsAreUtf16UnitsAlready) {
  // "😀<b/>": the parser puts the end of "<b/>" at column 7 (2 units + 4 + 1).
  const std::string text = "\xF0\x9F\x98\x80<b/>";
  const TextPosition end = ToTextPosition(Location{1, 7}, PositionConverter(text));
  EXPECT_EQ(end, (TextPosition{0, 6}));
}

TEST(DiagnosticsMapperTest, MessagesBecomeUtf8) {
  // One wide character per UTF-16 unit: é, then 😀 as a surrogate pair, then a lone
  // surrogate.
  const std::wstring units = {L'x', 0xE9, 0xD83D, 0xDE00, 0xD800, L'y'};
  EXPECT_EQ(Utf16UnitsToUtf8(units), "x\xC3\xA9\xF0\x9F\x98\x80\xEF\xBF\xBDy");
}

}  // namespace
