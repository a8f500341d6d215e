// The per-requester XML-RPC server: its port, its paths and one request per turn.
#include "xmlrpc_server.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <thread>
#include <vector>

#include "test_client.h"

namespace {

xmlrpc_value* EchoMethod(xmlrpc_env* env, xmlrpc_value* params, void* userData) {
  ++*static_cast<int*>(userData);
  const char* text = nullptr;
  xmlrpc_parse_value(env, params, "(s)", &text);
  if (env->fault_occurred) return nullptr;
  return xmlrpc_build_value(env, "{s:s}", "echo", text);
}

// Answers a string of four mebibytes, more than any socket buffer takes.
xmlrpc_value* BigMethod(xmlrpc_env* env, xmlrpc_value*, void*) {
  const std::string text(4 * 1024 * 1024, 'x');
  return xmlrpc_build_value(env, "{s:s}", "big", text.c_str());
}

int ConnectTo(unsigned short port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  return fd;
}

class XmlRpcServer : public ::testing::Test {
 protected:
  XmlRpcServer() : server(xmlrpc_server_abyss_ts_init(0, nullptr, 0, nullptr)) {
    xmlrpc_server_abyss_ts_add_method(server.get(), "echo", EchoMethod, &calls);
    xmlrpc_server_abyss_ts_add_method(server.get(), "big", BigMethod, nullptr);
    port = xmlrpc_server_abyss_ts_get_port(server.get());
  }

  // Sends `request` from another thread while this one serves one turn.
  std::string ServeOne(const std::string& request) {
    auto reply = std::async(std::launch::async, [&] { return HttpExchange(port, request); });
    xmlrpc_server_abyss_ts_runonce(server.get());
    return reply.get();
  }

  // Serves turns until `request` is answered; another thread first runs
  // `before` (which may open connections the server must accept), then sends
  // it. Returns the answer and how long it took after `before`.
  std::string ServeUntilAnswered(const std::function<void()>& before, const std::string& request,
                                 std::chrono::milliseconds* took) {
    std::atomic<bool> answered{false};
    auto reply = std::async(std::launch::async, [&] {
      before();
      const auto started = std::chrono::steady_clock::now();
      std::string response = HttpExchange(port, request);
      *took = std::chrono::duration_cast<std::chrono::milliseconds>(
          std::chrono::steady_clock::now() - started);
      answered = true;
      close(ConnectTo(port));  // ends the turn the server may have started since
      return response;
    });
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!answered && std::chrono::steady_clock::now() < giveUp) {
      xmlrpc_server_abyss_ts_runonce(server.get());
    }
    return reply.get();
  }

  int calls = 0;
  XmlRpcServerPtr server;
  unsigned short port = 0;
};

std::string EchoCall() { return HttpPost(CallXml("echo", Build("s", "hi").get())); }

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
  xmlrpc_server_abyss_ts_add_method(nullptr, "x", EchoMethod, nullptr);
  EXPECT_EQ(xmlrpc_server_abyss_ts_get_port(nullptr), 0);
  xmlrpc_server_abyss_ts_free(nullptr);
}

TEST_F(XmlRpcServer, CallsTheMethodWithItsUserData) {
  const std::string response = ServeOne(EchoCall());
  EXPECT_EQ(HttpStatus(response), 200);
  EXPECT_NE(response.find("<string>hi</string>"), std::string::npos) << response;
  EXPECT_EQ(calls, 1);
}

TEST_F(XmlRpcServer, AnswersHttpErrorsWithoutCallingAnyMethod) {
  const std::string body = CallXml("echo", Build("s", "hi").get());
  EXPECT_EQ(HttpStatus(ServeOne(HttpPost(body, "/other"))), 404);
  EXPECT_EQ(HttpStatus(ServeOne("GET /RPC2 HTTP/1.0\r\n\r\n")), 405);
  EXPECT_EQ(HttpStatus(ServeOne(HttpPost(body, "/RPC2", "text/plain"))), 400);
  EXPECT_EQ(HttpStatus(ServeOne(HttpPost(body, "/RPC2", "text/xmlish"))), 400);
  EXPECT_EQ(HttpStatus(ServeOne("POST /RPC2 HTTP/1.0\r\nContent-Length: 3\r\n\r\nabc")), 400);
  EXPECT_EQ(HttpStatus(ServeOne("POST /RPC2 HTTP/1.0\r\nContent-Type: text/xml\r\n\r\n")), 411);
  EXPECT_EQ(calls, 0);
}

TEST_F(XmlRpcServer, TakesTextXmlWithParameters) {
  const std::string body = CallXml("echo", Build("s", "hi").get());
  EXPECT_EQ(HttpStatus(ServeOne(HttpPost(body, "/RPC2", "Text/XML; charset=utf-8"))), 200);
  EXPECT_EQ(calls, 1);
}

TEST_F(XmlRpcServer, ServesOneRequestPerConnection) {
  const std::string response = ServeOne(EchoCall() + EchoCall());
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(response.find("HTTP/1.1", 1), std::string::npos) << response;
}

TEST_F(XmlRpcServer, GoesOnAfterAClientThatLeavesWithoutARequest) {
  EXPECT_EQ(ServeOne(""), "");
  EXPECT_EQ(HttpStatus(ServeOne(EchoCall())), 200);
  EXPECT_EQ(calls, 1);
}

TEST_F(XmlRpcServer, ConnectionsWaitInTheQueueUntilServed) {
  auto first = std::async(std::launch::async, [&] { return HttpExchange(port, EchoCall()); });
  auto second = std::async(std::launch::async, [&] { return HttpExchange(port, EchoCall()); });
  xmlrpc_server_abyss_ts_runonce(server.get());
  xmlrpc_server_abyss_ts_runonce(server.get());
  EXPECT_EQ(HttpStatus(first.get()), 200);
  EXPECT_EQ(HttpStatus(second.get()), 200);
  EXPECT_EQ(calls, 2);
}

std::string CallBody(const std::string& method, const std::string& value) {
  return "<?xml version=\"1.0\"?><methodCall><methodName>" + method +
         "</methodName><params><param><value>" + value + "</value></param></params></methodCall>";
}

TEST_F(XmlRpcServer, ValuesThatCrashTheLibraryAnswerAFault) {
  for (const char* value : {"<i8>99999999999999999999</i8>", "<i8>x</i8>", "<ex:i8>1</ex:i8>",
                            "<struct><member><name>a</name><value><i8>x</i8></value></member>"
                            "</struct>"}) {
    const std::string response = ServeOne(HttpPost(CallBody("echo", value)));
    EXPECT_EQ(HttpStatus(response), 200) << value;
    EXPECT_NE(response.find("<name>faultCode</name>"), std::string::npos) << response;
  }
  EXPECT_EQ(calls, 0);
}

TEST_F(XmlRpcServer, NestedEntitiesAreRefusedBeforeParsing) {
  std::string body = "<?xml version=\"1.0\"?><!DOCTYPE m [<!ENTITY a0 \"xxxxxxxxxx\">";
  for (int i = 1; i < 10; ++i) {
    const std::string previous = "&a" + std::to_string(i - 1) + ";";
    body += "<!ENTITY a" + std::to_string(i) + " \"" + previous + previous + previous + previous +
            previous + previous + previous + previous + previous + previous + "\">";
  }
  body += "]>" + CallBody("echo", "&a9;");
  const auto started = std::chrono::steady_clock::now();
  const std::string response = ServeOne(HttpPost(body));
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));
  EXPECT_NE(response.find("<name>faultCode</name>"), std::string::npos) << response;
  EXPECT_EQ(calls, 0);
}

TEST_F(XmlRpcServer, ServesOnlyTheMethodsAddedToIt) {
  for (const char* method : {"system.listMethods", "system.methodHelp", "system.multicall",
                             "system.getCapabilities", "system.shutdown", "Echo"}) {
    const std::string response = ServeOne(HttpPost(CallBody(method, "<string>echo</string>")));
    EXPECT_NE(response.find("<i4>-506</i4>"), std::string::npos) << method << response;
  }
  EXPECT_EQ(calls, 0);
}

TEST_F(XmlRpcServer, MalformedLengthsAndOptionsAnswerTheirStatuses) {
  const std::string head = "POST /RPC2 HTTP/1.0\r\nContent-Type: text/xml\r\nContent-Length: ";
  EXPECT_EQ(HttpStatus(ServeOne(head + "-1\r\n\r\nabc")), 400);
  EXPECT_EQ(HttpStatus(ServeOne(head + "4294967296\r\n\r\nabc")), 400);
  const std::string options = ServeOne("OPTIONS /RPC2 HTTP/1.1\r\n\r\n");
  EXPECT_EQ(HttpStatus(options), 405);
  EXPECT_NE(options.find("Allow: POST"), std::string::npos);
  EXPECT_EQ(calls, 0);
}

TEST_F(XmlRpcServer, CharactersBeyondTheBasicPlaneTravelBothWays) {
  const std::string raw =
      ServeOne(HttpPost(CallBody("echo", "<string>a\xF0\x9F\x98\x80</string>")));
  EXPECT_NE(raw.find("<string>a&#x01F600;</string>"), std::string::npos) << raw;
  const std::string referenced = ServeOne(HttpPost(CallBody("echo", "a&#x20000;")));
  EXPECT_NE(referenced.find("<string>a&#x020000;</string>"), std::string::npos) << referenced;
  EXPECT_EQ(calls, 2);
}

TEST_F(XmlRpcServer, ProperCallIsAnsweredWhileFiftyHostileConnectionsAreOpen) {
  std::vector<int> hostile;
  const std::string partialHead = "POST /RPC2 HTTP/1.1\r\nContent-Ty";
  const std::string partialBody = HttpPost(CallXml("echo", Build("s", "hi").get())).substr(0, 120);
  std::chrono::milliseconds took{0};
  const std::string response = ServeUntilAnswered(
      [&] {
        for (int i = 0; i < 50; ++i) {
          hostile.push_back(ConnectTo(port));
          const std::string& start = i % 3 == 0 ? partialHead : partialBody;
          if (i % 3 != 2) send(hostile.back(), start.data(), start.size(), MSG_NOSIGNAL);
        }
      },
      EchoCall(), &took);
  EXPECT_EQ(HttpStatus(response), 200);
  EXPECT_LT(took.count(), 1000);
  EXPECT_EQ(calls, 1);
  for (const int fd : hostile) close(fd);
}

TEST_F(XmlRpcServer, ClientThatNeverReadsALargeAnswerHoldsNobodyUp) {
  int idle = -1;
  std::chrono::milliseconds took{0};
  const std::string response = ServeUntilAnswered(
      [&] {
        idle = ConnectTo(port);
        const std::string bigCall = HttpPost(CallBody("big", "<string>x</string>"));
        send(idle, bigCall.data(), bigCall.size(), MSG_NOSIGNAL);
      },
      EchoCall(), &took);
  EXPECT_EQ(HttpStatus(response), 200);
  EXPECT_LT(took.count(), 1000);
  close(idle);
}

// Reads from `fd` until `mark` has arrived or the peer closes.
std::string ReadUntil(int fd, const std::string& mark) {
  std::string text;
  char buffer[4096];
  while (text.find(mark) == std::string::npos) {
    const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    text.append(buffer, static_cast<size_t>(n));
  }
  return text;
}

TEST_F(XmlRpcServer, SlotsFullOfAnsweredConnectionsNeverPushOutAProperCall) {
  const std::string call = EchoCall();
  // Set while the server must not start its next turn: after the 64th call.
  std::atomic<bool> hold{true};
  std::atomic<bool> done{false};
  auto client = std::async(std::launch::async, [&] {
    // Every slot holds a connection that has had its answer and stays open.
    std::vector<int> answered;
    for (int i = 0; i < 64; ++i) {
      answered.push_back(ConnectTo(port));
      send(answered.back(), call.data(), call.size(), MSG_NOSIGNAL);
    }
    for (const int fd : answered) ReadUntil(fd, "</methodResponse>");
    // A proper call and idle connections behind it, all accepted in one round.
    const int proper = ConnectTo(port);
    send(proper, call.data(), call.size(), MSG_NOSIGNAL);
    std::vector<int> idle;
    for (int i = 0; i < 8; ++i) idle.push_back(ConnectTo(port));
    hold = false;
    const std::string response = ReadUntil(proper, "</methodResponse>");
    done = true;
    close(ConnectTo(port));  // ends the turn the server may have started since
    for (const int fd : answered) close(fd);
    for (const int fd : idle) close(fd);
    close(proper);
    return response;
  });
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!done && std::chrono::steady_clock::now() < giveUp) {
    if (calls == 64 && hold) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      continue;
    }
    xmlrpc_server_abyss_ts_runonce(server.get());
  }
  const std::string response = client.get();
  EXPECT_EQ(HttpStatus(response), 200) << response;
  EXPECT_EQ(calls, 65);
}

}  // namespace
