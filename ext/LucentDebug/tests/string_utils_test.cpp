#include "string_utils.h"

#include <gtest/gtest.h>

#include <clocale>

#include "wide_strings.h"

namespace {

TEST(TrimString, BothEndsLeaveTheLetter) { EXPECT_EQ(TrimString("  a ", kTrimBoth), "a"); }

TEST(TrimString, OnlyWhitespaceGivesEmpty) {
  EXPECT_EQ(TrimString("\t\n", kTrimBoth), "");
  EXPECT_EQ(TrimString(std::string("\v\r\0 ", 4), kTrimBoth), "");
}

TEST(TrimString, LeadingOnlyKeepsTrailingBlank) {
  EXPECT_EQ(TrimString(" a ", kTrimLeading), "a ");
}

TEST(TrimString, TrailingOnlyKeepsLeadingBlank) {
  EXPECT_EQ(TrimString(" a ", kTrimTrailing), " a");
}

TEST(TrimString, NoFlagsLeaveTextUnchanged) { EXPECT_EQ(TrimString(" a ", 0), " a "); }

TEST(TrimString, InnerWhitespaceStays) { EXPECT_EQ(TrimString(" $x = 5\n", kTrimBoth), "$x = 5"); }

TEST(StringToWString, HighBytesBecomeNegative) {
  std::wstring w = StringToWString("a\xff\x80");
  ASSERT_EQ(w.size(), 3u);
  EXPECT_EQ(w[0], L'a');
  EXPECT_EQ(static_cast<int>(w[1]), -1);
  EXPECT_EQ(static_cast<int>(w[2]), -128);
}

TEST(WStringToString, ConvertsInCurrentLocale) {
  setlocale(LC_CTYPE, "C");
  EXPECT_EQ(WStringToString(L"abc"), "abc");
}

TEST(WStringToString, UnconvertibleCharacterBecomesStar) {
  setlocale(LC_CTYPE, "C");
  EXPECT_EQ(WStringToString(std::wstring(L"a") + static_cast<wchar_t>(0x4e2d) + L"b"), "a*b");
}

}  // namespace
