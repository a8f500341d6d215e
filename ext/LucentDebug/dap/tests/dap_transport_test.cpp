#include "dap_transport.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

namespace {

// Feeds `input` to a transport through a pipe; output goes to a second pipe.
class TransportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(pipe(in_), 0);
    ASSERT_EQ(pipe(out_), 0);
  }
  void TearDown() override {
    close(in_[0]);
    close(out_[0]);
    close(out_[1]);
  }
  void feed(const std::string& bytes) {
    ASSERT_EQ(write(in_[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    close(in_[1]);
  }
  std::string written() {
    close(out_[1]);
    out_[1] = -1;
    std::string text;
    char chunk[4096];
    ssize_t got;
    while ((got = read(out_[0], chunk, sizeof chunk)) > 0) text.append(chunk, got);
    return text;
  }
  int in_[2];
  int out_[2];
};

std::string Frame(const std::string& body) {
  return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

TEST_F(TransportTest, ReadsConsecutiveMessagesThenEndOfInput) {
  feed(Frame(R"({"seq":1,"type":"request","command":"a"})") + "Content-Type: x\r\n" +
       Frame(R"({"seq":2,"type":"request","command":"b"})"));
  DapTransport transport(in_[0], out_[1]);
  nlohmann::json message;
  std::string error;
  ASSERT_EQ(transport.read(message, error), DapTransport::ReadResult::kMessage);
  EXPECT_EQ(message["command"], "a");
  ASSERT_EQ(transport.read(message, error), DapTransport::ReadResult::kMessage);
  EXPECT_EQ(message["command"], "b");
  EXPECT_EQ(transport.read(message, error), DapTransport::ReadResult::kEndOfInput);
}

TEST_F(TransportTest, RejectsBrokenFraming) {
  for (const std::string& input :
       {std::string("Content-Length: x\r\n\r\n{}"), std::string("Content-Length: 10\r\n\r\n{}"),
        std::string("no colon\r\n\r\n"), Frame("{oops"), Frame("42"),
        std::string("Content-Length: 99999999999999\r\n\r\n"), std::string("\r\n{}")}) {
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    ASSERT_EQ(write(pipeFds[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
    close(pipeFds[1]);
    DapTransport transport(pipeFds[0], out_[1]);
    nlohmann::json message;
    std::string error;
    EXPECT_EQ(transport.read(message, error), DapTransport::ReadResult::kMalformed) << input;
    EXPECT_FALSE(error.empty());
    close(pipeFds[0]);
  }
  feed("");
}

TEST_F(TransportTest, SendNumbersMessagesAndReplacesBadUtf8) {
  feed("");
  DapTransport transport(in_[0], out_[1]);
  transport.send({{"type", "event"}, {"event", "a"}});
  transport.send({{"type", "event"}, {"body", std::string("x\xff")}});
  std::string text = written();
  EXPECT_NE(text.find("\"seq\":1"), std::string::npos);
  EXPECT_NE(text.find("\"seq\":2"), std::string::npos);
  EXPECT_NE(text.find("x\xef\xbf\xbd"), std::string::npos);
  EXPECT_EQ(text.rfind("Content-Length: ", 0), 0u);
}

}  // namespace
