// The HTTP answers the server gives without calling a method, and bodies that
// arrive in pieces.
#include "http_request.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr size_t kLimit = 512 * 1024;

HttpRequestReader Read(const std::string& request) {
  HttpRequestReader reader(kLimit);
  reader.Feed(request.data(), request.size());
  return reader;
}

std::string Post(const std::string& length, const std::string& extra = "") {
  return "POST /RPC2 HTTP/1.1\r\nContent-Type: text/xml\r\nContent-Length: " + length + "\r\n" +
         extra + "\r\n";
}

int Refusal(const std::string& request) {
  const HttpRequestReader reader = Read(request);
  return reader.state() == HttpRequestReader::State::kRefused ? reader.status() : 0;
}

TEST(HttpRequest, RefusesWithTheDocumentedStatuses) {
  EXPECT_EQ(Refusal("POST /other HTTP/1.0\r\nContent-Type: text/xml\r\nContent-Length: 1\r\n\r\n"),
            404);
  EXPECT_EQ(Refusal("GET /RPC2 HTTP/1.0\r\n\r\n"), 405);
  EXPECT_EQ(Refusal("OPTIONS /RPC2 HTTP/1.1\r\n\r\n"), 405);
  EXPECT_EQ(Refusal("POST /RPC2 HTTP/1.0\r\nContent-Type: text/plain\r\nContent-Length: 1\r\n\r\n"),
            400);
  EXPECT_EQ(Refusal("POST /RPC2 HTTP/1.0\r\nContent-Type: text/xml\r\n\r\n"), 411);
  EXPECT_EQ(Refusal(Post("0")), 400);
  EXPECT_EQ(Refusal(Post("-1")), 400);
  EXPECT_EQ(Refusal(Post("4294967296")), 400);
  EXPECT_EQ(Refusal(Post("12abc")), 400);
  EXPECT_EQ(Refusal(Post("5", "Content-Length: 6\r\n")), 400);
  EXPECT_EQ(Refusal(Post("600000")), 500);
  EXPECT_EQ(Refusal("GARBAGE\r\n\r\n"), 400);
  EXPECT_EQ(Refusal("POST /RPC2 HTTP/1.1\r\n" + std::string(20000, 'x')), 400);
}

TEST(HttpRequest, TooLargeBodyNamesTheLibrarysFault) {
  EXPECT_NE(Read(Post("4294967295")).message().find("XML-RPC request too large"),
            std::string::npos);
}

TEST(HttpRequest, CollectsABodyArrivingInPieces) {
  const std::string request = Post("5", "Expect: 100-continue\r\n") + "abcdeEXTRA";
  HttpRequestReader reader(kLimit);
  for (char c : request) {
    reader.Feed(&c, 1);
    if (reader.state() == HttpRequestReader::State::kBody) {
      EXPECT_TRUE(reader.expectsContinue());
    }
  }
  ASSERT_EQ(reader.state(), HttpRequestReader::State::kComplete);
  EXPECT_EQ(reader.body(), "abcde");
}

TEST(HttpRequest, TakesBareLineFeedsAndAbsoluteTargets) {
  const HttpRequestReader reader =
      Read("POST http://h:9001/RPC2?x HTTP/1.0\nContent-Type: text/xml\nContent-Length: 2\n\nab");
  ASSERT_EQ(reader.state(), HttpRequestReader::State::kComplete);
  EXPECT_EQ(reader.body(), "ab");
}

}  // namespace
