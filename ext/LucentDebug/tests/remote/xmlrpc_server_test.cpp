// The per-requester XML-RPC server: its port, its paths and one request per turn.
#include "xmlrpc_server.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <future>

#include "test_client.h"

namespace {

xmlrpc_value* echoMethod(xmlrpc_env* env, xmlrpc_value* params, void* userData) {
  ++*static_cast<int*>(userData);
  const char* text = nullptr;
  xmlrpc_parse_value(env, params, "(s)", &text);
  if (env->fault_occurred) return nullptr;
  return xmlrpc_build_value(env, "{s:s}", "echo", text);
}

class XmlRpcServer : public ::testing::Test {
 protected:
  XmlRpcServer() : server(xmlrpc_server_abyss_ts_init(0, nullptr, 0, nullptr)) {
    xmlrpc_server_abyss_ts_add_method(server.get(), "echo", echoMethod, &calls);
    port = xmlrpc_server_abyss_ts_get_port(server.get());
  }

  // Sends `request` from another thread while this one serves one turn.
  std::string serveOne(const std::string& request) {
    auto reply = std::async(std::launch::async, [&] { return httpExchange(port, request); });
    xmlrpc_server_abyss_ts_runonce(server.get());
    return reply.get();
  }

  int calls = 0;
  XmlRpcServerPtr server;
  unsigned short port = 0;
};

std::string echoCall() { return httpPost(callXml("echo", build("s", "hi").get())); }

TEST_F(XmlRpcServer, PortZeroListensOnAPortTheSystemChose) {
  ASSERT_TRUE(server);
  EXPECT_NE(port, 0);
}

TEST_F(XmlRpcServer, BusyPortYieldsNoServer) {
  XmlRpcServerPtr second(xmlrpc_server_abyss_ts_init(0, nullptr, port, nullptr));
  EXPECT_FALSE(second);
  XmlRpcServerPtr outOfRange(xmlrpc_server_abyss_ts_init(0, nullptr, 70000, nullptr));
  EXPECT_FALSE(outOfRange);
}

TEST_F(XmlRpcServer, ListensOnTheGivenAddress) {
  const unsigned char loopback[4] = {127, 0, 0, 1};
  XmlRpcServerPtr bound(xmlrpc_server_abyss_ts_init(0, loopback, 0, nullptr));
  ASSERT_TRUE(bound);
  sockaddr_in address{};
  socklen_t length = sizeof address;
  const unsigned short boundPort = xmlrpc_server_abyss_ts_get_port(bound.get());
  const int probe = socket(AF_INET, SOCK_STREAM, 0);
  address.sin_family = AF_INET;
  address.sin_port = htons(boundPort);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  EXPECT_EQ(connect(probe, reinterpret_cast<sockaddr*>(&address), length), 0);
  close(probe);
}

TEST_F(XmlRpcServer, NullServerIsHarmless) {
  xmlrpc_server_abyss_ts_runonce(nullptr);
  xmlrpc_server_abyss_ts_add_method(nullptr, "x", echoMethod, nullptr);
  EXPECT_EQ(xmlrpc_server_abyss_ts_get_port(nullptr), 0);
  xmlrpc_server_abyss_ts_free(nullptr);
}

TEST_F(XmlRpcServer, CallsTheMethodWithItsUserData) {
  const std::string response = serveOne(echoCall());
  EXPECT_EQ(httpStatus(response), 200);
  EXPECT_NE(response.find("<string>hi</string>"), std::string::npos) << response;
  EXPECT_EQ(calls, 1);
}

TEST_F(XmlRpcServer, AnswersHttpErrorsWithoutCallingAnyMethod) {
  const std::string body = callXml("echo", build("s", "hi").get());
  EXPECT_EQ(httpStatus(serveOne(httpPost(body, "/other"))), 404);
  EXPECT_EQ(httpStatus(serveOne("GET /RPC2 HTTP/1.0\r\n\r\n")), 405);
  EXPECT_EQ(httpStatus(serveOne(httpPost(body, "/RPC2", "text/plain"))), 400);
  EXPECT_EQ(httpStatus(serveOne(httpPost(body, "/RPC2", "text/xmlish"))), 400);
  EXPECT_EQ(httpStatus(serveOne("POST /RPC2 HTTP/1.0\r\nContent-Length: 3\r\n\r\nabc")), 400);
  EXPECT_EQ(httpStatus(serveOne("POST /RPC2 HTTP/1.0\r\nContent-Type: text/xml\r\n\r\n")), 411);
  EXPECT_EQ(calls, 0);
}

TEST_F(XmlRpcServer, TakesTextXmlWithParameters) {
  const std::string body = callXml("echo", build("s", "hi").get());
  EXPECT_EQ(httpStatus(serveOne(httpPost(body, "/RPC2", "Text/XML; charset=utf-8"))), 200);
  EXPECT_EQ(calls, 1);
}

TEST_F(XmlRpcServer, ServesOneRequestPerConnection) {
  const std::string response = serveOne(echoCall() + echoCall());
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(response.find("HTTP/1.1", 1), std::string::npos) << response;
}

TEST_F(XmlRpcServer, GoesOnAfterAClientThatLeavesWithoutARequest) {
  EXPECT_EQ(serveOne(""), "");
  EXPECT_EQ(httpStatus(serveOne(echoCall())), 200);
  EXPECT_EQ(calls, 1);
}

TEST_F(XmlRpcServer, ConnectionsWaitInTheQueueUntilServed) {
  auto first = std::async(std::launch::async, [&] { return httpExchange(port, echoCall()); });
  auto second = std::async(std::launch::async, [&] { return httpExchange(port, echoCall()); });
  xmlrpc_server_abyss_ts_runonce(server.get());
  xmlrpc_server_abyss_ts_runonce(server.get());
  EXPECT_EQ(httpStatus(first.get()), 200);
  EXPECT_EQ(httpStatus(second.get()), 200);
  EXPECT_EQ(calls, 2);
}

}  // namespace
