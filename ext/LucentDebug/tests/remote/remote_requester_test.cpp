// The remote requester over real HTTP: the method table, the cookie check, the
// faults and the serving loop of a stop, with a fake engine behind it.
#include "remote_requester.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <future>

#include "fake_engine.h"
#include "test_client.h"
#include "xmlrpc_readers.h"

namespace {

class RemoteRequesterTest : public ::testing::Test {
 protected:
  RemoteRequesterTest() : requester("c00kie", 0) { fakeEngine() = FakeEngine(); }

  unsigned short port() const { return static_cast<unsigned short>(requester.GetPort()); }

  // Runs one stop: `client` talks to the port from another thread, then the
  // stop is resumed with step over so that the stop always ends.
  void Stop(const std::function<void()>& client) {
    auto done = std::async(std::launch::async, [&] {
      client();
      Call(port(), "Requester.resumeExecution",
           Build("{s:s,s:i}", "cookie", "c00kie", "request", 2).get());
    });
    requester.interactionPoint();
    done.get();
  }

  Reply CallWith(const char* method, ValuePtr param) { return Call(port(), method, param.get()); }

  RemoteRequester requester;
};

std::string Member(const Reply& reply, const char* name) {
  xmlrpc_env env;
  xmlrpc_env_init(&env);
  const char* text = nullptr;
  xmlrpc_parse_value(&env, reply.result.get(), "{s:s,*}", name, &text);
  const std::string result = env.fault_occurred ? "<missing>" : text;
  xmlrpc_env_clean(&env);
  return result;
}

int IntMember(const Reply& reply, const char* name) {
  xmlrpc_env env;
  xmlrpc_env_init(&env);
  xmlrpc_int32 value = -12345;
  xmlrpc_parse_value(&env, reply.result.get(), "{s:i,*}", name, &value);
  xmlrpc_env_clean(&env);
  return value;
}

int StructSize(const Reply& reply) {
  xmlrpc_env env;
  xmlrpc_env_init(&env);
  const int size = reply.result ? xmlrpc_struct_size(&env, reply.result.get()) : -1;
  xmlrpc_env_clean(&env);
  return size;
}

TEST_F(RemoteRequesterTest, ServesUntilACallResumes) {
  Stop([&] {
    const Reply hello = CallWith("Requester.hello", Build("{s:s}", "cookie", "c00kie"));
    EXPECT_EQ(Member(hello, "status"), "hello");
  });
  EXPECT_EQ(fakeEngine().calls.back(), "resumeExecution(2)");
}

TEST_F(RemoteRequesterTest, BadResumeTypeAnswersFaultOneAndKeepsServing) {
  Stop([&] {
    for (const int request : {5, -1}) {
      const Reply reply = CallWith("Requester.resumeExecution",
                                   Build("{s:s,s:i}", "cookie", "c00kie", "request", request));
      EXPECT_TRUE(reply.fault);
      EXPECT_EQ(reply.faultCode, 1);
      EXPECT_EQ(reply.faultString, "Bad resume type");
    }
    EXPECT_EQ(Member(CallWith("Requester.hello", Build("{s:s}", "cookie", "c00kie")), "status"),
              "hello");
  });
  EXPECT_EQ(fakeEngine().calls, std::vector<std::string>{"resumeExecution(2)"});
}

TEST_F(RemoteRequesterTest, AddedMethodsAndOptionalMembersReachTheEngine) {
  fakeEngine().stopInfo.reason = "function";
  fakeEngine().assignmentError = "cannot";
  Stop([this] {
    EXPECT_EQ(
        Member(CallWith("Requester.getStopInfo", Build("{s:s}", "cookie", "c00kie")), "reason"),
        "function");
    ValuePtr classes = Build("(ss)", "A\\B", "C");
    CallWith("Requester.setExceptionBreakpoints",
             Build("{s:s,s:b,s:V}", "cookie", "c00kie", "uncaught", 1, "classes", classes.get()));
    EXPECT_EQ(
        IntMember(CallWith("Requester.addFunctionBreakpoint",
                           Build("{s:s,s:s,s:s}", "cookie", "c00kie", "name", "f", "cond", "$a")),
                  "breakpointNumber"),
        1);
    CallWith("Requester.getChildrenInfos",
             Build("{s:s,s:s,s:i,s:s,s:i,s:i,s:i,s:b}", "cookie", "c00kie", "context", "locals",
                   "frame_index", 0, "parent_expr", "$a", "radix", 10, "start", 5, "count", 2,
                   "statics", 1));
    Reply negative =
        CallWith("Requester.getChildrenInfos",
                 Build("{s:s,s:s,s:i,s:s,s:i,s:i}", "cookie", "c00kie", "context", "locals",
                       "frame_index", 0, "parent_expr", "$a", "radix", 10, "start", -1));
    EXPECT_EQ(negative.faultCode, 3);
    Reply failed = CallWith("Requester.setDebugProperty",
                            Build("{s:s,s:s,s:i,s:s,s:s,s:i}", "cookie", "c00kie", "context", "",
                                  "frame_index", 0, "lhs", "$a", "rhs", "(", "radix", 10));
    EXPECT_EQ(failed.faultCode, 2);
    EXPECT_EQ(failed.faultString, "cannot");
  });
  const std::vector<std::string> expected = {"setExceptionBreakpoints(0,1,A\\B,C)",
                                             "addFunctionBreakpoint(f,$a)",
                                             "getChildrenInfos(locals,0,$a,10,5,2,statics)",
                                             "setDebugProperty(,0,$a,(,10)", "resumeExecution(2)"};
  EXPECT_EQ(fakeEngine().calls, expected);
}

TEST_F(RemoteRequesterTest, UnknownMethodAndMissingMemberAnswerLibraryFaults) {
  Stop([&] {
    const Reply unknown = CallWith("Requester.nothing", Build("{s:s}", "cookie", "c00kie"));
    EXPECT_TRUE(unknown.fault);
    EXPECT_EQ(unknown.faultCode, XMLRPC_NO_SUCH_METHOD_ERROR);
    const Reply missing = CallWith("Requester.getSourceCode", Build("{s:s}", "cookie", "c00kie"));
    EXPECT_TRUE(missing.fault);
    EXPECT_NE(missing.faultCode, 0);
    const Reply wrongType = CallWith("Requester.resumeExecution",
                                     Build("{s:s,s:s}", "cookie", "c00kie", "request", "4"));
    EXPECT_TRUE(wrongType.fault);
    EXPECT_NE(wrongType.faultCode, 1);
  });
  EXPECT_EQ(fakeEngine().calls.size(), 1u);
}

TEST_F(RemoteRequesterTest, ScalarMethodsPassTheirMembersAndAnswerTheirStructs) {
  fakeEngine().numFrames = 3;
  fakeEngine().source = "<?php echo 1;\n";
  fakeEngine().breakpointNumber = 7;
  Stop([&] {
    const char* cookie = "c00kie";
    EXPECT_EQ(
        StructSize(CallWith("Requester.redirectStdout",
                            Build("{s:s,s:i,s:s}", "cookie", cookie, "port", 9005, "x", "y"))),
        0);
    EXPECT_EQ(StructSize(CallWith("Requester.redirectStdin",
                                  Build("{s:s,s:i}", "cookie", cookie, "port", 1))),
              0);
    EXPECT_EQ(IntMember(CallWith("Requester.getNumFrames", Build("{s:s}", "cookie", cookie)),
                        "numFrames"),
              3);
    EXPECT_EQ(Member(CallWith("Requester.getSourceCode",
                              Build("{s:s,s:s}", "cookie", cookie, "filename", "/t.php")),
                     "source"),
              "<?php echo 1;\n");
    EXPECT_EQ(Member(CallWith("Requester.setDebugProperty",
                              Build("{s:s,s:s,s:i,s:s,s:s,s:i}", "cookie", cookie, "context", "",
                                    "frame_index", 0, "lhs", "$a", "rhs", "7", "radix", 10)),
                     "setResultString"),
              "");
    EXPECT_EQ(Member(CallWith("Requester.getContextNamesAsString",
                              Build("{s:s,s:i}", "cookie", cookie, "frame_index", 0)),
                     "names"),
              "locals globals");
    EXPECT_EQ(IntMember(CallWith("Requester.addBreakpoint",
                                 Build("{s:s,s:s,s:i,s:b,s:s}", "cookie", cookie, "file", "/t.php",
                                       "lineno", 4, "temporary", 1, "cond", "")),
                        "breakpointNumber"),
              7);
    const Reply attribute =
        CallWith("Requester.setBreakpointAttribute", Build("{s:s}", "cookie", cookie));
    xmlrpc_env env;
    xmlrpc_env_init(&env);
    xmlrpc_bool supported = 1;
    xmlrpc_parse_value(&env, attribute.result.get(), "{s:b,*}", "supported", &supported);
    EXPECT_FALSE(env.fault_occurred);
    EXPECT_EQ(supported, 0);
    xmlrpc_env_clean(&env);
    EXPECT_EQ(StructSize(CallWith("Requester.removeBreakpoint",
                                  Build("{s:s,s:i}", "cookie", cookie, "breakpointNumber", 7))),
              0);
  });
  const std::vector<std::string> expected = {
      "redirectStdout(9005)",       "getSourceCode(/t.php)", "setDebugProperty(,0,$a,7,10)",
      "addBreakpoint(/t.php,4,1,)", "removeBreakpoint(7)",   "resumeExecution(2)"};
  EXPECT_EQ(fakeEngine().calls, expected);
}

TEST_F(RemoteRequesterTest, RecordMethodsAnswerEncodedRecords) {
  fakeEngine().frames = {{"b.php", 2, "f", {}, "", ""}, {"a.php", 9, "__main__", {}, "", ""}};
  PropertyInfo a;
  a.name = {"$a", "$a"};
  a.value = "3";
  a.type = "IS_LONG";
  fakeEngine().propertyInfo = a;
  fakeEngine().context = {a, a};
  fakeEngine().children = {};
  Stop([&] {
    const char* cookie = "c00kie";
    const Reply frames = CallWith("Requester.getFrames", Build("{s:s}", "cookie", cookie));
    xmlrpc_env env;
    xmlrpc_env_init(&env);
    const FrameVector read = build_FrameVector_Fromxmlrpc_value(&env, frames.result.get());
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0].where, "f");

    const Reply info = CallWith("Requester.getDebugPropertyInfo",
                                Build("{s:s,s:i,s:s,s:i}", "cookie", cookie, "frame_index", 1,
                                      "expr", " $a ", "radix", 16));
    xmlrpc_value* record = nullptr;
    xmlrpc_parse_value(&env, info.result.get(), "{s:S,*}", "propertyInfo", &record);
    EXPECT_EQ(build_PropertyInfo_Fromxmlrpc_value(&env, record).value, "3");

    const Reply context =
        CallWith("Requester.getContext", Build("{s:s,s:s,s:i,s:i}", "cookie", cookie, "context",
                                               "globals", "frame_index", -1, "radix", 70000));
    EXPECT_EQ(build_PropertyInfoVector_Fromxmlrpc_value(&env, context.result.get()).size(), 2u);

    const Reply children =
        CallWith("Requester.getChildrenInfos",
                 Build("{s:s,s:s,s:i,s:s,s:i}", "cookie", cookie, "context", "locals",
                       "frame_index", 0, "parent_expr", "$o", "radix", 10));
    EXPECT_TRUE(build_PropertyInfoVector_Fromxmlrpc_value(&env, children.result.get()).empty());
    EXPECT_FALSE(env.fault_occurred);
    xmlrpc_env_clean(&env);
  });
  const std::vector<std::string> expected = {
      "getDebugPropertyInfo(1, $a ,16)", "getContext(globals,-1,4464)",
      "getChildrenInfos(locals,0,$o,10)", "resumeExecution(2)"};
  EXPECT_EQ(fakeEngine().calls, expected);
}

TEST_F(RemoteRequesterTest, EmptyCookieIsStillDemanded) {
  Requester* anonymous = remote_init(nullptr, 0);
  ASSERT_NE(anonymous, nullptr);
  const unsigned short anonymousPort = remote_getport(anonymous);
  auto client = std::async(std::launch::async, [&] {
    EXPECT_TRUE(Call(anonymousPort, "Requester.hello", Build("{}").get()).fault);
    EXPECT_EQ(Member(Call(anonymousPort, "Requester.hello", Build("{s:s}", "cookie", "").get()),
                     "status"),
              "hello");
    Call(anonymousPort, "Requester.resumeExecution",
         Build("{s:s,s:i}", "cookie", "", "request", 4).get());
  });
  remote_interact(anonymous);
  client.get();
  remote_end(anonymous);
  EXPECT_EQ(fakeEngine().calls.back(), "resumeExecution(4)");
}

TEST_F(RemoteRequesterTest, WithoutACookieOnlyThisMachineMayConnect) {
  Requester* anonymous = remote_init("", 0);
  ASSERT_NE(anonymous, nullptr);
  EXPECT_NE(fakeEngine().logged.find("LUDBG: "), std::string::npos) << fakeEngine().logged;
  EXPECT_NE(fakeEngine().logged.find("127.0.0.1"), std::string::npos) << fakeEngine().logged;
  const unsigned short anonymousPort = remote_getport(anonymous);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(anonymousPort);
  address.sin_addr.s_addr = htonl(INADDR_ANY);
  const int probe = socket(AF_INET, SOCK_STREAM, 0);
  // Another local address than 127.0.0.1 reaches every interface but loopback's.
  inet_pton(AF_INET, "127.0.0.2", &address.sin_addr);
  EXPECT_NE(connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  close(probe);
  remote_end(anonymous);

  fakeEngine().logged.clear();
  Requester* guarded = remote_init("s3cret", 0);
  ASSERT_NE(guarded, nullptr);
  EXPECT_EQ(fakeEngine().logged, "");
  address.sin_port = htons(remote_getport(guarded));
  const int open = socket(AF_INET, SOCK_STREAM, 0);
  EXPECT_EQ(connect(open, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  close(open);
  remote_end(guarded);
}

TEST_F(RemoteRequesterTest, CharactersBeyondTheBasicPlaneReachTheEngineAndComeBack) {
  const std::string grinning = "\xF0\x9F\x98\x80";
  fakeEngine().source = "<?php echo '" + grinning + "';";
  std::string response;
  Stop([&] {
    const std::string body =
        "<methodCall><methodName>Requester.getSourceCode</methodName><params>"
        "<param><value><struct><member><name>cookie</name><value>c00kie"
        "</value></member><member><name>filename</name><value>/t&#x1F600;"
        ".php</value></member></struct></value></param></params></methodCall>";
    response = HttpExchange(port(), HttpPost(body));
  });
  EXPECT_EQ(fakeEngine().calls.front(), "getSourceCode(/t" + grinning + ".php)");
  EXPECT_NE(response.find("echo '&#x01F600;';"), std::string::npos) << response;
}

TEST_F(RemoteRequesterTest, BusyPortYieldsNoRequesterAndALogLineNamingIt) {
  EXPECT_EQ(remote_init("x", requester.GetPort()), nullptr);
  // The host's log, never the script's output (an HTTP response body).
  EXPECT_NE(fakeEngine().logged.find("LUDBG: Unable to serve the remote debugger on port " +
                                     std::to_string(requester.GetPort())),
            std::string::npos)
      << fakeEngine().logged;
  EXPECT_EQ(fakeEngine().warning, "");
  EXPECT_EQ(remote_getport(nullptr), 0);
  remote_interact(nullptr);
  remote_end(nullptr);
}

TEST_F(RemoteRequesterTest, EndingTheRequesterClosesItsPort) {
  Requester* other = remote_init("x", 0);
  const unsigned short otherPort = remote_getport(other);
  remote_end(other);
  EXPECT_EQ(HttpExchange(otherPort, "GET / HTTP/1.0\r\n\r\n"), "");
}

}  // namespace
