// TCP connections to the IDE, the announcement line and cookie generation.
#ifndef LUCENTDEBUG_HANDSHAKE_H
#define LUCENTDEBUG_HANDSHAKE_H

#include <cstddef>

extern "C" {
// Opens a TCP connection to host:port (wildcard address when host is empty or
// null). Returns the socket, -1 when it cannot be made, -3 when host does not
// resolve; the socket is closed on every failure.
int luConnectSocket(const char* host, unsigned short port);
// Fills size - 1 bytes with random characters of the cookie alphabet and a NUL.
char* gencookie(char* buffer, size_t size);
}

// Sends "PHP:<ownPort>:<cookie>" in one send call to host:remotePort, without
// line end, and closes the connection. True when every byte was sent.
bool SendDebuggerSignal(const char* host, unsigned short remotePort, long ownPort,
                        const char* cookie);

#endif  // LUCENTDEBUG_HANDSHAKE_H
