#include "handshake.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <string>

namespace {

// A listener on a free local port.
class Listener {
 public:
  Listener() {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(fd_, 1);
    socklen_t length = sizeof address;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
  }
  ~Listener() { close(fd_); }
  unsigned short port() const { return port_; }
  std::string ReceiveAll() {
    int client = accept(fd_, nullptr, nullptr);
    std::string text;
    char buffer[256];
    ssize_t n;
    while ((n = recv(client, buffer, sizeof buffer, 0)) > 0) text.append(buffer, n);
    close(client);
    return text;
  }

 private:
  int fd_ = -1;
  unsigned short port_ = 0;
};

unsigned short ClosedPort() {
  Listener probe;
  return probe.port();  // closed again when probe goes
}

TEST(Cookie, HasRequestedLengthFromAlphabet) {
  char cookie[20];
  gencookie(cookie, sizeof cookie);
  EXPECT_EQ(strlen(cookie), 19u);
  const char alphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890";
  EXPECT_EQ(strspn(cookie, alphabet), 19u);
}

TEST(Cookie, TwoCookiesOfOneSecondDiffer) {
  char first[20];
  char second[20];
  gencookie(first, sizeof first);
  gencookie(second, sizeof second);
  EXPECT_STRNE(first, second);
}

TEST(ConnectSocket, ConnectsToListener) {
  Listener listener;
  int fd = luConnectSocket("127.0.0.1", listener.port());
  ASSERT_GE(fd, 0);
  close(fd);
}

TEST(ConnectSocket, RefusedConnectionGivesMinusOne) {
  EXPECT_EQ(luConnectSocket("127.0.0.1", ClosedPort()), -1);
}

TEST(ConnectSocket, UnknownHostGivesMinusThree) {
  EXPECT_EQ(luConnectSocket("no-such-host.invalid", 9), -3);
}

TEST(ConnectSocket, WithinATimeoutConnectsOrFails) {
  Listener listener;
  int fd = luConnectSocketWithin("127.0.0.1", listener.port(), 200);
  ASSERT_GE(fd, 0);
  close(fd);
  EXPECT_EQ(luConnectSocketWithin("127.0.0.1", ClosedPort(), 200), -1);
  EXPECT_EQ(luConnectSocketWithin("no-such-host.invalid", 9, 200), -3);
}

TEST(Signal, SendsTheBareLineUnlessTheConnectionStaysOpen) {
  for (const bool keepOpen : {false, true}) {
    Listener listener;
    int fd = luConnectSocketWithin("127.0.0.1", listener.port(), 200);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(SendAnnouncement(fd, 9001, "abc", keepOpen));
    close(fd);
    EXPECT_EQ(listener.ReceiveAll(), keepOpen ? "PHP:9001:abc\n" : "PHP:9001:abc");
  }
}

TEST(Signal, AnIdeAsksToWatchOnlyWithTheWholeWatchLine) {
  for (const std::string written : {"", "wat", "watch\n", "watcher\n"}) {
    int ends[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
    ASSERT_EQ(write(ends[1], written.data(), written.size()), static_cast<ssize_t>(written.size()));
    EXPECT_EQ(IdeAsksToWatch(ends[0], 50), written == "watch\n") << written;
    // The line stays for the control connection's reader.
    char first = 0;
    if (!written.empty()) {
      EXPECT_EQ(recv(ends[0], &first, 1, MSG_DONTWAIT), 1);
    }
    close(ends[0]);
    close(ends[1]);
  }
}

TEST(Signal, LocalAddressOfALocalIdeIsLoopback) {
  unsigned char local[4] = {};
  ASSERT_TRUE(LocalAddressFor("127.0.0.1", 9000, local));
  EXPECT_EQ(local[0], 127);
  EXPECT_FALSE(LocalAddressFor("no-such-host.invalid", 9000, local));
}

TEST(Signal, FailsOnAClosedConnection) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  EXPECT_FALSE(SendAnnouncement(fd, 9001, "abc", false));
  close(fd);
}

}  // namespace
