// TCP connections to the IDE, the announcement line and cookie generation.
#ifndef LUCENTDEBUG_HANDSHAKE_H
#define LUCENTDEBUG_HANDSHAKE_H

#include <cstddef>

extern "C" {
// Opens a TCP connection to host:port (wildcard address when host is empty or
// null). Returns the socket, -1 when it cannot be made, -3 when host does not
// resolve; the socket is closed on every failure.
int luConnectSocket(const char* host, unsigned short port);
// The same within `timeoutMs` milliseconds (an IDE that does not listen must
// not hold a request up): a close-on-exec, blocking socket, -1 or -3.
int luConnectSocketWithin(const char* host, unsigned short port, int timeoutMs);
// Fills size - 1 bytes with random characters of the cookie alphabet and a NUL.
char* gencookie(char* buffer, size_t size);
}

// Sends the line "PHP:<ownPort>:<cookie>\n" on a connection to the IDE, which
// stays open as the session's control connection. True when all was sent.
bool SendAnnouncement(int fd, long ownPort, const char* cookie);

// The local IPv4 address (4 bytes, network order) through which host:port is
// reached (the loopback address for a local host); false when host does not
// resolve or no route leads there.
bool LocalAddressFor(const char* host, unsigned short port, unsigned char address[4]);

#endif  // LUCENTDEBUG_HANDSHAKE_H
