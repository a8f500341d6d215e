// Blocking loopback HTTP client with bounded waits, for the server tests.
#include "test_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

std::string HttpExchange(unsigned short port, const std::string& request) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return "";
  const timeval wait{20, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string response;
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
          static_cast<ssize_t>(request.size())) {
    shutdown(fd, SHUT_WR);
    char buffer[4096];
    ssize_t got;
    while ((got = recv(fd, buffer, sizeof buffer, 0)) > 0) response.append(buffer, got);
  }
  close(fd);
  return response;
}

std::string HttpPost(const std::string& body, const std::string& path,
                     const std::string& contentType) {
  return "POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: " + contentType +
         "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

int HttpStatus(const std::string& response) {
  int status = 0;
  return std::sscanf(response.c_str(), "HTTP/1.%*d %d", &status) == 1 ? status : 0;
}

std::string CallXml(const char* method, xmlrpc_value* param) {
  xmlrpc_env env;
  xmlrpc_env_init(&env);
  xmlrpc_value* params = xmlrpc_array_new(&env);
  xmlrpc_array_append_item(&env, params, param);
  xmlrpc_mem_block* xml = XMLRPC_MEMBLOCK_NEW(char, &env, 0);
  xmlrpc_serialize_call(&env, xml, method, params);
  std::string text(XMLRPC_MEMBLOCK_CONTENTS(char, xml), XMLRPC_MEMBLOCK_SIZE(char, xml));
  XMLRPC_MEMBLOCK_FREE(char, xml);
  xmlrpc_DECREF(params);
  xmlrpc_env_clean(&env);
  return text;
}

Reply Call(unsigned short port, const char* method, xmlrpc_value* param) {
  const std::string response = HttpExchange(port, HttpPost(CallXml(method, param)));
  Reply reply;
  const size_t body = response.find("\r\n\r\n");
  if (body == std::string::npos) return reply;
  xmlrpc_env env;
  xmlrpc_env_init(&env);
  xmlrpc_value* result = nullptr;
  int faultCode = 0;
  const char* faultString = nullptr;
  xmlrpc_parse_response2(&env, response.data() + body + 4, response.size() - body - 4, &result,
                         &faultCode, &faultString);
  if (!env.fault_occurred) {
    if (faultString) {
      reply.fault = true;
      reply.faultCode = faultCode;
      reply.faultString = faultString;
      std::free(const_cast<char*>(faultString));
    } else {
      reply.result.reset(result);
    }
  }
  xmlrpc_env_clean(&env);
  return reply;
}

ValuePtr Build(const char* format, ...) {
  xmlrpc_env env;
  xmlrpc_env_init(&env);
  va_list arguments;
  va_start(arguments, format);
  const char* tail = nullptr;
  xmlrpc_value* value = nullptr;
  xmlrpc_build_value_va(&env, format, arguments, &value, &tail);
  va_end(arguments);
  if (env.fault_occurred) {
    std::fprintf(stderr, "cannot build %s: %s\n", format, env.fault_string);
    std::abort();
  }
  xmlrpc_env_clean(&env);
  return ValuePtr(value);
}
