// The remote requester: the XML-RPC method table, the cookie check, the
// serving loop of a stop, and the entry points the engine calls.
#include "remote_requester.h"

#include <syslog.h>
#include <xmlrpc-c/base.h>

#include <exception>
#include <new>
#include <utility>

#include "php.h"
#include "supplementary_chars.h"
#include "xmlrpc_encoding.h"

namespace {

constexpr int kAuthorizationFault = 0;
// Without a cookie anyone who reaches the port may read files and run code,
// so only this machine may.
constexpr unsigned char kLoopback[4] = {127, 0, 0, 1};
constexpr int kResumeTypeFault = 1;

RemoteRequester& requesterOf(void* userData) { return *static_cast<RemoteRequester*>(userData); }

// The first step of every method: exactly one parameter, a struct whose member
// "cookie" is the requester's cookie. Any other shape answers fault 0.
bool checkCookie(xmlrpc_env* env, xmlrpc_value* params, void* userData) {
  xmlrpc_env parseEnv;
  xmlrpc_env_init(&parseEnv);
  const char* cookie = nullptr;
  xmlrpc_parse_value(&parseEnv, params, "({s:s,*})", "cookie", &cookie);
  const bool valid =
      !parseEnv.fault_occurred && requesterOf(userData).validCookie(textFromLibrary(cookie));
  xmlrpc_env_clean(&parseEnv);
  if (!valid) {
    xmlrpc_env_set_fault(env, kAuthorizationFault, "Incorrect authorization from client");
  }
  return valid;
}

// Puts `member` = `value` into a new struct, consuming the reference to `value`.
xmlrpc_value* structWith(xmlrpc_env* env, const char* member, xmlrpc_value* value) {
  if (env->fault_occurred) return nullptr;
  xmlrpc_value* result = xmlrpc_struct_new(env);
  if (!env->fault_occurred) xmlrpc_struct_set_value(env, result, member, value);
  xmlrpc_DECREF(value);
  if (env->fault_occurred) {
    if (result) xmlrpc_DECREF(result);
    return nullptr;
  }
  return result;
}

xmlrpc_value* stringResult(xmlrpc_env* env, const char* member, const std::string& text) {
  return xmlrpc_build_value(env, "{s:s}", member, xmlrpcText(text).c_str());
}

xmlrpc_value* redirect(xmlrpc_env* env, xmlrpc_value* params, void* userData,
                       void (Requester::*operation)(unsigned short)) {
  if (!checkCookie(env, params, userData)) return nullptr;
  xmlrpc_int32 port = 0;
  xmlrpc_parse_value(env, params, "({s:i,*})", "port", &port);
  if (env->fault_occurred) return nullptr;
  (requesterOf(userData).*operation)(static_cast<unsigned short>(port));
  return xmlrpc_build_value(env, "{}");
}

xmlrpc_value* redirectStdinMethod(xmlrpc_env* env, xmlrpc_value* params, void* userData) {
  return redirect(env, params, userData, &Requester::redirectStdin);
}

xmlrpc_value* redirectStdoutMethod(xmlrpc_env* env, xmlrpc_value* params, void* userData) {
  return redirect(env, params, userData, &Requester::redirectStdout);
}

xmlrpc_value* redirectStderrMethod(xmlrpc_env* env, xmlrpc_value* params, void* userData) {
  return redirect(env, params, userData, &Requester::redirectStderr);
}

xmlrpc_value* helloMethod(xmlrpc_env* env, xmlrpc_value* params, void* userData) {
  if (!checkCookie(env, params, userData)) return nullptr;
  return stringResult(env, "status", requesterOf(userData).hello());
}

xmlrpc_value* resumeExecutionMethod(xmlrpc_env* env, xmlrpc_value* params, void* userData) {
  if (!checkCookie(env, params, userData)) return nullptr;
  xmlrpc_int32 request = 0;
  xmlrpc_parse_value(env, params, "({s:i,*})", "request", &request);
  if (env->fault_occurred) return nullptr;
  if (request < RESUME_STOP || request > RESUME_GO) {
    xmlrpc_env_set_fault(env, kResumeTypeFault, "Bad resume type");
    return nullptr;
  }
  requesterOf(userData).resumeExecution(request);
  return xmlrpc_build_value(env, "{}");
}

xmlrpc_value* getNumFramesMethod(xmlrpc_env* env, xmlrpc_value* params, void* userData) {
  if (!checkCookie(env, params, userData)) return nullptr;
  return xmlrpc_build_value(env, "{s:i}", "numFrames",
                            static_cast<xmlrpc_int32>(requesterOf(userData).getNumFrames()));
}

xmlrpc_value* getFramesMethod(xmlrpc_env* env, xmlrpc_value* params, void* userData) {
  if (!checkCookie(env, params, userData)) return nullptr;
  const FrameVector frames = requesterOf(userData).getFrames();
  return structWith(env, "frames", build_xmlrpc_value_FromFrameVector(env, frames));
}

xmlrpc_value* getSourceCodeMethod(xmlrpc_env* env, xmlrpc_value* params, void* userData) {
  if (!checkCookie(env, params, userData)) return nullptr;
  const char* filename = nullptr;
  xmlrpc_parse_value(env, params, "({s:s,*})", "filename", &filename);
  if (env->fault_occurred) return nullptr;
  return stringResult(env, "source",
                      requesterOf(userData).getSourceCode(textFromLibrary(filename)));
}

xmlrpc_value* getDebugPropertyInfoMethod(xmlrpc_env* env, xmlrpc_value* params, void* userData) {
  if (!checkCookie(env, params, userData)) return nullptr;
  xmlrpc_int32 frameIndex = 0;
  const char* expr = nullptr;
  xmlrpc_int32 radix = 0;
  xmlrpc_parse_value(env, params, "({s:i,s:s,s:i,*})", "frame_index", &frameIndex, "expr", &expr,
                     "radix", &radix);
  if (env->fault_occurred) return nullptr;
  const PropertyInfo info = requesterOf(userData).getDebugPropertyInfo(
      static_cast<unsigned>(frameIndex), textFromLibrary(expr), static_cast<unsigned>(radix));
  return structWith(env, "propertyInfo", build_xmlrpc_value_FromPropertyInfo(env, info));
}

xmlrpc_value* setDebugPropertyMethod(xmlrpc_env* env, xmlrpc_value* params, void* userData) {
  if (!checkCookie(env, params, userData)) return nullptr;
  const char* context = nullptr;
  xmlrpc_int32 frameIndex = 0;
  const char* lhs = nullptr;
  const char* rhs = nullptr;
  xmlrpc_int32 radix = 0;
  xmlrpc_parse_value(env, params, "({s:s,s:i,s:s,s:s,s:i,*})", "context", &context, "frame_index",
                     &frameIndex, "lhs", &lhs, "rhs", &rhs, "radix", &radix);
  if (env->fault_occurred) return nullptr;
  const std::string result = requesterOf(userData).setDebugProperty(
      textFromLibrary(context), static_cast<unsigned>(frameIndex), textFromLibrary(lhs),
      textFromLibrary(rhs), static_cast<unsigned>(radix));
  return stringResult(env, "setResultString", result);
}

xmlrpc_value* getChildrenInfosMethod(xmlrpc_env* env, xmlrpc_value* params, void* userData) {
  if (!checkCookie(env, params, userData)) return nullptr;
  const char* context = nullptr;
  xmlrpc_int32 frameIndex = 0;
  const char* parentExpr = nullptr;
  xmlrpc_int32 radix = 0;
  xmlrpc_parse_value(env, params, "({s:s,s:i,s:s,s:i,*})", "context", &context, "frame_index",
                     &frameIndex, "parent_expr", &parentExpr, "radix", &radix);
  if (env->fault_occurred) return nullptr;
  const PropertyInfoVector infos = requesterOf(userData).getChildrenInfos(
      textFromLibrary(context), static_cast<unsigned>(frameIndex), textFromLibrary(parentExpr),
      static_cast<unsigned>(radix));
  return structWith(env, "propertyInfo", build_xmlrpc_value_FromPropertyInfoVector(env, infos));
}

xmlrpc_value* getContextNamesAsStringMethod(xmlrpc_env* env, xmlrpc_value* params, void* userData) {
  if (!checkCookie(env, params, userData)) return nullptr;
  xmlrpc_int32 frameIndex = 0;
  xmlrpc_parse_value(env, params, "({s:i,*})", "frame_index", &frameIndex);
  if (env->fault_occurred) return nullptr;
  return stringResult(
      env, "names",
      requesterOf(userData).getContextNamesAsString(static_cast<unsigned>(frameIndex)));
}

xmlrpc_value* getContextMethod(xmlrpc_env* env, xmlrpc_value* params, void* userData) {
  if (!checkCookie(env, params, userData)) return nullptr;
  const char* context = nullptr;
  xmlrpc_int32 frameIndex = 0;
  xmlrpc_int32 radix = 0;
  xmlrpc_parse_value(env, params, "({s:s,s:i,s:i,*})", "context", &context, "frame_index",
                     &frameIndex, "radix", &radix);
  if (env->fault_occurred) return nullptr;
  const PropertyInfoVector infos = requesterOf(userData).getContext(
      textFromLibrary(context), static_cast<short>(frameIndex), static_cast<short>(radix));
  return structWith(env, "propertyInfo", build_xmlrpc_value_FromPropertyInfoVector(env, infos));
}

xmlrpc_value* addBreakpointMethod(xmlrpc_env* env, xmlrpc_value* params, void* userData) {
  if (!checkCookie(env, params, userData)) return nullptr;
  const char* file = nullptr;
  xmlrpc_int32 lineno = 0;
  xmlrpc_bool temporary = 0;
  const char* cond = nullptr;
  xmlrpc_parse_value(env, params, "({s:s,s:i,s:b,s:s,*})", "file", &file, "lineno", &lineno,
                     "temporary", &temporary, "cond", &cond);
  if (env->fault_occurred) return nullptr;
  const long number = requesterOf(userData).addBreakpoint(
      textFromLibrary(file), static_cast<unsigned>(lineno), temporary != 0, textFromLibrary(cond));
  return xmlrpc_build_value(env, "{s:i}", "breakpointNumber", static_cast<xmlrpc_int32>(number));
}

xmlrpc_value* setBreakpointAttributeMethod(xmlrpc_env* env, xmlrpc_value* params, void* userData) {
  if (!checkCookie(env, params, userData)) return nullptr;
  return xmlrpc_build_value(env, "{s:b}", "supported", static_cast<xmlrpc_bool>(0));
}

xmlrpc_value* removeBreakpointMethod(xmlrpc_env* env, xmlrpc_value* params, void* userData) {
  if (!checkCookie(env, params, userData)) return nullptr;
  xmlrpc_int32 number = 0;
  xmlrpc_parse_value(env, params, "({s:i,*})", "breakpointNumber", &number);
  if (env->fault_occurred) return nullptr;
  requesterOf(userData).removeBreakpoint(number);
  return xmlrpc_build_value(env, "{}");
}

// Nothing may unwind through the XML-RPC library's C frames: a failure of
// ours becomes the call's fault.
template <xmlrpc_method handler>
xmlrpc_value* guarded(xmlrpc_env* env, xmlrpc_value* params, void* userData) {
  try {
    return handler(env, params, userData);
  } catch (const std::exception& error) {
    if (!env->fault_occurred) xmlrpc_env_set_fault(env, XMLRPC_INTERNAL_ERROR, error.what());
    return nullptr;
  }
}

struct Method {
  const char* name;
  xmlrpc_method handler;
};

// In the order of registration.
constexpr Method kMethods[] = {
    {"Requester.redirectStdin", guarded<redirectStdinMethod>},
    {"Requester.redirectStdout", guarded<redirectStdoutMethod>},
    {"Requester.redirectStderr", guarded<redirectStderrMethod>},
    {"Requester.hello", guarded<helloMethod>},
    {"Requester.resumeExecution", guarded<resumeExecutionMethod>},
    {"Requester.getNumFrames", guarded<getNumFramesMethod>},
    {"Requester.getFrames", guarded<getFramesMethod>},
    {"Requester.getSourceCode", guarded<getSourceCodeMethod>},
    {"Requester.getDebugPropertyInfo", guarded<getDebugPropertyInfoMethod>},
    {"Requester.setDebugProperty", guarded<setDebugPropertyMethod>},
    {"Requester.getChildrenInfos", guarded<getChildrenInfosMethod>},
    {"Requester.getContextNamesAsString", guarded<getContextNamesAsStringMethod>},
    {"Requester.getContext", guarded<getContextMethod>},
    {"Requester.addBreakpoint", guarded<addBreakpointMethod>},
    {"Requester.setBreakpointAttribute", guarded<setBreakpointAttributeMethod>},
    {"Requester.removeBreakpoint", guarded<removeBreakpointMethod>},
};

}  // namespace

RemoteRequester::RemoteRequester(std::string cookieText, int requestedPort)
    : server(xmlrpc_server_abyss_ts_init(0, cookieText.empty() ? kLoopback : nullptr, requestedPort,
                                         nullptr)) {
  if (!server) return;
  port = xmlrpc_server_abyss_ts_get_port(server.get());
  cookie = std::move(cookieText);
  for (const Method& method : kMethods) {
    xmlrpc_server_abyss_ts_add_method(server.get(), method.name, method.handler, this);
  }
}

RemoteRequester::~RemoteRequester() = default;

void RemoteRequester::interactionPoint() {
  Requester::interactionPoint();
  resumed = false;
  if (!server) return;
  while (!resumed) xmlrpc_server_abyss_ts_runonce(server.get());
}

void RemoteRequester::resumeExecution(int mode) {
  Requester::resumeExecution(mode);
  resumed = true;
}

bool RemoteRequester::validCookie(const std::string& s) const { return s == cookie; }

extern "C" {

Requester* remote_init(const char* cookie, int port) {
  RemoteRequester* requester = nullptr;
  try {
    requester = new RemoteRequester(cookie ? cookie : "", port);
  } catch (const std::bad_alloc&) {
    requester = nullptr;
  }
  if (requester && requester->hasServer()) {
    if (!cookie || !*cookie) {
      php_log_err_with_severity(
          "LUDBG: No cookie is configured; the remote debugger listens on 127.0.0.1 only.",
          LOG_WARNING);
    }
    return requester;
  }
  delete requester;
  // The request goes on without a front end; say why.
  zend_error(E_WARNING, "LUDBG: Unable to serve the remote debugger on port %d.", port);
  return nullptr;
}

unsigned short remote_getport(Requester* requester) {
  if (!requester) return 0;
  return static_cast<unsigned short>(static_cast<RemoteRequester*>(requester)->getPort());
}

void remote_interact(Requester* requester) {
  if (requester) requester->interactionPoint();
}

void remote_end(Requester* requester) { delete requester; }

}  // extern "C"
