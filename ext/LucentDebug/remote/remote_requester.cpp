// The remote requester: the XML-RPC method table, the cookie check, the
// serving loop of a stop, and the entry points the engine calls.
#include "remote_requester.h"

#include <syslog.h>
#include <xmlrpc-c/base.h>

#include <cstdlib>
#include <exception>
#include <new>
#include <utility>

#include "php.h"
#include "session_control.h"
#include "supplementary_chars.h"
#include "xmlrpc_encoding.h"

namespace {

constexpr int kAuthorizationFault = 0;
// Without a cookie anyone who reaches the port may read files and run code,
// so only this machine may.
constexpr unsigned char kLoopback[4] = {127, 0, 0, 1};
constexpr int kResumeTypeFault = 1;
constexpr int kAssignmentFault = 2;
constexpr int kArgumentFault = 3;

RemoteRequester& RequesterOf(void* userData) { return *static_cast<RemoteRequester*>(userData); }

// The first step of every method: exactly one parameter, a struct whose member
// "cookie" is the requester's cookie. Any other shape answers fault 0.
bool checkCookie(xmlrpc_env* env, xmlrpc_value* params, void* userData) {
  xmlrpc_env parseEnv;
  xmlrpc_env_init(&parseEnv);
  const char* cookie = nullptr;
  xmlrpc_parse_value(&parseEnv, params, "({s:s,*})", "cookie", &cookie);
  const bool valid =
      !parseEnv.fault_occurred && RequesterOf(userData).validCookie(TextFromLibrary(cookie));
  xmlrpc_env_clean(&parseEnv);
  if (!valid) {
    xmlrpc_env_set_fault(env, kAuthorizationFault, "Incorrect authorization from client");
  }
  return valid;
}

// Puts `member` = `value` into a new struct, consuming the reference to `value`.
xmlrpc_value* StructWith(xmlrpc_env* env, const char* member, xmlrpc_value* value) {
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

// The member `name` of the call's struct, or null when the call leaves it out
// (a reference the caller releases).
xmlrpc_value* OptionalMember(xmlrpc_env* env, xmlrpc_value* params, const char* name) {
  // After an earlier member's fault the library still hands out references,
  // which the early return below would leak.
  if (env->fault_occurred) return nullptr;
  xmlrpc_value* members = nullptr;
  xmlrpc_array_read_item(env, params, 0, &members);
  if (env->fault_occurred) return nullptr;
  xmlrpc_value* member = nullptr;
  xmlrpc_struct_find_value(env, members, name, &member);
  xmlrpc_DECREF(members);
  return member;
}

// An optional int member that must not be negative; `fallback` when absent.
uint32_t OptionalCount(xmlrpc_env* env, xmlrpc_value* params, const char* name, uint32_t fallback) {
  xmlrpc_value* member = OptionalMember(env, params, name);
  if (member == nullptr) return fallback;
  xmlrpc_int32 number = 0;
  xmlrpc_read_int(env, member, &number);
  xmlrpc_DECREF(member);
  if (!env->fault_occurred && number < 0) {
    xmlrpc_env_set_fault_formatted(env, kArgumentFault, "%s must not be negative", name);
  }
  return env->fault_occurred ? 0 : static_cast<uint32_t>(number);
}

bool OptionalFlag(xmlrpc_env* env, xmlrpc_value* params, const char* name) {
  xmlrpc_value* member = OptionalMember(env, params, name);
  if (member == nullptr) return false;
  xmlrpc_bool flag = 0;
  xmlrpc_read_bool(env, member, &flag);
  xmlrpc_DECREF(member);
  return !env->fault_occurred && flag != 0;
}

std::string OptionalString(xmlrpc_env* env, xmlrpc_value* params, const char* name) {
  xmlrpc_value* member = OptionalMember(env, params, name);
  if (member == nullptr) return "";
  const char* text = nullptr;
  xmlrpc_read_string(env, member, &text);
  xmlrpc_DECREF(member);
  if (env->fault_occurred) return "";
  std::string result = TextFromLibrary(text);
  free(const_cast<char*>(text));
  return result;
}

xmlrpc_value* StringResult(xmlrpc_env* env, const char* member, const std::string& text) {
  return xmlrpc_build_value(env, "{s:s}", member, XmlrpcText(text).c_str());
}

xmlrpc_value* Redirect(xmlrpc_env* env, xmlrpc_value* params, void* userData,
                       void (Requester::*operation)(unsigned short)) {
  if (!checkCookie(env, params, userData)) return nullptr;
  xmlrpc_int32 port = 0;
  xmlrpc_parse_value(env, params, "({s:i,*})", "port", &port);
  if (env->fault_occurred) return nullptr;
  (RequesterOf(userData).*operation)(static_cast<unsigned short>(port));
  return xmlrpc_build_value(env, "{}");
}

xmlrpc_value* RedirectStdinMethod(xmlrpc_env* env, xmlrpc_value* params, void* userData) {
  return Redirect(env, params, userData, &Requester::redirectStdin);
}

xmlrpc_value* RedirectStdoutMethod(xmlrpc_env* env, xmlrpc_value* params, void* userData) {
  return Redirect(env, params, userData, &Requester::redirectStdout);
}

xmlrpc_value* RedirectStderrMethod(xmlrpc_env* env, xmlrpc_value* params, void* userData) {
  return Redirect(env, params, userData, &Requester::redirectStderr);
}

xmlrpc_value* HelloMethod(xmlrpc_env* env, xmlrpc_value* params, void* userData) {
  if (!checkCookie(env, params, userData)) return nullptr;
  return StringResult(env, "status", RequesterOf(userData).hello());
}

xmlrpc_value* ResumeExecutionMethod(xmlrpc_env* env, xmlrpc_value* params, void* userData) {
  if (!checkCookie(env, params, userData)) return nullptr;
  xmlrpc_int32 request = 0;
  xmlrpc_parse_value(env, params, "({s:i,*})", "request", &request);
  if (env->fault_occurred) return nullptr;
  if (request < RESUME_STOP || request > RESUME_GO) {
    xmlrpc_env_set_fault(env, kResumeTypeFault, "Bad resume type");
    return nullptr;
  }
  RequesterOf(userData).resumeExecution(request);
  return xmlrpc_build_value(env, "{}");
}

xmlrpc_value* GetNumFramesMethod(xmlrpc_env* env, xmlrpc_value* params, void* userData) {
  if (!checkCookie(env, params, userData)) return nullptr;
  return xmlrpc_build_value(env, "{s:i}", "numFrames",
                            static_cast<xmlrpc_int32>(RequesterOf(userData).getNumFrames()));
}

xmlrpc_value* GetFramesMethod(xmlrpc_env* env, xmlrpc_value* params, void* userData) {
  if (!checkCookie(env, params, userData)) return nullptr;
  const FrameVector frames = RequesterOf(userData).getFrames();
  return StructWith(env, "frames", build_xmlrpc_value_FromFrameVector(env, frames));
}

xmlrpc_value* GetSourceCodeMethod(xmlrpc_env* env, xmlrpc_value* params, void* userData) {
  if (!checkCookie(env, params, userData)) return nullptr;
  const char* filename = nullptr;
  xmlrpc_parse_value(env, params, "({s:s,*})", "filename", &filename);
  if (env->fault_occurred) return nullptr;
  return StringResult(env, "source",
                      RequesterOf(userData).getSourceCode(TextFromLibrary(filename)));
}

xmlrpc_value* GetDebugPropertyInfoMethod(xmlrpc_env* env, xmlrpc_value* params, void* userData) {
  if (!checkCookie(env, params, userData)) return nullptr;
  xmlrpc_int32 frameIndex = 0;
  const char* expr = nullptr;
  xmlrpc_int32 radix = 0;
  xmlrpc_parse_value(env, params, "({s:i,s:s,s:i,*})", "frame_index", &frameIndex, "expr", &expr,
                     "radix", &radix);
  if (env->fault_occurred) return nullptr;
  const PropertyInfo info = RequesterOf(userData).getDebugPropertyInfo(
      static_cast<unsigned>(frameIndex), TextFromLibrary(expr), static_cast<unsigned>(radix));
  return StructWith(env, "propertyInfo", build_xmlrpc_value_FromPropertyInfo(env, info));
}

xmlrpc_value* SetDebugPropertyMethod(xmlrpc_env* env, xmlrpc_value* params, void* userData) {
  if (!checkCookie(env, params, userData)) return nullptr;
  const char* context = nullptr;
  xmlrpc_int32 frameIndex = 0;
  const char* lhs = nullptr;
  const char* rhs = nullptr;
  xmlrpc_int32 radix = 0;
  xmlrpc_parse_value(env, params, "({s:s,s:i,s:s,s:s,s:i,*})", "context", &context, "frame_index",
                     &frameIndex, "lhs", &lhs, "rhs", &rhs, "radix", &radix);
  if (env->fault_occurred) return nullptr;
  std::string error;
  if (!RequesterOf(userData).assignDebugProperty(
          TextFromLibrary(context), static_cast<unsigned>(frameIndex), TextFromLibrary(lhs),
          TextFromLibrary(rhs), static_cast<unsigned>(radix), &error)) {
    xmlrpc_env_set_fault(env, kAssignmentFault, XmlrpcText(error).c_str());
    return nullptr;
  }
  return StringResult(env, "setResultString", "");
}

xmlrpc_value* GetChildrenInfosMethod(xmlrpc_env* env, xmlrpc_value* params, void* userData) {
  if (!checkCookie(env, params, userData)) return nullptr;
  const char* context = nullptr;
  xmlrpc_int32 frameIndex = 0;
  const char* parentExpr = nullptr;
  xmlrpc_int32 radix = 0;
  xmlrpc_parse_value(env, params, "({s:s,s:i,s:s,s:i,*})", "context", &context, "frame_index",
                     &frameIndex, "parent_expr", &parentExpr, "radix", &radix);
  if (env->fault_occurred) return nullptr;
  ChildRange range;
  range.start = OptionalCount(env, params, "start", 0);
  range.count = OptionalCount(env, params, "count", 0);
  range.statics = OptionalFlag(env, params, "statics");
  if (env->fault_occurred) return nullptr;
  const PropertyInfoVector infos = RequesterOf(userData).getChildrenInfos(
      TextFromLibrary(context), static_cast<unsigned>(frameIndex), TextFromLibrary(parentExpr),
      static_cast<unsigned>(radix), range);
  return StructWith(env, "propertyInfo", build_xmlrpc_value_FromPropertyInfoVector(env, infos));
}

xmlrpc_value* GetContextNamesAsStringMethod(xmlrpc_env* env, xmlrpc_value* params, void* userData) {
  if (!checkCookie(env, params, userData)) return nullptr;
  xmlrpc_int32 frameIndex = 0;
  xmlrpc_parse_value(env, params, "({s:i,*})", "frame_index", &frameIndex);
  if (env->fault_occurred) return nullptr;
  return StringResult(
      env, "names",
      RequesterOf(userData).getContextNamesAsString(static_cast<unsigned>(frameIndex)));
}

xmlrpc_value* GetContextMethod(xmlrpc_env* env, xmlrpc_value* params, void* userData) {
  if (!checkCookie(env, params, userData)) return nullptr;
  const char* context = nullptr;
  xmlrpc_int32 frameIndex = 0;
  xmlrpc_int32 radix = 0;
  xmlrpc_parse_value(env, params, "({s:s,s:i,s:i,*})", "context", &context, "frame_index",
                     &frameIndex, "radix", &radix);
  if (env->fault_occurred) return nullptr;
  const PropertyInfoVector infos = RequesterOf(userData).getContext(
      TextFromLibrary(context), static_cast<short>(frameIndex), static_cast<short>(radix));
  return StructWith(env, "propertyInfo", build_xmlrpc_value_FromPropertyInfoVector(env, infos));
}

xmlrpc_value* AddBreakpointMethod(xmlrpc_env* env, xmlrpc_value* params, void* userData) {
  if (!checkCookie(env, params, userData)) return nullptr;
  const char* file = nullptr;
  xmlrpc_int32 lineno = 0;
  xmlrpc_bool temporary = 0;
  const char* cond = nullptr;
  xmlrpc_parse_value(env, params, "({s:s,s:i,s:b,s:s,*})", "file", &file, "lineno", &lineno,
                     "temporary", &temporary, "cond", &cond);
  if (env->fault_occurred) return nullptr;
  const long number = RequesterOf(userData).addBreakpoint(
      TextFromLibrary(file), static_cast<unsigned>(lineno), temporary != 0, TextFromLibrary(cond));
  return xmlrpc_build_value(env, "{s:i}", "breakpointNumber", static_cast<xmlrpc_int32>(number));
}

xmlrpc_value* SetBreakpointAttributeMethod(xmlrpc_env* env, xmlrpc_value* params, void* userData) {
  if (!checkCookie(env, params, userData)) return nullptr;
  return xmlrpc_build_value(env, "{s:b}", "supported", static_cast<xmlrpc_bool>(0));
}

xmlrpc_value* RemoveBreakpointMethod(xmlrpc_env* env, xmlrpc_value* params, void* userData) {
  if (!checkCookie(env, params, userData)) return nullptr;
  xmlrpc_int32 number = 0;
  xmlrpc_parse_value(env, params, "({s:i,*})", "breakpointNumber", &number);
  if (env->fault_occurred) return nullptr;
  RequesterOf(userData).removeBreakpoint(number);
  return xmlrpc_build_value(env, "{}");
}

xmlrpc_value* GetRequestInfoMethod(xmlrpc_env* env, xmlrpc_value* params, void* userData) {
  if (!checkCookie(env, params, userData)) return nullptr;
  const RequestInfo info = RequesterOf(userData).getRequestInfo();
  return xmlrpc_build_value(env, "{s:s,s:s,s:s,s:s,s:i}", "sapi", XmlrpcText(info.sapi).c_str(),
                            "method", XmlrpcText(info.method).c_str(), "uri",
                            XmlrpcText(info.uri).c_str(), "script", XmlrpcText(info.script).c_str(),
                            "pid", info.pid);
}

xmlrpc_value* GetStopInfoMethod(xmlrpc_env* env, xmlrpc_value* params, void* userData) {
  if (!checkCookie(env, params, userData)) return nullptr;
  return build_xmlrpc_value_FromStopInfo(env, RequesterOf(userData).getStopInfo());
}

xmlrpc_value* SetExceptionBreakpointsMethod(xmlrpc_env* env, xmlrpc_value* params, void* userData) {
  if (!checkCookie(env, params, userData)) return nullptr;
  ExceptionFilter filter;
  filter.all = OptionalFlag(env, params, "all");
  filter.uncaught = OptionalFlag(env, params, "uncaught");
  xmlrpc_value* classes = env->fault_occurred ? nullptr : OptionalMember(env, params, "classes");
  if (classes != nullptr) {
    int size = xmlrpc_array_size(env, classes);
    for (int i = 0; i < size && !env->fault_occurred; ++i) {
      xmlrpc_value* item = nullptr;
      xmlrpc_array_read_item(env, classes, i, &item);
      const char* name = nullptr;
      if (!env->fault_occurred) xmlrpc_read_string(env, item, &name);
      if (!env->fault_occurred) {
        filter.classes.push_back(TextFromLibrary(name));
        free(const_cast<char*>(name));
      }
      if (item != nullptr) xmlrpc_DECREF(item);
    }
    xmlrpc_DECREF(classes);
  }
  if (env->fault_occurred) return nullptr;
  RequesterOf(userData).setExceptionBreakpoints(filter);
  return xmlrpc_build_value(env, "{}");
}

xmlrpc_value* AddFunctionBreakpointMethod(xmlrpc_env* env, xmlrpc_value* params, void* userData) {
  if (!checkCookie(env, params, userData)) return nullptr;
  const char* name = nullptr;
  xmlrpc_parse_value(env, params, "({s:s,*})", "name", &name);
  if (env->fault_occurred) return nullptr;
  const std::string condition = OptionalString(env, params, "cond");
  if (env->fault_occurred) return nullptr;
  const long number = RequesterOf(userData).addFunctionBreakpoint(TextFromLibrary(name), condition);
  return xmlrpc_build_value(env, "{s:i}", "breakpointNumber", static_cast<xmlrpc_int32>(number));
}

constexpr int kNoBreakpointFault = 2;

xmlrpc_value* GetBreakpointInfoMethod(xmlrpc_env* env, xmlrpc_value* params, void* userData) {
  if (!checkCookie(env, params, userData)) return nullptr;
  xmlrpc_int32 number = 0;
  xmlrpc_parse_value(env, params, "({s:i,*})", "breakpointNumber", &number);
  if (env->fault_occurred) return nullptr;
  BreakpointResolution info;
  if (!RequesterOf(userData).getBreakpointInfo(number, &info)) {
    xmlrpc_env_set_fault(env, kNoBreakpointFault, "No such breakpoint");
    return nullptr;
  }
  return xmlrpc_build_value(env, "{s:i,s:s,s:i,s:i,s:b}", "id", static_cast<xmlrpc_int32>(info.id),
                            "file", XmlrpcText(info.file).c_str(), "line",
                            static_cast<xmlrpc_int32>(info.line), "resolvedLine",
                            static_cast<xmlrpc_int32>(info.resolvedLine), "verified",
                            static_cast<xmlrpc_bool>(info.verified));
}

// Nothing may unwind through the XML-RPC library's C frames: a failure of
// ours becomes the call's fault.
template <xmlrpc_method handler>
xmlrpc_value* Guarded(xmlrpc_env* env, xmlrpc_value* params, void* userData) {
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
    {"Requester.redirectStdin", Guarded<RedirectStdinMethod>},
    {"Requester.redirectStdout", Guarded<RedirectStdoutMethod>},
    {"Requester.redirectStderr", Guarded<RedirectStderrMethod>},
    {"Requester.hello", Guarded<HelloMethod>},
    {"Requester.resumeExecution", Guarded<ResumeExecutionMethod>},
    {"Requester.getNumFrames", Guarded<GetNumFramesMethod>},
    {"Requester.getFrames", Guarded<GetFramesMethod>},
    {"Requester.getSourceCode", Guarded<GetSourceCodeMethod>},
    {"Requester.getDebugPropertyInfo", Guarded<GetDebugPropertyInfoMethod>},
    {"Requester.setDebugProperty", Guarded<SetDebugPropertyMethod>},
    {"Requester.getChildrenInfos", Guarded<GetChildrenInfosMethod>},
    {"Requester.getContextNamesAsString", Guarded<GetContextNamesAsStringMethod>},
    {"Requester.getContext", Guarded<GetContextMethod>},
    {"Requester.addBreakpoint", Guarded<AddBreakpointMethod>},
    {"Requester.setBreakpointAttribute", Guarded<SetBreakpointAttributeMethod>},
    {"Requester.removeBreakpoint", Guarded<RemoveBreakpointMethod>},
    // Added since; old clients call none of them.
    {"Requester.getStopInfo", Guarded<GetStopInfoMethod>},
    {"Requester.setExceptionBreakpoints", Guarded<SetExceptionBreakpointsMethod>},
    {"Requester.addFunctionBreakpoint", Guarded<AddFunctionBreakpointMethod>},
    {"Requester.getRequestInfo", Guarded<GetRequestInfoMethod>},
    {"Requester.getBreakpointInfo", Guarded<GetBreakpointInfoMethod>},
};

}  // namespace

RemoteRequester::RemoteRequester(std::string cookieText, int requestedPort,
                                 const unsigned char* bindAddress)
    : server(xmlrpc_server_abyss_ts_init(0,
                                         bindAddress != nullptr ? bindAddress
                                         : cookieText.empty()   ? kLoopback
                                                                : nullptr,
                                         requestedPort, nullptr)) {
  if (!server) return;
  port = xmlrpc_server_abyss_ts_get_port(server.get());
  cookie = std::move(cookieText);
  for (const Method& method : kMethods) {
    xmlrpc_server_abyss_ts_add_method(server.get(), method.name, method.handler, this);
  }
}

RemoteRequester::~RemoteRequester() = default;

void RemoteRequester::watch(int controlFd) {
  control.reset(new ControlConnection(controlFd, luRequestPause, luRequestDetach));
  xmlrpc_server_set_wake_fd(server.get(), control->goneFd());
}

bool RemoteRequester::ideGone() const { return control != nullptr && control->gone(); }

void RemoteRequester::interactionPoint() {
  Requester::interactionPoint();
  resumed = false;
  // Stops after the IDE has gone (ludbg_break, errors) go on at once.
  while (server && !resumed && !ideGone()) xmlrpc_server_abyss_ts_runonce(server.get());
  if (ideGone()) luDetach();
}

void RemoteRequester::resumeExecution(int mode) {
  Requester::resumeExecution(mode);
  resumed = true;
}

bool RemoteRequester::validCookie(const std::string& s) const { return s == cookie; }

extern "C" {

Requester* remote_init(const char* cookie, int port) {
  return remote_init_on(cookie, port, nullptr);
}

Requester* remote_init_on(const char* cookie, int port, const unsigned char* bindAddress) {
  RemoteRequester* requester = nullptr;
  try {
    requester = new RemoteRequester(cookie ? cookie : "", port, bindAddress);
  } catch (const std::bad_alloc&) {
    requester = nullptr;
  }
  if (requester && requester->HasServer()) {
    if ((!cookie || !*cookie) && bindAddress == nullptr) {
      php_log_err_with_severity(
          "LUDBG: No cookie is configured; the remote debugger listens on 127.0.0.1 only.",
          LOG_WARNING);
    }
    return requester;
  }
  delete requester;
  // The request goes on without a front end; the host's log says why, never
  // the script's output (an HTTP response).
  const std::string message =
      "LUDBG: Unable to serve the remote debugger on port " + std::to_string(port) + ".";
  php_log_err_with_severity(message.c_str(), LOG_WARNING);
  return nullptr;
}

unsigned short remote_getport(Requester* requester) {
  if (!requester) return 0;
  return static_cast<unsigned short>(static_cast<RemoteRequester*>(requester)->GetPort());
}

void remote_watch(Requester* requester, int controlFd) {
  if (requester) static_cast<RemoteRequester*>(requester)->watch(controlFd);
}

void remote_interact(Requester* requester) {
  if (requester) requester->interactionPoint();
}

void remote_end(Requester* requester) { delete requester; }

}  // extern "C"
