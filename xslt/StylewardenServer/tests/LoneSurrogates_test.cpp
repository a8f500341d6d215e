#include "LoneSurrogates.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

TEST(LoneSurrogates, EscapedAndEncodedHalvesBecomeReplacementCharacters) {
  // A lone high, a lone low and a high before a non-surrogate escape; an escaped backslash
  // before "uD800" is text, and a well-formed pair stays.
  const std::string body =
      R"({"t":"a\uD800b\uDC00c\ud83d\u0041\\uD800\uD83D\uDE00"})" + std::string("\xED\xA0\x80");
  const std::optional<std::string> repaired = WithoutLoneSurrogates(body);
  ASSERT_TRUE(repaired);
  EXPECT_EQ(*repaired, R"({"t":"a\uFFFDb\uFFFDc\uFFFD\u0041\\uD800\uD83D\uDE00"})" +
                           std::string("\xEF\xBF\xBD"));
  EXPECT_EQ(repaired->size(), body.size());
  const std::string parsable = R"({"t":"a\uD800"})";
  EXPECT_EQ(nlohmann::json::parse(*WithoutLoneSurrogates(parsable))["t"], "a\xEF\xBF\xBD");
}

TEST(LoneSurrogates, TextWithoutThemIsLeftAlone) {
  EXPECT_FALSE(WithoutLoneSurrogates(R"({"t":"\uD83D\uDE00 \\ \" \u00e9 é 😀"})"));
  // An escape cut short by the end of the body is the parser's to report.
  EXPECT_FALSE(WithoutLoneSurrogates(R"({"t":"\uD8)"));
}
