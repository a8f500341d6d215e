// Typed members and the nesting limit of message bodies.
#include "json_fields.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using nlohmann::json;

TEST(JsonFields, ReadsMembersOfTheirTypeAndNamesTheWrongOnes) {
  const json object =
      json::parse(R"({"s":"x","i":7,"b":true,"n":1.5,"o":{},"a":[],"big":3000000000,"z":null})");
  EXPECT_EQ(protocol::StringField(object, "s", "m"), "x");
  EXPECT_EQ(protocol::IntegerField(object, "i", "m"), 7);
  EXPECT_TRUE(protocol::BooleanField(object, "b", "m"));
  EXPECT_EQ(protocol::NumberField(object, "n", "m"), 1.5);
  EXPECT_TRUE(protocol::ObjectField(object, "o", "m").empty());
  EXPECT_TRUE(protocol::ArrayField(object, "a", "m").empty());
  EXPECT_TRUE(protocol::HasField(object, "s"));
  EXPECT_FALSE(protocol::HasField(object, "z"));
  EXPECT_FALSE(protocol::HasField(json(5), "s"));
  try {
    protocol::StringField(object, "i", "m.args");
    FAIL();
  } catch (const protocol::FieldError& error) {
    EXPECT_STREQ(error.what(), "m.args.i must be a string");
  }
  EXPECT_THROW(protocol::IntegerField(object, "big", "m"), protocol::FieldError);
  EXPECT_THROW(protocol::IntegerField(object, "n", "m"), protocol::FieldError);
  EXPECT_THROW(protocol::BooleanField(object, "i", "m"), protocol::FieldError);
  EXPECT_THROW(protocol::ObjectField(object, "missing", "m"), protocol::FieldError);
  EXPECT_THROW(protocol::ArrayField(json(1), "a", "m"), protocol::FieldError);
}

TEST(JsonFields, ParseRefusesDeepNestingWithoutRecursing) {
  std::string problem;
  EXPECT_EQ(protocol::ParseMessage(R"({"a":[[1]]})", 3, problem)["a"][0][0], 1);
  EXPECT_TRUE(protocol::ParseMessage(R"({"a":[[[1]]]})", 3, problem).is_discarded());
  EXPECT_NE(problem.find("nested deeper than 3"), std::string::npos);
  const std::string deep = std::string(100000, '[') + std::string(100000, ']');
  EXPECT_TRUE(protocol::ParseMessage(deep, 64, problem).is_discarded());
  EXPECT_TRUE(protocol::ParseMessage("{\"a\":", 64, problem).is_discarded());
  EXPECT_EQ(problem, "message is not valid JSON");
}

}  // namespace
