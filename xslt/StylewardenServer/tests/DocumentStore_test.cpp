// Document synchronisation: full and incremental changes, atomic change lists.
#include "DocumentStore.h"

#include <gtest/gtest.h>

namespace {

const char kUri[] = "file:///a.xsl";

TextChange edit(std::int64_t line1, std::int64_t char1, std::int64_t line2, std::int64_t char2,
                std::string text) {
  return TextChange{TextRange{TextPosition{line1, char1}, TextPosition{line2, char2}},
                    std::move(text)};
}

std::string TextOf(const DocumentStore& store) { return store.find(kUri)->text; }

TEST(DocumentStoreTest, AppliesIncrementalChangesInOrder) {
  DocumentStore store;
  store.open(kUri, "<a>\n  <b/>\n</a>\n", 1);
  std::string problem;
  // The second edit's range refers to the text the first one left.
  ASSERT_TRUE(store.change(kUri, 2, {edit(1, 3, 1, 4, "c"), edit(1, 4, 1, 4, " x='1'")}, problem));
  EXPECT_EQ(TextOf(store), "<a>\n  <c x='1'/>\n</a>\n");
  EXPECT_EQ(store.find(kUri)->version, 2);
}

TEST(DocumentStoreTest, EditsAcrossLinesAndAfterNonAsciiText) {
  DocumentStore store;
  store.open(kUri, "\xF0\x9F\x98\x80\xC3\xA9<a>\r\n</a>", 1);
  std::string problem;
  // Units: the astral character is 2, é is 1, so "<" is at column 3.
  ASSERT_TRUE(store.change(kUri, 2, {edit(0, 3, 1, 0, "<b>")}, problem));
  EXPECT_EQ(TextOf(store), "\xF0\x9F\x98\x80\xC3\xA9<b></a>");
}

TEST(DocumentStoreTest, FullChangeReplacesTheText) {
  DocumentStore store;
  store.open(kUri, "old", 1);
  std::string problem;
  ASSERT_TRUE(
      store.change(kUri, 5, {TextChange{std::nullopt, "new"}, edit(0, 3, 0, 3, "er")}, problem));
  EXPECT_EQ(TextOf(store), "newer");
}

TEST(DocumentStoreTest, InsertsAtTheEndWhenThePositionIsPastIt) {
  DocumentStore store;
  store.open(kUri, "ab\ncd", 1);
  std::string problem;
  ASSERT_TRUE(store.change(kUri, 2, {edit(1, 40, 9, 0, "!")}, problem));
  EXPECT_EQ(TextOf(store), "ab\ncd!");
}

TEST(DocumentStoreTest, BackwardRangeChangesNothing) {
  DocumentStore store;
  store.open(kUri, "abcdef", 1);
  std::string problem;
  EXPECT_FALSE(store.change(kUri, 2, {edit(0, 0, 0, 1, "X"), edit(0, 4, 0, 2, "")}, problem));
  EXPECT_NE(problem.find("ends before it starts"), std::string::npos);
  EXPECT_EQ(TextOf(store), "abcdef");
  EXPECT_EQ(store.find(kUri)->version, 1);
}

TEST(DocumentStoreTest, UnknownDocumentIsRefusedAndCloseForgets) {
  DocumentStore store;
  std::string problem;
  EXPECT_FALSE(store.change(kUri, 1, {TextChange{std::nullopt, "x"}}, problem));
  EXPECT_NE(problem.find(kUri), std::string::npos);
  store.open(kUri, "x", 1);
  EXPECT_TRUE(store.close(kUri));
  EXPECT_EQ(store.find(kUri), nullptr);
  EXPECT_FALSE(store.close(kUri));
}

}  // namespace
