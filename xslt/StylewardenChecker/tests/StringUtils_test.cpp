// Code-unit conversions between parser, DOM, wide and narrow strings.
#include "StringUtils.h"

#include <gtest/gtest.h>

namespace {

TEST(StringUtilsTest, ParserStringBecomesOneWideCharacterPerUnit) {
  const XMLCh text[] = {u'a', 0x00E9, 0xFFFF, 0};
  EXPECT_EQ(toWString(text), (std::wstring{L'a', 0x00E9, 0xFFFF}));
}

TEST(StringUtilsTest, ParserStringStopsAtTerminatingZero) {
  const XMLCh text[] = {u'a', 0, u'b', 0};
  EXPECT_EQ(toWString(text), L"a");
}

TEST(StringUtilsTest, NullParserStringIsEmpty) {
  EXPECT_EQ(toWString(static_cast<const XMLCh*>(nullptr)), L"");
}

TEST(StringUtilsTest, ConversionIntoExistingStringReplacesItsContent) {
  std::wstring target = L"a much longer earlier content";
  const XMLCh text[] = {u'x', 0xFFFE, 0};
  toWString(text, target);
  EXPECT_EQ(target, (std::wstring{L'x', 0xFFFE}));
  toWString(nullptr, target);
  EXPECT_EQ(target, L"");
}

TEST(StringUtilsTest, DomStringKeepsInnerZeroUnits) {
  const DOMString text{u'a', 0, u'b'};
  EXPECT_EQ(toWString(text), (std::wstring{L'a', 0, L'b'}));
}

TEST(StringUtilsTest, SurrogatePairStaysTwoUnitsBothWays) {
  // U+1D11E MUSICAL SYMBOL G CLEF as its two surrogate units.
  const XMLCh text[] = {0xD834, 0xDD1E, 0};
  const std::wstring wide = toWString(text);
  ASSERT_EQ(wide.size(), 2u);
  EXPECT_EQ(wide[0], 0xD834);
  EXPECT_EQ(wide[1], 0xDD1E);
  EXPECT_EQ(toDOMString(wide), (DOMString{0xD834, 0xDD1E}));
}

TEST(StringUtilsTest, DomStringKeepsLow16Bits) {
  const std::wstring wide{static_cast<wchar_t>(0x1D11E), L'x'};
  EXPECT_EQ(toDOMString(wide), (DOMString{0xD11E, u'x'}));
}

TEST(StringUtilsTest, NarrowStringKeepsLow8Bits) {
  EXPECT_EQ(toString(std::wstring{0x141}), "\x41");
  EXPECT_EQ(toString(std::wstring{L'a', 0xE9, 0}), std::string("a\xE9\0", 3));
}

TEST(StringUtilsTest, PercentEscapesDecodeAndStrayPercentsStay) {
  EXPECT_EQ(PercentDecoded("/a%20b/%C3%A9%2f%"), "/a b/\xC3\xA9/%");
  EXPECT_EQ(PercentDecoded("100%zz%4"), "100%zz%4");
  EXPECT_EQ(TrimXmlSpace(L"\t a b\r\n "), L"a b");
}

}  // namespace
