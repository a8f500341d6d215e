#include "breakpoint_list.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Listing(const BreakpointList& list, size_t size = 8191) {
  std::string buffer(size, '\0');
  list.list(&buffer[0], size);
  return buffer.c_str();
}

TEST(BreakpointList, NumbersStartAtOneAndRise) {
  BreakpointList list;
  EXPECT_EQ(list.set(0, "/a.php", 3, true), 1);
  EXPECT_EQ(list.set(0, "/a.php", 4, true), 2);
}

TEST(BreakpointList, NumbersKeepRisingAfterClear) {
  BreakpointList list;
  list.set(0, "/a.php", 3, true);
  list.clear();
  EXPECT_EQ(list.set(0, "/a.php", 3, true), 2);
}

TEST(BreakpointList, SamePlaceInOtherCaseIsNotAddedTwice) {
  BreakpointList list;
  list.set(0, "/usr/web/a.php", 3, true);
  EXPECT_EQ(list.set(0, "/USR/web/A.PHP", 3, true), 0);
  EXPECT_EQ(Listing(list), "fn: /usr/web/a.php line: 3\n");
}

TEST(BreakpointList, KeepsConditionAndTemporaryFlagOfANewBreakpoint) {
  BreakpointList list;
  long plain = list.set(0, "/a.php", 3, true);
  long special = list.set(0, "/a.php", 4, true, "$i == 2", true);
  ASSERT_NE(list.byId(plain), nullptr);
  EXPECT_EQ(list.byId(plain)->condition, "");
  EXPECT_FALSE(list.byId(plain)->temporary);
  ASSERT_NE(list.byId(special), nullptr);
  EXPECT_EQ(list.byId(special)->condition, "$i == 2");
  EXPECT_TRUE(list.byId(special)->temporary);
  EXPECT_EQ(list.byId(99), nullptr);
}

TEST(BreakpointList, ExistingPlaceKeepsItsConditionWhenAddedAgain) {
  BreakpointList list;
  long number = list.set(0, "/a.php", 3, true, "$x", false);
  EXPECT_EQ(list.set(0, "/a.php", 3, true, "$y", true), 0);
  EXPECT_EQ(list.byId(number)->condition, "$x");
  EXPECT_FALSE(list.byId(number)->temporary);
}

TEST(BreakpointList, ConditionsDoNotShowInTheListing) {
  BreakpointList list;
  list.set(0, "/a.php", 3, true, "$x > 1", true);
  EXPECT_EQ(Listing(list), "fn: /a.php line: 3\n");
}

TEST(BreakpointList, FindsWithoutRegardToCase) {
  BreakpointList list;
  list.set(0, "/usr/web/a.php", 3, true);
  EXPECT_EQ(list.find("/usr/web/A.PHP", 3), 1);
  EXPECT_EQ(list.find("/usr/web/a.php", 4), 0);
}

TEST(BreakpointList, FindsLinesFarOutAndBelowZero) {
  BreakpointList list;
  list.set(0, "/a.php", 2000000000, true);
  list.set(0, "/a.php", -4, true);
  EXPECT_EQ(list.find("/a.php", 2000000000), 1);
  EXPECT_EQ(list.find("/a.php", -4), 2);
  EXPECT_EQ(list.find("/a.php", 3), 0);
}

TEST(BreakpointList, RemovedLineNoLongerFound) {
  BreakpointList list;
  list.set(0, "/a.php", 3, true);
  list.set(1, nullptr, 0, false);
  EXPECT_EQ(list.find("/a.php", 3), 0);
}

TEST(BreakpointList, EmptyListFindsNothing) {
  BreakpointList list;
  EXPECT_EQ(list.find("/a.php", 1), 0);
}

TEST(BreakpointList, RemovesByNumber) {
  BreakpointList list;
  list.set(0, "/a.php", 3, true);
  long second = list.set(0, "/b.php", 5, true);
  EXPECT_EQ(list.set(second, nullptr, 0, false), 0);
  EXPECT_EQ(list.find("/b.php", 5), 0);
  EXPECT_EQ(list.find("/a.php", 3), 1);
}

TEST(BreakpointList, RemovingUnknownNumberChangesNothing) {
  BreakpointList list;
  list.set(0, "/a.php", 3, true);
  EXPECT_EQ(list.set(7, nullptr, 0, false), -1);
  EXPECT_EQ(list.find("/a.php", 3), 1);
}

TEST(BreakpointListing, EmptyListSaysSo) {
  EXPECT_EQ(Listing(BreakpointList()), "No breakpoints set\n");
}

TEST(BreakpointListing, ListsInOrderOfAdding) {
  BreakpointList list;
  list.set(0, "/b.php", 9, true);
  list.set(0, "/a.php", 2, true);
  EXPECT_EQ(Listing(list), "fn: /b.php line: 9\nfn: /a.php line: 2\n");
}

TEST(BreakpointListing, NeverExceedsSizeLessTwo) {
  BreakpointList list;
  list.set(0, "/a.php", 1, true);
  list.set(0, "/b.php", 2, true);
  EXPECT_EQ(Listing(list, 22), "fn: /a.php line: 1\nf");
}

}  // namespace
