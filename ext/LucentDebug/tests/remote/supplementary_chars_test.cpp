// Characters beyond U+FFFF through xmlrpc-c 1.33 and back, in both directions.
#include "supplementary_chars.h"

#include <gtest/gtest.h>
#include <xmlrpc-c/base.h>

#include <string>

#include "test_client.h"
#include "utf8.h"
#include "xmlrpc_encoding.h"
#include "xmlrpc_readers.h"

namespace {

const std::string kGrinning = "\xF0\x9F\x98\x80";  // U+1F600
const std::string kMark = "\xEF\xB7\x90";          // U+FDD0

// A response as the server sends it for the string `text`.
std::string ResponseFor(const std::string& text) {
  xmlrpc_env env;
  xmlrpc_env_init(&env);
  ValuePtr value = Build("{s:s}", "value", XmlrpcText(text).c_str());
  xmlrpc_mem_block* xml = XMLRPC_MEMBLOCK_NEW(char, &env, 0);
  xmlrpc_serialize_response(&env, xml, value.get());
  std::string response(XMLRPC_MEMBLOCK_CONTENTS(char, xml), XMLRPC_MEMBLOCK_SIZE(char, xml));
  XMLRPC_MEMBLOCK_FREE(char, xml);
  EXPECT_FALSE(env.fault_occurred);
  xmlrpc_env_clean(&env);
  return ResponseFromLibrary(response);
}

// The string a handler reads from a call whose body holds `text`.
std::string ReadBack(const std::string& text, bool utf8 = true) {
  const std::string body = "<methodCall><methodName>m</methodName><params><param><value>" + text +
                           "</value></param></params></methodCall>";
  const std::string call = XmlForLibrary(body, utf8);
  xmlrpc_env env;
  xmlrpc_env_init(&env);
  const char* name = nullptr;
  xmlrpc_value* params = nullptr;
  xmlrpc_parse_call(&env, call.data(), call.size(), &name, &params);
  std::string result = "<fault>";
  if (!env.fault_occurred) {
    const char* parsed = nullptr;
    xmlrpc_parse_value(&env, params, "(s)", &parsed);
    if (!env.fault_occurred) result = TextFromLibrary(parsed);
    xmlrpc_DECREF(params);
    std::free(const_cast<char*>(name));
  }
  xmlrpc_env_clean(&env);
  return result;
}

TEST(SupplementaryChars, RepliesCarryThemAsCharacterReferences) {
  const std::string response = ResponseFor("a" + kGrinning + "b\xF0\xA0\x80\x80");
  EXPECT_NE(response.find("<string>a&#x01F600;b&#x020000;</string>"), std::string::npos)
      << response;
}

TEST(SupplementaryChars, CallsMayCarryThemRawOrReferenced) {
  EXPECT_EQ(ReadBack("a" + kGrinning + "b"), "a" + kGrinning + "b");
  EXPECT_EQ(ReadBack("a&#x1F600;&#128512;b"), "a" + kGrinning + kGrinning + "b");
  EXPECT_EQ(ReadBack("&#x1F600;", false), kGrinning);
}

TEST(SupplementaryChars, TheEscapeCharacterItselfTravelsIntact) {
  EXPECT_EQ(ReadBack(kMark + "01F600"), kMark + "01F600");
  EXPECT_EQ(ReadBack("&#xFDD0;&#xFDD0;"), kMark + kMark);
  EXPECT_NE(ResponseFor(kMark + "01F600").find("&#x00FDD0;01F600"), std::string::npos);
}

TEST(SupplementaryChars, TextThatAlreadyWorkedIsUnchanged) {
  const std::string text = "plain \xC3\xA9\xE4\xB8\xAD &amp; &#xE9; &amp;#x1F600;";
  EXPECT_EQ(XmlForLibrary(text, true), text);
  EXPECT_EQ(ReadBack("x\xC3\xA9\xE4\xB8\xAD"), "x\xC3\xA9\xE4\xB8\xAD");
  EXPECT_EQ(TextFromLibrary("x\xC3\xA9"), "x\xC3\xA9");
  // Bytes that are not UTF-8 are left for the XML parser to refuse.
  EXPECT_EQ(XmlForLibrary("\xF0\x9F\x98", true), "\xF0\x9F\x98");
}

// What a client built on xmlrpc-c does with a reply: the document through
// XmlForLibrary, the records through the readers.
TEST(SupplementaryChars, ClientsOnTheLibraryReadThemThroughTheRecordReaders) {
  PropertyInfo info;
  info.name = {"$" + kGrinning, "$" + kGrinning};
  info.value = "a" + kGrinning;
  info.type = "IS_STRING";
  xmlrpc_env env;
  xmlrpc_env_init(&env);
  ValuePtr infos(build_xmlrpc_value_FromPropertyInfoVector(&env, PropertyInfoVector{info}));
  ValuePtr holder = Build("{s:V}", "propertyInfo", infos.get());
  xmlrpc_mem_block* xml = XMLRPC_MEMBLOCK_NEW(char, &env, 0);
  xmlrpc_serialize_response(&env, xml, holder.get());
  const std::string reply = ResponseFromLibrary(
      std::string(XMLRPC_MEMBLOCK_CONTENTS(char, xml), XMLRPC_MEMBLOCK_SIZE(char, xml)));
  XMLRPC_MEMBLOCK_FREE(char, xml);

  const std::string document = XmlForLibrary(reply, true);
  xmlrpc_value* result = nullptr;
  int faultCode = 0;
  const char* faultString = nullptr;
  xmlrpc_parse_response2(&env, document.data(), document.size(), &result, &faultCode, &faultString);
  ASSERT_FALSE(env.fault_occurred) << env.fault_string;
  ASSERT_EQ(faultString, nullptr);
  const PropertyInfoVector read = build_PropertyInfoVector_Fromxmlrpc_value(&env, result);
  xmlrpc_DECREF(result);
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(read[0].name.fullName, "$" + kGrinning);
  EXPECT_EQ(read[0].value, "a" + kGrinning);
  xmlrpc_env_clean(&env);
}

TEST(SupplementaryChars, Utf8DecodingRefusesMalformedSequences) {
  uint32_t codePoint = 0;
  EXPECT_EQ(utf8::Decode(kGrinning.data(), kGrinning.size(), &codePoint), 4u);
  EXPECT_EQ(codePoint, 0x1F600u);
  EXPECT_EQ(utf8::Decode("\xC0\x80", 2, &codePoint), 0u);          // overlong
  EXPECT_EQ(utf8::Decode("\xED\xA0\x80", 3, &codePoint), 0u);      // surrogate
  EXPECT_EQ(utf8::Decode("\xF4\x90\x80\x80", 4, &codePoint), 0u);  // beyond U+10FFFF
  EXPECT_EQ(utf8::Decode("\xE4\xB8", 2, &codePoint), 0u);          // cut short
}

}  // namespace
