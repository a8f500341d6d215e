#include "value_names.h"

#include <gtest/gtest.h>

namespace {

TEST(ShortName, ScopeVariableGetsDollar) {
  EXPECT_EQ(makename(kStringKey, kParentNone, "x", 0), "$x");
}

TEST(ShortName, ArrayStringKeyInBracketsAndQuotes) {
  EXPECT_EQ(makename(kStringKey, kParentArray, "k", 0), "[\"k\"]");
  EXPECT_EQ(makename(kStringKey, kParentConstantArray, "k", 0), "[\"k\"]");
}

TEST(ShortName, ArrayIntegerKeyInBrackets) {
  EXPECT_EQ(makename(kIntegerKey, kParentArray, nullptr, 3), "[3]");
}

TEST(ShortName, ObjectPropertyIsBare) {
  EXPECT_EQ(makename(kStringKey, kParentObject, "p", 0), "p");
  EXPECT_EQ(makename(kIntegerKey, kParentObject, nullptr, 7), "7");
}

TEST(ShortName, LongKeyIsCutNotOverrun) {
  std::string key(400, 'k');
  EXPECT_EQ(makename(kStringKey, kParentArray, key.c_str(), 0).size(), 253u);
}

TEST(FullName, ArrayEntryFollowsParentDirectly) {
  EXPECT_EQ(makefullname(kParentArray, "$a", "[\"k\"]"), "$a[\"k\"]");
  EXPECT_EQ(makefullname(kParentArray, "$a", "[3]"), "$a[3]");
}

TEST(FullName, ObjectPropertyUsesArrow) {
  EXPECT_EQ(makefullname(kParentObject, "$o", "p"), "$o->p");
}

TEST(FullName, VariableIsItsShortName) { EXPECT_EQ(makefullname(kParentNone, "", "$x"), "$x"); }

}  // namespace
