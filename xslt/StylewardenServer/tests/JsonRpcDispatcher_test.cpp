// Dispatch: routing, and an error response of the right code for each kind of bad message.
#include "JsonRpcDispatcher.h"

#include <gtest/gtest.h>

#include <vector>

using nlohmann::json;

namespace {

class JsonRpcDispatcherTest : public ::testing::Test {
 protected:
  JsonRpcDispatcherTest()
      : dispatcher([this](const json& message) { sent.push_back(message); },
                   [this](const std::string& problem) { problems.push_back(problem); }) {
    dispatcher.onRequest("echo", [](const json& params) {
      return json(jsonrpc::StringField(params, "word", "echo"));
    });
    dispatcher.onRequest("count", [](const json& params) {
      return json(jsonrpc::IntegerField(params, "n", "count") + 1);
    });
    dispatcher.onNotification("note", [this](const json& params) {
      notes.push_back(jsonrpc::StringField(params, "text", "note"));
    });
  }

  // The error code of the only message sent, checking its id.
  int errorCode(const json& expectedId) {
    EXPECT_EQ(sent.size(), 1u);
    if (sent.empty()) {
      return 0;
    }
    EXPECT_EQ(sent[0]["jsonrpc"], "2.0");
    EXPECT_EQ(sent[0]["id"], expectedId);
    return sent[0]["error"]["code"].get<int>();
  }

  std::vector<json> sent;
  std::vector<std::string> problems;
  std::vector<std::string> notes;
  JsonRpcDispatcher dispatcher;
};

TEST_F(JsonRpcDispatcherTest, AnswersRequestsWithTheirId) {
  dispatcher.dispatch(R"({"jsonrpc":"2.0","id":"k7","method":"echo","params":{"word":"hi"}})");
  dispatcher.dispatch(R"({"jsonrpc":"2.0","id":3,"method":"count","params":{"n":41}})");
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0], (json{{"jsonrpc", "2.0"}, {"id", "k7"}, {"result", "hi"}}));
  EXPECT_EQ(sent[1], (json{{"jsonrpc", "2.0"}, {"id", 3}, {"result", 42}}));
}

TEST_F(JsonRpcDispatcherTest, MalformedJsonIsParseErrorWithNullId) {
  dispatcher.dispatch(R"({"jsonrpc":"2.0","id":1,"method":"echo")");
  EXPECT_EQ(errorCode(nullptr), jsonrpc::kParseError);
}

TEST_F(JsonRpcDispatcherTest, MessagesThatAreNoRequestsAreInvalidRequests) {
  for (const char* body : {"[]", "42", R"({"jsonrpc":"2.0","id":{},"method":"echo"})",
                           R"({"jsonrpc":"2.0","id":[1],"method":"echo"})"}) {
    sent.clear();
    dispatcher.dispatch(body);
    EXPECT_EQ(errorCode(nullptr), jsonrpc::kInvalidRequest) << body;
  }
  for (const char* body :
       {R"({"jsonrpc":"2.0","id":5})", R"({"jsonrpc":"2.0","id":5,"method":7})",
        R"({"jsonrpc":"1.0","id":5,"method":"echo"})", R"({"id":5,"method":"echo"})"}) {
    sent.clear();
    dispatcher.dispatch(body);
    EXPECT_EQ(errorCode(5), jsonrpc::kInvalidRequest) << body;
  }
}

TEST_F(JsonRpcDispatcherTest, UnknownRequestIsMethodNotFoundAndUnknownNotificationIsIgnored) {
  dispatcher.dispatch(R"({"jsonrpc":"2.0","id":9,"method":"textDocument/hover","params":{}})");
  EXPECT_EQ(errorCode(9), jsonrpc::kMethodNotFound);
  sent.clear();
  dispatcher.dispatch(R"({"jsonrpc":"2.0","method":"$/cancelRequest","params":{"id":9}})");
  EXPECT_TRUE(sent.empty());
  EXPECT_TRUE(problems.empty());
}

TEST_F(JsonRpcDispatcherTest, WrongParamTypesAreInvalidParams) {
  for (const char* body :
       {R"({"jsonrpc":"2.0","id":1,"method":"echo","params":{"word":5}})",
        R"({"jsonrpc":"2.0","id":1,"method":"echo","params":{}})",
        R"({"jsonrpc":"2.0","id":1,"method":"echo","params":[1]})",
        R"({"jsonrpc":"2.0","id":1,"method":"echo","params":"x"})",
        R"({"jsonrpc":"2.0","id":1,"method":"count","params":{"n":1.5}})",
        R"({"jsonrpc":"2.0","id":1,"method":"count","params":{"n":4294967296}})"}) {
    sent.clear();
    dispatcher.dispatch(body);
    EXPECT_EQ(errorCode(1), jsonrpc::kInvalidParams) << body;
    EXPECT_FALSE(sent[0]["error"]["message"].get<std::string>().empty());
  }
}

TEST_F(JsonRpcDispatcherTest, FailedNotificationIsReportedNotAnswered) {
  dispatcher.dispatch(R"({"jsonrpc":"2.0","method":"note","params":{"text":1}})");
  EXPECT_TRUE(sent.empty());
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].find("note.text must be a string"), std::string::npos);
  dispatcher.dispatch(R"({"jsonrpc":"2.0","method":"note","params":{"text":"ok"}})");
  EXPECT_EQ(notes, std::vector<std::string>{"ok"});
}

TEST_F(JsonRpcDispatcherTest, GateRefusesRequestsWithItsErrorAndDropsNotifications) {
  dispatcher.setGate([](const std::string& method, jsonrpc::Error& refusal) {
    refusal = jsonrpc::Error(jsonrpc::kServerNotInitialized, "not yet");
    return method == "echo";
  });
  dispatcher.dispatch(R"({"jsonrpc":"2.0","id":2,"method":"count","params":{"n":1}})");
  EXPECT_EQ(errorCode(2), jsonrpc::kServerNotInitialized);
  dispatcher.dispatch(R"({"jsonrpc":"2.0","method":"note","params":{"text":"x"}})");
  EXPECT_TRUE(notes.empty());
}

TEST_F(JsonRpcDispatcherTest, ResponsesFromTheClientAreIgnored) {
  dispatcher.dispatch(R"({"jsonrpc":"2.0","id":4,"result":null})");
  EXPECT_TRUE(sent.empty());
}

}  // namespace
