// Which request is being debugged, read from the host's request data.
#include <unistd.h>

#include "php_lucentdebug.h"
#include "requester.h"

extern "C" {
#include "main/php_globals.h"
#include "main/php_variables.h"
}

namespace {

// A string member of $_SERVER (created on first use when the host makes it
// lazily), or empty.
std::string ServerVariable(const char* name) {
  zend_is_auto_global_str(const_cast<char*>("_SERVER"), sizeof "_SERVER" - 1);
  zval* server = &PG(http_globals)[TRACK_VARS_SERVER];
  if (Z_TYPE_P(server) != IS_ARRAY) return "";
  zval* value = zend_hash_str_find(Z_ARRVAL_P(server), name, strlen(name));
  if (value == nullptr || Z_TYPE_P(value) != IS_STRING) return "";
  return std::string(Z_STRVAL_P(value), Z_STRLEN_P(value));
}

std::string AbsolutePath(const std::string& path) {
  if (path.empty()) return path;
  char* expanded = expand_filepath(path.c_str(), nullptr);
  if (expanded == nullptr) return path;
  std::string absolute(expanded);
  efree(expanded);
  return absolute;
}

}  // namespace

RequestInfo Requester::getRequestInfo() {
  RequestInfo info;
  info.sapi = sapi_module.name != nullptr ? sapi_module.name : "";
  const char* method = SG(request_info).request_method;
  info.method = method != nullptr ? method : "";
  const char* translated = SG(request_info).path_translated;
  info.script =
      AbsolutePath(translated != nullptr ? translated : ServerVariable("SCRIPT_FILENAME"));
  info.uri = ServerVariable("REQUEST_URI");
  if (info.uri.empty()) info.uri = info.script;
  info.pid = static_cast<int32_t>(getpid());
  return info;
}
