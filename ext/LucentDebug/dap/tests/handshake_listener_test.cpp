#include "handshake_listener.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "output_channel.h"

namespace {

// A connection to the loopback port that has sent `text`.
int ConnectAndSend(int port, const std::string& text) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  EXPECT_EQ(send(fd, text.data(), text.size(), 0), static_cast<ssize_t>(text.size()));
  return fd;
}

void SendTo(int port, const std::string& text) { close(ConnectAndSend(port, text)); }

TEST(Announcement, ParsesPortAndCookie) {
  auto announcement = ParseAnnouncement("PHP:9001:abcDEF123");
  ASSERT_TRUE(announcement);
  EXPECT_EQ(announcement->port, 9001);
  EXPECT_EQ(announcement->cookie, "abcDEF123");
  EXPECT_EQ(ParseAnnouncement("PHP:9001:")->cookie, "");
}

TEST(Announcement, RejectsOtherLines) {
  for (const char* line : {"", "PHP", "PHP:", "PHP::x", "PHP:0:x", "PHP:70000:x", "PHP:9a:x",
                           "HTTP:9001:x", "GET / HTTP/1.0"}) {
    EXPECT_FALSE(ParseAnnouncement(line)) << line;
  }
}

TEST(Listener, ReceivesAnAnnouncementAfterAStrayConnection) {
  std::string error;
  auto listener = Listener::open("127.0.0.1", 0, error);
  ASSERT_TRUE(listener) << error;
  std::thread sender([port = listener->port()] {
    SendTo(port, "GET / HTTP/1.0\r\n\r\n");
    SendTo(port, "PHP:4242:cookie");
  });
  auto announcement = ReceiveAnnouncement(
      *listener, 10000, [] { return true; }, error);
  sender.join();
  ASSERT_TRUE(announcement) << error;
  EXPECT_EQ(announcement->port, 4242);
  EXPECT_EQ(announcement->cookie, "cookie");
  EXPECT_EQ(announcement->engineHost, "127.0.0.1");
}

TEST(Listener, KeepsTheHandshakeConnectionAndWritesWatchOnIt) {
  std::string error;
  auto listener = Listener::open("127.0.0.1", 0, error);
  ASSERT_TRUE(listener) << error;
  std::string heard;
  std::thread engine([port = listener->port(), &heard] {
    int fd = ConnectAndSend(port, "PHP:4243:c\n");
    // Everything the adapter writes until it closes the control connection.
    char chunk[64];
    ssize_t got;
    while ((got = read(fd, chunk, sizeof chunk)) > 0) heard.append(chunk, got);
    close(fd);
  });
  auto announcement = ReceiveAnnouncement(
      *listener, 10000, [] { return true; }, error);
  ASSERT_TRUE(announcement) << error;
  EXPECT_EQ(announcement->port, 4243);
  ASSERT_GE(announcement->control, 0);
  close(announcement->control);
  engine.join();
  EXPECT_EQ(heard, "watch\n");
}

TEST(Listener, TakesTheBareLineOfAnEngineThatClosesWithoutAControlConnection) {
  std::string error;
  auto listener = Listener::open("127.0.0.1", 0, error);
  ASSERT_TRUE(listener) << error;
  std::thread engine([port = listener->port()] { SendTo(port, "PHP:4244:c"); });
  auto announcement = ReceiveAnnouncement(
      *listener, 10000, [] { return true; }, error);
  engine.join();
  ASSERT_TRUE(announcement) << error;
  EXPECT_EQ(announcement->port, 4244);
  EXPECT_EQ(announcement->control, -1);
}

TEST(Listener, GivesUpAfterItsTimeOrWhenToldTo) {
  std::string error;
  auto listener = Listener::open("127.0.0.1", 0, error);
  ASSERT_TRUE(listener);
  EXPECT_FALSE(ReceiveAnnouncement(
      *listener, 100, [] { return true; }, error));
  EXPECT_NE(error.find("within 100 ms"), std::string::npos);
  EXPECT_FALSE(ReceiveAnnouncement(
      *listener, 0, [] { return false; }, error));
}

TEST(Listener, ReportsAPortInUse) {
  std::string error;
  auto first = Listener::open("127.0.0.1", 0, error);
  ASSERT_TRUE(first);
  EXPECT_FALSE(Listener::open("127.0.0.1", first->port(), error));
  EXPECT_NE(error.find("cannot listen"), std::string::npos);
}

TEST(Utf8, HoldsBackAnIncompleteSequence) {
  std::string tail;
  EXPECT_EQ(WholeUtf8Prefix("ab\xc3", tail), "ab");
  EXPECT_EQ(tail, "\xc3");
  EXPECT_EQ(WholeUtf8Prefix("\xe2\x82", tail), "");
  EXPECT_EQ(tail, "\xe2\x82");
  EXPECT_EQ(WholeUtf8Prefix("\xe2\x82\xac", tail), "\xe2\x82\xac");
  EXPECT_EQ(tail, "");
}

TEST(OutputChannel, DeliversInOrderAndRemembersRecentText) {
  std::string seen;
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  {
    OutputChannel channel([&](const std::string& category, const std::string& text) {
      seen += category + ":" + text + ";";
    });
    channel.addStream(fds[0], "stdout");
    ASSERT_EQ(write(fds[1], "one\xc3", 4), 4);
    ASSERT_EQ(write(fds[1], "\xa9two", 4), 4);
    close(fds[1]);
    channel.finish(5000);
    EXPECT_EQ(channel.takeRecent("stdout"), "one\xc3\xa9two");
    EXPECT_EQ(channel.takeRecent("stdout"), "");
  }
  EXPECT_EQ(seen.find("\xc3;"), std::string::npos);  // never split inside a character
  EXPECT_NE(seen.find("stdout:"), std::string::npos);
}

}  // namespace
