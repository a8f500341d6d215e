// The XML-RPC structs of the debug records, built and read back.
#include <gtest/gtest.h>

#include "test_client.h"
#include "xmlrpc_readers.h"

namespace {

class XmlRpcEncoding : public ::testing::Test {
 protected:
  XmlRpcEncoding() { xmlrpc_env_init(&env); }
  ~XmlRpcEncoding() override { xmlrpc_env_clean(&env); }

  std::string StringMember(xmlrpc_value* value, const char* member) {
    const char* text = nullptr;
    xmlrpc_parse_value(&env, value, "{s:s,*}", member, &text);
    return env.fault_occurred ? "<fault>" : text;
  }

  xmlrpc_env env;
};

PropertyInfo Property(const std::string& name, const std::string& value, bool hasChildren) {
  PropertyInfo info;
  info.name = {name, name + "full"};
  info.value = value;
  info.type = "IS_STRING";
  info.hasChildren = hasChildren;
  return info;
}

TEST_F(XmlRpcEncoding, PropertyInfoCarriesHasChildrenAsBoolean) {
  for (const bool hasChildren : {false, true}) {
    ValuePtr value(build_xmlrpc_value_FromPropertyInfo(&env, Property("$a", "1", hasChildren)));
    ASSERT_FALSE(env.fault_occurred);
    xmlrpc_value* member = nullptr;
    xmlrpc_parse_value(&env, value.get(), "{s:V,*}", "hasChildren", &member);
    ASSERT_EQ(xmlrpc_value_type(member), XMLRPC_TYPE_BOOL);
    xmlrpc_bool flag = !hasChildren;
    xmlrpc_read_bool(&env, member, &flag);
    EXPECT_EQ(flag != 0, hasChildren);
  }
}

TEST_F(XmlRpcEncoding, PropertyInfoNestsTheNameStruct) {
  ValuePtr value(build_xmlrpc_value_FromPropertyInfo(&env, Property("[3]", "x", false)));
  const char* name = nullptr;
  const char* fullName = nullptr;
  xmlrpc_parse_value(&env, value.get(), "{s:{s:s,s:s,*},*}", "name", "name", &name, "fullName",
                     &fullName);
  ASSERT_FALSE(env.fault_occurred);
  EXPECT_STREQ(name, "[3]");
  EXPECT_STREQ(fullName, "[3]full");
  EXPECT_EQ(StringMember(value.get(), "type"), "IS_STRING");
}

TEST_F(XmlRpcEncoding, PropertyInfoVectorReadsBackInOrder) {
  const PropertyInfoVector infos = {Property("$a", "1", false), Property("$b", "", true)};
  ValuePtr array(build_xmlrpc_value_FromPropertyInfoVector(&env, infos));
  ValuePtr holder = Build("{s:V}", "propertyInfo", array.get());
  const PropertyInfoVector read = build_PropertyInfoVector_Fromxmlrpc_value(&env, holder.get());
  ASSERT_FALSE(env.fault_occurred);
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].name.fullName, "$afull");
  EXPECT_EQ(read[0].value, "1");
  EXPECT_FALSE(read[0].hasChildren);
  EXPECT_EQ(read[1].name.name, "$b");
  EXPECT_TRUE(read[1].hasChildren);
}

TEST_F(XmlRpcEncoding, EmptyPropertyInfoVectorIsAnEmptyArray) {
  ValuePtr array(build_xmlrpc_value_FromPropertyInfoVector(&env, {}));
  ASSERT_EQ(xmlrpc_value_type(array.get()), XMLRPC_TYPE_ARRAY);
  EXPECT_EQ(xmlrpc_array_size(&env, array.get()), 0);
  ValuePtr holder = Build("{s:V}", "propertyInfo", array.get());
  EXPECT_TRUE(build_PropertyInfoVector_Fromxmlrpc_value(&env, holder.get()).empty());
  EXPECT_FALSE(env.fault_occurred);
}

TEST_F(XmlRpcEncoding, FrameCarriesItsEmptySubframe) {
  Frame frame;
  frame.file = "file:///t.php";
  frame.lineno = 7;
  frame.where = "__main__";
  ValuePtr value(build_xmlrpc_value_FromFrame(&env, frame));
  const char* file = nullptr;
  xmlrpc_int32 lineno = -1;
  xmlrpc_parse_value(&env, value.get(), "{s:s,s:i,s:{s:s,s:i,s:s,*},*}", "file", &file, "lineno",
                     &lineno, "data", "file", &file, "lineno", &lineno, "where", &file);
  ASSERT_FALSE(env.fault_occurred) << env.fault_string;
  EXPECT_EQ(lineno, 0);
  EXPECT_EQ(StringMember(value.get(), "where"), "__main__");
}

TEST_F(XmlRpcEncoding, FrameVectorReadsBackInOrder) {
  FrameVector frames(2);
  frames[0] = {"inner.php", 3, "f", {"s.php", 9, "g"}, "", ""};
  frames[1] = {"outer.php", 12, "__main__", {}, "", ""};
  ValuePtr array(build_xmlrpc_value_FromFrameVector(&env, frames));
  ValuePtr holder = Build("{s:V}", "frames", array.get());
  const FrameVector read = build_FrameVector_Fromxmlrpc_value(&env, holder.get());
  ASSERT_FALSE(env.fault_occurred);
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].file, "inner.php");
  EXPECT_EQ(read[0].data.lineno, 9);
  EXPECT_EQ(read[0].data.where, "g");
  EXPECT_EQ(read[1].lineno, 12);
}

TEST_F(XmlRpcEncoding, FrameReaderIgnoresExtraMembersAtEveryLevel) {
  ValuePtr value =
      Build("{s:s,s:i,s:s,s:i,s:{s:s,s:i,s:s,s:b}}", "file", "a.php", "lineno", 4, "where", "f",
            "extra", 1, "data", "file", "", "lineno", 0, "where", "", "more", 1);
  const Frame frame = build_Frame_Fromxmlrpc_value(&env, value.get());
  EXPECT_FALSE(env.fault_occurred);
  EXPECT_EQ(frame.file, "a.php");
  EXPECT_EQ(frame.lineno, 4);
}

TEST_F(XmlRpcEncoding, ReadersFaultAndYieldEmptyRecordsOnOtherShapes) {
  ValuePtr noData = Build("{s:s,s:i,s:s}", "file", "a.php", "lineno", 4, "where", "f");
  const Frame frame = build_Frame_Fromxmlrpc_value(&env, noData.get());
  EXPECT_TRUE(env.fault_occurred);
  EXPECT_EQ(frame.file, "");
  xmlrpc_env_clean(&env);
  xmlrpc_env_init(&env);

  ValuePtr wrongType = Build("{s:{s:s,s:s},s:i,s:s,s:b}", "name", "name", "$a", "fullName", "$a",
                             "value", 1, "type", "IS_LONG", "hasChildren", 0);
  EXPECT_EQ(build_PropertyInfo_Fromxmlrpc_value(&env, wrongType.get()).name.name, "");
  EXPECT_TRUE(env.fault_occurred);
  xmlrpc_env_clean(&env);
  xmlrpc_env_init(&env);

  ValuePtr noMember = Build("{s:()}", "other");
  EXPECT_TRUE(build_FrameVector_Fromxmlrpc_value(&env, noMember.get()).empty());
  EXPECT_TRUE(env.fault_occurred);
}

TEST_F(XmlRpcEncoding, NameVectorReadsNamesUnderTheirMember) {
  ValuePtr holder = Build("{s:({s:s,s:s}{s:s,s:s,s:i})}", "names", "name", "$a", "fullName", "$a",
                          "name", "p", "fullName", "$o->p", "extra", 3);
  const NameVector names = build_NameVector_Fromxmlrpc_value(&env, holder.get());
  ASSERT_FALSE(env.fault_occurred);
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(names[1].fullName, "$o->p");
}

TEST_F(XmlRpcEncoding, StringIsSentUpToItsFirstNul) {
  PropertyInfo info = Property("$s", std::string("ab\0cd", 5), false);
  ValuePtr value(build_xmlrpc_value_FromPropertyInfo(&env, info));
  EXPECT_EQ(StringMember(value.get(), "value"), "ab");
}

TEST_F(XmlRpcEncoding, BytesXmlCannotCarryBecomeDelInsteadOfFailingTheReply) {
  PropertyInfo info = Property("$bin", "a\xff\x01z\xc3\xa9\t", false);
  ValuePtr value(build_xmlrpc_value_FromPropertyInfo(&env, info));
  ASSERT_FALSE(env.fault_occurred) << env.fault_string;
  EXPECT_EQ(StringMember(value.get(), "value"), "a\x7f\x7fz\xc3\xa9\t");
}

TEST_F(XmlRpcEncoding, AddedMembersTravelAndReadBackWithEscapedDisplay) {
  PropertyInfo info = Property("$o", "", true);
  info.type = "IS_OBJECT";
  info.display = std::string("a\0\xff\xc3\xa9\x01", 6);
  info.className = "App\\User";
  info.namedCount = 3;
  info.visibility = "private";
  info.isStatic = true;
  ValuePtr value(build_xmlrpc_value_FromPropertyInfo(&env, info));
  ASSERT_FALSE(env.fault_occurred) << env.fault_string;
  EXPECT_EQ(StringMember(value.get(), "display"), "a\\x00\\xff\xc3\xa9\\x01");
  const PropertyInfo back = build_PropertyInfo_Fromxmlrpc_value(&env, value.get());
  ASSERT_FALSE(env.fault_occurred) << env.fault_string;
  EXPECT_EQ(back.className, "App\\User");
  EXPECT_EQ(back.namedCount, 3);
  EXPECT_EQ(back.indexedCount, 0);
  EXPECT_EQ(back.visibility, "private");
  EXPECT_TRUE(back.isStatic);
  // A string value leaves out the members that say nothing for it.
  ValuePtr plain(build_xmlrpc_value_FromPropertyInfo(&env, Property("$s", "x", false)));
  xmlrpc_value* absent = nullptr;
  xmlrpc_struct_find_value(&env, plain.get(), "namedCount", &absent);
  EXPECT_EQ(absent, nullptr);
}

TEST_F(XmlRpcEncoding, StopInfoReadsBack) {
  StopInfo info;
  info.reason = "exception";
  info.breakpoint = 0;
  info.type = "App\\NotFound";
  info.message = "no \xff user";
  info.file = "/s.php";
  info.line = 25;
  ValuePtr value(build_xmlrpc_value_FromStopInfo(&env, info));
  const StopInfo back = build_StopInfo_Fromxmlrpc_value(&env, value.get());
  ASSERT_FALSE(env.fault_occurred) << env.fault_string;
  EXPECT_EQ(back.reason, "exception");
  EXPECT_EQ(back.type, "App\\NotFound");
  EXPECT_EQ(back.message, "no \\xff user");
  EXPECT_EQ(back.line, 25);
}

}  // namespace
