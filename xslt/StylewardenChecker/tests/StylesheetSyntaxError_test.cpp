// The finding record and its printed line.
#include "StylesheetSyntaxError.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

std::string Printed(const StylesheetSyntaxError& error) {
  std::ostringstream out;
  out << error;
  return out.str();
}

TEST(StylesheetSyntaxErrorTest, EnumerationValuesAreFixed) {
  EXPECT_EQ(SYNTAXERROR_NONE, 0);
  EXPECT_EQ(SYNTAXERROR_XML_WARNING, 1);
  EXPECT_EQ(SYNTAXERROR_XML_FATAL_ERROR, 3);
  EXPECT_EQ(SYNTAXERROR_ELEMENT_NOT_VALID, 4);
  EXPECT_EQ(SYNTAXERROR_MISSING_CHILD_ELEMENT, 5);
  EXPECT_EQ(SYNTAXERROR_MISSING_REQUIRED_ATTRIBUTE, 6);
  EXPECT_EQ(SYNTAXERROR_ATTRIBUTE_NOT_ALLOWED, 7);
  EXPECT_EQ(SYNTAXERROR_ATTRIBUTE_VALUE_NOT_ALLOWED, 8);
  EXPECT_EQ(SEVERITY_ERROR, 0);
  EXPECT_EQ(SEVERITY_WARNING, 1);
}

TEST(StylesheetSyntaxErrorTest, PrintsMessageCodeAndBothLocations) {
  const StylesheetSyntaxError error(SYNTAXERROR_MISSING_CHILD_ELEMENT, SEVERITY_ERROR,
                                    L"The element \"xsl:choose\" is missing", {3, 7}, {4, 12});
  EXPECT_EQ(Printed(error),
            "Error #: \"\"\"The element \"xsl:choose\" is missing\"\"\" [5] @ (3, 7) => (4, 12)");
}

TEST(StylesheetSyntaxErrorTest, PrintsNegativeNumbersUnchangedAndControlCharactersEscaped) {
  // A record is one line: line breaks and other control characters of the message are
  // written as escapes; quotes and backslashes stay as they are.
  const StylesheetSyntaxError error(SYNTAXERROR_XML_ERROR, SEVERITY_ERROR,
                                    L"a\nb\r\"c\"\t\\\x01\x7f\x2028", {-1, -20},
                                    {0, 2147483647});
  EXPECT_EQ(Printed(error),
            "Error #: \"\"\"a\\nb\\r\"c\"\\t\\\\u0001\\u007F\\u2028\"\"\" [2] @ (-1, -20) => "
            "(0, 2147483647)");
}

TEST(StylesheetSyntaxErrorTest, WarningPrintsLikeError) {
  const StylesheetSyntaxError warning(SYNTAXERROR_XML_WARNING, SEVERITY_WARNING, L"w", {1, 1},
                                      {1, 2});
  EXPECT_EQ(Printed(warning), "Error #: \"\"\"w\"\"\" [1] @ (1, 1) => (1, 2)");
}

TEST(StylesheetSyntaxErrorTest, EmptyMessagePrintsEmptyQuotes) {
  const StylesheetSyntaxError error(SYNTAXERROR_ELEMENT_NOT_VALID, SEVERITY_ERROR, L"", {1, 1},
                                    {1, 1});
  EXPECT_EQ(Printed(error), "Error #: \"\"\"\"\"\" [4] @ (1, 1) => (1, 1)");
}

TEST(StylesheetSyntaxErrorTest, DefaultRecordIsPresetToNoneAndError) {
  const StylesheetSyntaxError error;
  EXPECT_EQ(error.m_code, SYNTAXERROR_NONE);
  EXPECT_EQ(error.m_severity, SEVERITY_ERROR);
  EXPECT_TRUE(error.m_message.empty());
}

TEST(StylesheetSyntaxErrorTest, CopiesOwnTheirMessage) {
  StylesheetSyntaxError original(SYNTAXERROR_XML_ERROR, SEVERITY_ERROR, L"first", {1, 1}, {1, 1});
  const StylesheetSyntaxError copy = original;
  original.m_message = L"second";
  EXPECT_EQ(copy.m_message, L"first");
}

}  // namespace
