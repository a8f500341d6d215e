#include "value_display.h"

#include <gtest/gtest.h>

namespace {

PropertyInfo Record(const std::string& type, const std::string& value, const std::string& display) {
  PropertyInfo info;
  info.name = {"$v", "$v"};
  info.type = type;
  info.value = value;
  info.display = display;
  return info;
}

TEST(ValueDisplay, ValuesReadAsPhpWritesThem) {
  EXPECT_EQ(DisplayValue(Record("IS_NULL", "", "null")), "null");
  EXPECT_EQ(DisplayValue(Record("IS_BOOL", "0", "false")), "false");
  EXPECT_EQ(DisplayValue(Record("IS_LONG", "42", "42")), "42");
  EXPECT_EQ(DisplayValue(Record("IS_STRING", "a\"$\\x41", "a\"$\\x41")), "\"a\\\"\\$\\\\x41\"");
  // The engine's byte escapes stay as PHP reads them back; the script's own
  // backslash in the same string is still escaped.
  EXPECT_EQ(DisplayValue(Record("IS_STRING",
                                "a\x7f"
                                "b\\",
                                "a\\xffb\\")),
            "\"a\\xffb\\\\\"");
  EXPECT_EQ(DisplayValue(Record("IS_ARRAY", "", "array(10000)")), "array(10000)");
  EXPECT_EQ(DisplayValue(Record("IS_ARRAY", "", "")), "array");  // engine without counts
  PropertyInfo user = Record("IS_OBJECT", "", "App\\Model\\User");
  user.className = "App\\Model\\User";
  EXPECT_EQ(DisplayValue(user), "App\\Model\\User");
  EXPECT_EQ(DisplayValue(Record("IS_OBJECT", "", "")), "object");
}

TEST(ValueDisplay, HintsAndCountsFollowTheRecord) {
  PropertyInfo list = Record("IS_ARRAY", "", "array(10000)");
  list.indexedCount = 10000;
  nlohmann::json variable = VariableHints(list);
  EXPECT_EQ(variable["indexedVariables"], 10000);
  EXPECT_FALSE(variable.contains("namedVariables"));
  EXPECT_FALSE(variable.contains("presentationHint"));
  EXPECT_TRUE(PagedByIndex(list));

  PropertyInfo object = Record("IS_OBJECT", "", "User");
  object.className = "User";
  object.indexedCount = 1;
  object.namedCount = 2;
  object.visibility = "private";
  object.isStatic = true;
  EXPECT_EQ(DisplayType(object), "User");
  variable = VariableHints(object);
  EXPECT_EQ(variable["namedVariables"], 3);
  EXPECT_FALSE(variable.contains("indexedVariables"));
  EXPECT_FALSE(PagedByIndex(object));
  EXPECT_EQ(variable["presentationHint"],
            (nlohmann::json{{"kind", "property"},
                            {"visibility", "private"},
                            {"attributes", nlohmann::json::array({"static"})}}));

  variable = VariableHints(Record("IS_ARRAY", "", "array(0)"));
  EXPECT_FALSE(variable.contains("indexedVariables") || variable.contains("namedVariables"));
}

TEST(ValueDisplay, FramesNamedWithTheirClass) {
  Frame method;
  method.where = "save";
  method.qualifiedName = "App\\Repo->save";
  EXPECT_EQ(FrameName(method), "App\\Repo->save");
  Frame old;
  old.where = "main";
  EXPECT_EQ(FrameName(old), "main");
}

}  // namespace
