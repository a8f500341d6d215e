// A small XML-RPC server owned by one requester: an xmlrpc-c method registry
// served over HTTP on its own listening socket, one call per turn.
#ifndef LUCENTDEBUG_XMLRPC_SERVER_H
#define LUCENTDEBUG_XMLRPC_SERVER_H

#include <xmlrpc-c/server.h>

#include <memory>

struct xmlrpc_server_abyss_ts;

// Creates the registry and listens on `port` (0: a free port) of `bindAddress`
// (4 bytes of an IPv4 address in network order, or null for every interface).
// `flags` and `configFile` are ignored. Returns null, having released
// everything, on any failure.
xmlrpc_server_abyss_ts* xmlrpc_server_abyss_ts_init(int flags, const unsigned char* bindAddress,
                                                    int port, const char* configFile);

// Registers one method; `userData` is handed to every call of `handler`. Only
// methods registered here are served.
void xmlrpc_server_abyss_ts_add_method(xmlrpc_server_abyss_ts* server, const char* methodName,
                                       xmlrpc_method handler, void* userData);

// Reads connections side by side until one call is answered (its handler runs
// inside this call) or one connection ends without a call (refused, timed
// out, or left). One request per connection; connections still being read
// carry over to the next turn.
void xmlrpc_server_abyss_ts_runonce(xmlrpc_server_abyss_ts* server);

// The port the listening socket is bound to, in host order; 0 when unknown.
unsigned short xmlrpc_server_abyss_ts_get_port(xmlrpc_server_abyss_ts* server);

// While `fd` (-1: none) is readable, every turn ends at once without a call;
// the caller closes it.
void xmlrpc_server_set_wake_fd(xmlrpc_server_abyss_ts* server, int fd);

// Frees the registry, closes the socket and frees the server; accepts null.
void xmlrpc_server_abyss_ts_free(xmlrpc_server_abyss_ts* server);

struct XmlRpcServerDeleter {
  void operator()(xmlrpc_server_abyss_ts* server) const { xmlrpc_server_abyss_ts_free(server); }
};
using XmlRpcServerPtr = std::unique_ptr<xmlrpc_server_abyss_ts, XmlRpcServerDeleter>;

#endif  // LUCENTDEBUG_XMLRPC_SERVER_H
