// The screen in front of xmlrpc-c: plain calls pass, everything a call of the
// method table never needs is refused before the library sees it.
#include "call_screen.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace {

std::string CallWithValue(const std::string& value) {
  return "<?xml version='1.0'?>\n<methodCall>\n<methodName>Requester.hello</methodName>\n"
         "<params>\n<param>\n<value><struct>\n<member>\n<name>cookie</name>\n"
         "<value><string>c</string></value>\n</member>\n<member>\n<name>x</name>\n" +
         value + "\n</member>\n</struct></value>\n</param>\n</params>\n</methodCall>\n";
}

TEST(CallScreen, PassesCallsOfTheProtocolsValueTypes) {
  for (const char* value :
       {"<value><int>-5</int></value>", "<value><i4>7</i4></value>",
        "<value><boolean>1</boolean></value>", "<value>untyped &amp; &#xE9;</value>",
        "<value><string/></value>", "<value><array><data><value>a</value></data></array></value>",
        "<value><struct><member><name>n</name><value>v</value></member></struct></value>"}) {
    const CallScreen screen = ScreenCall(CallWithValue(value));
    EXPECT_TRUE(screen.accepted) << value << ": " << screen.problem;
    EXPECT_EQ(screen.methodName, "Requester.hello");
    EXPECT_TRUE(screen.utf8);
  }
  EXPECT_TRUE(
      ScreenCall("\xEF\xBB\xBF<methodCall><methodName>m</methodName></methodCall>").accepted);
  EXPECT_TRUE(ScreenCall("<!-- c --><methodCall><methodName>m</methodName><params/></methodCall>")
                  .accepted);
}

TEST(CallScreen, RefusesValueTypesTheProtocolHasNot) {
  for (const char* value :
       {"<value><i8>99999999999999999999</i8></value>", "<value><i8>x</i8></value>",
        "<value><ex:i8>1</ex:i8></value>", "<value><ex:nil/></value>", "<value><nil/></value>",
        "<value><double>1.5</double></value>", "<value><base64>AA==</base64></value>",
        "<value><dateTime.iso8601>20260101T00:00:00</dateTime.iso8601></value>"}) {
    const CallScreen screen = ScreenCall(CallWithValue(value));
    EXPECT_FALSE(screen.accepted) << value;
    EXPECT_FALSE(screen.problem.empty());
  }
}

TEST(CallScreen, RefusesDeclarationsAndOtherMarkup) {
  const std::string call = "<methodCall><methodName>m</methodName></methodCall>";
  for (const std::string& body : std::initializer_list<std::string>{
           "<!DOCTYPE m [<!ENTITY a \"aaaa\"><!ENTITY b \"&a;&a;\">]>" + call,
           "<?xml version='1.0'?><!ENTITY a 'x'>" + call, "<?pi x?>" + call,
           "<methodCall><methodName><![CDATA[m]]></methodName></methodCall>",
           "<methodCall><methodName>&a;</methodName></methodCall>",
           "<methodCall x='1'><methodName>m</methodName></methodCall>",
           "<?xml version='1.0' encoding='UTF-16'?>" + call, call + call, "text" + call,
           "<methodResponse><params/></methodResponse>",
           "<methodCall><methodName>m</methodName><value>x</value></methodCall>",
           "<methodCall><params><param><value>a<string>b</string></value></param></params>"
           "</methodCall>",
           "<methodCall><methodName>m</methodName>", "<methodCall></methodName></methodCall>",
           ""}) {
    EXPECT_FALSE(ScreenCall(body).accepted) << body;
  }
}

TEST(CallScreen, RefusesNestingBeyondAnyCallOfTheTable) {
  std::string value = "<value>x</value>";
  for (int i = 0; i < 40; ++i) value = "<value><array><data>" + value + "</data></array></value>";
  EXPECT_FALSE(ScreenCall(CallWithValue(value)).accepted);
}

TEST(CallScreen, TellsWhetherRawBytesAreUtf8) {
  const std::string call = "<methodCall><methodName>m</methodName></methodCall>";
  EXPECT_TRUE(ScreenCall("<?xml version=\"1.0\" encoding=\"utf-8\"?>" + call).utf8);
  const CallScreen latin = ScreenCall("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + call);
  EXPECT_TRUE(latin.accepted);
  EXPECT_FALSE(latin.utf8);
}

}  // namespace
