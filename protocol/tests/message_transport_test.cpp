// Framing: well-formed messages, tolerated header variants, and broken input.
#include "message_transport.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using Result = MessageTransport::ReadResult;

struct Reading {
  Result result;
  std::string body;
  std::string problem;
};

std::vector<Reading> ReadAll(const std::string& input, std::size_t limit = 1000) {
  std::istringstream in(input);
  std::ostringstream out;
  MessageTransport transport(in, out, limit);
  std::vector<Reading> readings;
  for (;;) {
    Reading reading;
    reading.result = transport.read(reading.body, reading.problem);
    readings.push_back(reading);
    if (reading.result == Result::kEndOfInput || reading.result == Result::kFramingError) {
      return readings;
    }
  }
}

TEST(MessageTransportTest, ReadsConsecutiveMessages) {
  const auto readings = ReadAll(
      "Content-Length: 2\r\n\r\n{}"
      "content-length:3\r\nContent-Type: application/vscode-jsonrpc; charset=utf-8\r\n\r\n[1]");
  ASSERT_EQ(readings.size(), 3u);
  EXPECT_EQ(readings[0].body, "{}");
  EXPECT_EQ(readings[1].body, "[1]");
  EXPECT_EQ(readings[2].result, Result::kEndOfInput);
}

TEST(MessageTransportTest, BodyLengthCountsBytesNotCharacters) {
  const auto readings = ReadAll("Content-Length: 4\r\n\r\n\"\xC3\xA9\"Content-Length: 1\r\n\r\n1");
  ASSERT_EQ(readings.size(), 3u);
  EXPECT_EQ(readings[0].body, "\"\xC3\xA9\"");
  EXPECT_EQ(readings[1].body, "1");
}

TEST(MessageTransportTest, OversizedBodyIsSkippedAndTheStreamStaysInStep) {
  const std::string big(5000, 'x');
  const auto readings =
      ReadAll("Content-Length: 5000\r\n\r\n" + big + "Content-Length: 2\r\n\r\n{}");
  ASSERT_EQ(readings.size(), 3u);
  EXPECT_EQ(readings[0].result, Result::kTooLarge);
  EXPECT_EQ(readings[1].result, Result::kMessage);
  EXPECT_EQ(readings[1].body, "{}");
}

TEST(MessageTransportTest, BrokenHeadersAreFramingErrors) {
  for (const std::string& input : std::vector<std::string>{
           "Content-Length: 12x\r\n\r\n{}", "Content-Length: -1\r\n\r\n", "garbage\r\n\r\n",
           "Content-Type: x\r\n\r\n{}", "Content-Length: 10\r\n\r\n{}",
           "Content-Length: 99999999999999999999999999\r\n\r\n{}", "Content-Length: 2\r\n",
           std::string(5000, 'C')}) {
    const auto readings = ReadAll(input);
    EXPECT_EQ(readings.back().result, Result::kFramingError) << input.substr(0, 40);
    EXPECT_FALSE(readings.back().problem.empty());
  }
}

TEST(MessageTransportTest, WritesHeaderAndBody) {
  std::istringstream in;
  std::ostringstream out;
  MessageTransport transport(in, out, 100);
  ASSERT_TRUE(transport.write("{\"a\":\"\xC3\xA9\"}"));
  EXPECT_EQ(out.str(), "Content-Length: 10\r\n\r\n{\"a\":\"\xC3\xA9\"}");
}

}  // namespace
