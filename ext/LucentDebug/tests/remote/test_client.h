// A minimal HTTP and XML-RPC client for driving the server from a test thread.
#ifndef LUCENTDEBUG_TESTS_REMOTE_TEST_CLIENT_H
#define LUCENTDEBUG_TESTS_REMOTE_TEST_CLIENT_H

#include <xmlrpc-c/base.h>

#include <memory>
#include <string>

struct ValueRelease {
  void operator()(xmlrpc_value* value) const { xmlrpc_DECREF(value); }
};
using ValuePtr = std::unique_ptr<xmlrpc_value, ValueRelease>;

// Sends `request` on a new connection to 127.0.0.1:`port` and returns all that
// comes back until the server closes the connection.
std::string HttpExchange(unsigned short port, const std::string& request);

// An HTTP POST of `body` with the given path and content type.
std::string HttpPost(const std::string& body, const std::string& path = "/RPC2",
                     const std::string& contentType = "text/xml");

// The HTTP status of a response, 0 when there is none.
int HttpStatus(const std::string& response);

// The XML text of a call of `method` with the one parameter `param`.
std::string CallXml(const char* method, xmlrpc_value* param);

struct Reply {
  ValuePtr result;  // null on a fault or an unreadable answer
  bool fault = false;
  int faultCode = 0;
  std::string faultString;
};

// Calls `method` with `param` as its only parameter.
Reply Call(unsigned short port, const char* method, xmlrpc_value* param);

// A struct built with xmlrpc_build_value's format; aborts the test binary on a fault.
ValuePtr Build(const char* format, ...);

#endif  // LUCENTDEBUG_TESTS_REMOTE_TEST_CLIENT_H
