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

TEST(FullName, ElementKeyIsQuotedSoThatItReadsBack) {
  EXPECT_EQ(ElementFullName("$a", "k"), "$a[\"k\"]");
  EXPECT_EQ(ElementFullName("$a", "say \"$x\"\\"), "$a[\"say \\\"\\$x\\\"\\\\\"]");
}

TEST(FullName, PropertyWithUniqueIdentifierUsesArrow) {
  EXPECT_EQ(PropertyFullName("$o", std::string("\0*\0p", 4), "p", true), "$o->p");
}

TEST(FullName, ShadowedOrOddPropertyNamesItsKeyInBraces) {
  EXPECT_EQ(PropertyFullName("$o", std::string("\0A\0p", 4), "p", false), "$o->{\"\\000A\\000p\"}");
  EXPECT_EQ(PropertyFullName("$o", "a b", "a b", true), "$o->{\"a b\"}");
  EXPECT_EQ(PropertyFullName("$o", "7", "7", true), "$o->{\"7\"}");
}

TEST(VariablePathParse, PlainVariableAndSteps) {
  VariablePath path;
  ASSERT_TRUE(ParseVariablePath("$a['k'][2][-3]->p->{\"q r\"}", &path));
  EXPECT_EQ(path.variable, "a");
  EXPECT_TRUE(path.className.empty());
  ASSERT_EQ(path.steps.size(), 5u);
  EXPECT_EQ(path.steps[0].kind, PathStep::kElement);
  EXPECT_FALSE(path.steps[0].integerKey);
  EXPECT_EQ(path.steps[0].key, "k");
  EXPECT_TRUE(path.steps[1].integerKey);
  EXPECT_EQ(path.steps[1].index, 2);
  EXPECT_EQ(path.steps[2].index, -3);
  EXPECT_EQ(path.steps[3].kind, PathStep::kProperty);
  EXPECT_EQ(path.steps[3].key, "p");
  EXPECT_EQ(path.steps[4].key, "q r");
}

TEST(VariablePathParse, StaticPropertyOfNamedClass) {
  VariablePath path;
  ASSERT_TRUE(ParseVariablePath("\\Ns\\Cls::$count[0]", &path));
  EXPECT_EQ(path.className, "Ns\\Cls");
  EXPECT_EQ(path.variable, "count");
  ASSERT_EQ(path.steps.size(), 1u);
  ASSERT_TRUE(ParseVariablePath("self::$x", &path));
  EXPECT_EQ(path.className, "self");
}

TEST(VariablePathParse, EscapesDecodeAsPhpReadsThem) {
  VariablePath path;
  ASSERT_TRUE(ParseVariablePath("$o->{\"\\000A\\0p\"}['it\\'s\\n']", &path));
  EXPECT_EQ(path.steps[0].key, std::string("\0A\0p", 4));
  EXPECT_EQ(path.steps[1].key, "it's\\n");
  ASSERT_TRUE(ParseVariablePath("$a[\"\\x41\\t\\$\"]", &path));
  EXPECT_EQ(path.steps[0].key, "A\t$");
}

TEST(VariablePathParse, QuotedKeysReadBackAsWritten) {
  std::string key = std::string("we\"ird $k\\ey\0", 13) + "1";
  VariablePath path;
  ASSERT_TRUE(ParseVariablePath(ElementFullName("$a", key), &path));
  EXPECT_EQ(path.steps[0].key, key);
  ASSERT_TRUE(ParseVariablePath(PropertyFullName("$o", key, key, false), &path));
  EXPECT_EQ(path.steps[0].key, key);
}

TEST(VariablePathParse, AnythingElseNeedsEvaluating) {
  VariablePath path;
  for (const char* text :
       {"$a+1", "f($a)", "$a[$i]", "$a[\"$x\"]", "$a[010]", "$a[0x1]", "$a[]", "$a->", "$a['open",
        "$ a", "$1a", "Cls::x", "$a[1] ", "$o->{$name}", "$a[99999999999999999999]", ""}) {
    EXPECT_FALSE(ParseVariablePath(text, &path)) << text;
  }
}

}  // namespace
