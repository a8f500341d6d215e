// Position arithmetic: UTF-16 columns over UTF-8 text, line ends, clamping.
#include "PositionConverter.h"

#include <gtest/gtest.h>

namespace {

TextPosition at(std::int64_t line, std::int64_t character) { return TextPosition{line, character}; }

TEST(PositionConverterTest, CountsColumnsInUtf16Units) {
  // é is two bytes and one unit, € three bytes and one unit, 😀 four bytes and two units.
  const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z";
  const PositionConverter converter(text);
  EXPECT_EQ(converter.toOffset(at(0, 1)), 1u);
  EXPECT_EQ(converter.toOffset(at(0, 2)), 3u);
  EXPECT_EQ(converter.toOffset(at(0, 3)), 6u);
  EXPECT_EQ(converter.toOffset(at(0, 5)), 10u);
  EXPECT_EQ(converter.toOffset(at(0, 6)), 11u);
  EXPECT_EQ(converter.lineLength(0), 6);
}

TEST(PositionConverterTest, ColumnInsideSurrogatePairMeansCharacterStart) {
  const std::string text = "\xF0\x9F\x98\x80x";
  const PositionConverter converter(text);
  EXPECT_EQ(converter.toOffset(at(0, 1)), 0u);
  EXPECT_EQ(converter.toOffset(at(0, 2)), 4u);
}

TEST(PositionConverterTest, TabIsOneColumn) {
  const std::string text = "\t\tx";
  const PositionConverter converter(text);
  EXPECT_EQ(converter.toOffset(at(0, 2)), 2u);
  EXPECT_EQ(converter.lineLength(0), 3);
}

TEST(PositionConverterTest, RecognisesEveryLineEnd) {
  const std::string text = "a\nbb\r\nccc\rd";
  const PositionConverter converter(text);
  ASSERT_EQ(converter.lineCount(), 4u);
  EXPECT_EQ(converter.toOffset(at(1, 0)), 2u);
  EXPECT_EQ(converter.toOffset(at(2, 0)), 6u);
  EXPECT_EQ(converter.toOffset(at(3, 0)), 10u);
  EXPECT_EQ(converter.lineLength(1), 2);
  EXPECT_EQ(converter.lineLength(2), 3);
}

TEST(PositionConverterTest, ClampsPastLineEndAndPastTextEnd) {
  const std::string text = "ab\r\ncd";
  const PositionConverter converter(text);
  // A column past the end stops before the line end, not inside "\r\n".
  EXPECT_EQ(converter.toOffset(at(0, 99)), 2u);
  EXPECT_EQ(converter.clamp(at(0, 99)), at(0, 2));
  EXPECT_EQ(converter.toOffset(at(7, 0)), text.size());
  EXPECT_EQ(converter.clamp(at(7, 3)), at(1, 2));
  EXPECT_EQ(converter.clamp(at(-1, 3)), at(0, 0));
}

TEST(PositionConverterTest, EmptyTextAndTrailingLineEnd) {
  const std::string nothing;
  const PositionConverter empty(nothing);
  EXPECT_EQ(empty.lineCount(), 1u);
  EXPECT_EQ(empty.toOffset(at(0, 5)), 0u);
  const std::string text = "x\n";
  const PositionConverter trailing(text);
  EXPECT_EQ(trailing.lineCount(), 2u);
  EXPECT_EQ(trailing.toOffset(at(1, 0)), 2u);
}

}  // namespace
