#include "dap_transport.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
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

// Reads the first message of `input`; `problem` is set unless it is well formed.
DapTransport::ReadResult ReadFirst(const std::string& input, std::string& problem) {
  // A memory file holds inputs of any size before they are read, unlike a pipe.
  int fd = memfd_create("input", 0);
  EXPECT_EQ(write(fd, input.data(), input.size()), static_cast<ssize_t>(input.size()));
  lseek(fd, 0, SEEK_SET);
  DapTransport transport(fd, -1);
  nlohmann::json message;
  DapTransport::ReadResult result = transport.read(message, problem);
  close(fd);
  return result;
}

TEST_F(TransportTest, RejectsBrokenFraming) {
  for (const std::string& input :
       {std::string("Content-Length: x\r\n\r\n{}"), std::string("Content-Length: 10\r\n\r\n{}"),
        std::string("no colon\r\n\r\n"), std::string("Content-Length: 99999999999999\r\n\r\n"),
        std::string("\r\n{}")}) {
    std::string problem;
    EXPECT_EQ(ReadFirst(input, problem), DapTransport::ReadResult::kUnreadable) << input;
    EXPECT_FALSE(problem.empty());
  }
  feed("");
}

TEST_F(TransportTest, BodiesThatAreNoObjectsKeepTheStreamInStep) {
  const std::string deep = "{\"a\":" + std::string(100000, '[') + std::string(100000, ']') + "}";
  for (const std::string& body : {std::string("{oops"), std::string("42"), deep}) {
    std::string problem;
    EXPECT_EQ(ReadFirst(Frame(body), problem), DapTransport::ReadResult::kBadBody) << body;
    EXPECT_FALSE(problem.empty());
  }
  feed(Frame("[1]") + Frame(R"({"seq":1,"type":"request","command":"a"})"));
  DapTransport transport(in_[0], out_[1]);
  nlohmann::json message;
  std::string problem;
  EXPECT_EQ(transport.read(message, problem), DapTransport::ReadResult::kBadBody);
  ASSERT_EQ(transport.read(message, problem), DapTransport::ReadResult::kMessage);
  EXPECT_EQ(message["command"], "a");
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
