// XML-RPC calls to the engine through xmlrpc-c's client library (curl transport).
// Strings travel with characters beyond U+FFFF escaped around the library
// (supplementary_chars.h), which handles only the Basic Multilingual Plane.
#include "engine_client.h"

#include <xmlrpc-c/util.h>

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "supplementary_chars.h"
#include "xmlrpc_encoding.h"
#include "xmlrpc_readers.h"

namespace {
// A stopped script's context can be large (big arrays); the library's default
// response limit of 512 KiB is too small for it. The limit holds for the reply
// as it arrives; escaping a character beyond U+FFFF for the library grows it
// from as little as 4 bytes to 14, so the parser is allowed that much more.
constexpr size_t kResponseLimit = 256 * 1024 * 1024;
constexpr size_t kEscapedResponseLimit = kResponseLimit / 4 * 14;

struct Env {
  xmlrpc_env env;
  Env() { xmlrpc_env_init(&env); }
  ~Env() { xmlrpc_env_clean(&env); }
  Env(const Env&) = delete;
  Env& operator=(const Env&) = delete;
  bool failed() const { return env.fault_occurred != 0; }
};

struct ValueRelease {
  void operator()(xmlrpc_value* value) const {
    if (value) xmlrpc_DECREF(value);
  }
};
using Value = std::unique_ptr<xmlrpc_value, ValueRelease>;

struct MemBlockRelease {
  void operator()(xmlrpc_mem_block* block) const {
    if (block) XMLRPC_MEMBLOCK_FREE(char, block);
  }
};
using MemBlock = std::unique_ptr<xmlrpc_mem_block, MemBlockRelease>;

std::string TextOf(xmlrpc_mem_block* block) {
  return std::string(XMLRPC_MEMBLOCK_CONTENTS(char, block), XMLRPC_MEMBLOCK_SIZE(char, block));
}

void ThrowIfFailed(const Env& env, const std::string& what) {
  if (env.failed()) throw EngineError(what + ": " + env.env.fault_string, false);
}
}  // namespace

void SetUpEngineClients() {
  Env env;
  xmlrpc_client_setup_global_const(&env.env);
  xmlrpc_limit_set(XMLRPC_XML_SIZE_LIMIT_ID, kEscapedResponseLimit);
}

EngineClient::EngineClient(const std::string& host, int port, std::string cookie)
    : url_("http://" + host + ":" + std::to_string(port) + "/RPC2"), cookie_(std::move(cookie)) {
  Env env;
  struct xmlrpc_curl_xportparms curlParms = {};
  // No time-out: the call that waits for the next stop may wait as long as the
  // script runs.
  curlParms.timeout = 0;
  struct xmlrpc_clientparms clientParms = {};
  clientParms.transport = "curl";
  clientParms.transportparmsP = &curlParms;
  clientParms.transportparm_size = XMLRPC_CXPSIZE(timeout);
  xmlrpc_client_create(&env.env, XMLRPC_CLIENT_NO_FLAGS, "lucentdebug-dap", "1.0", &clientParms,
                       XMLRPC_CPSIZE(transportparm_size), &client_);
  ThrowIfFailed(env, "cannot create the XML-RPC client");
  xmlrpc_client_set_interrupt(client_, &interrupted_);
  server_ = xmlrpc_server_info_new(&env.env, url_.c_str());
  if (env.failed()) {
    xmlrpc_client_destroy(client_);
    ThrowIfFailed(env, "bad engine address " + url_);
  }
}

void EngineClient::interrupt() { interrupted_ = 1; }

EngineClient::~EngineClient() {
  xmlrpc_server_info_free(server_);
  xmlrpc_client_destroy(client_);
}

xmlrpc_value* EngineClient::call(const char* method, xmlrpc_value* members) {
  Value owned(members);
  std::string fullName = std::string("Requester.") + method;
  Env env;
  if (!members) throw EngineError(fullName + ": cannot build the call", false);
  Value cookie(xmlrpc_string_new(&env.env, XmlrpcText(cookie_).c_str()));
  ThrowIfFailed(env, fullName);
  xmlrpc_struct_set_value(&env.env, members, "cookie", cookie.get());
  ThrowIfFailed(env, fullName);
  Value params(xmlrpc_array_new(&env.env));
  ThrowIfFailed(env, fullName);
  xmlrpc_array_append_item(&env.env, params.get(), members);
  ThrowIfFailed(env, fullName);
  MemBlock callXml(XMLRPC_MEMBLOCK_NEW(char, &env.env, 0));
  ThrowIfFailed(env, fullName);
  xmlrpc_serialize_call(&env.env, callXml.get(), fullName.c_str(), params.get());
  ThrowIfFailed(env, fullName + ": cannot build the call");
  // The library's escapes leave as numeric character references, which the
  // engine reads back into the characters.
  const std::string wireCall = ResponseFromLibrary(TextOf(callXml.get()));
  MemBlock wireCallXml(XMLRPC_MEMBLOCK_NEW(char, &env.env, 0));
  ThrowIfFailed(env, fullName);
  XMLRPC_MEMBLOCK_APPEND(char, &env.env, wireCallXml.get(), wireCall.data(), wireCall.size());
  ThrowIfFailed(env, fullName);
  xmlrpc_mem_block* replyBlock = nullptr;
  xmlrpc_client_transport_call2(&env.env, client_, server_, wireCallXml.get(), &replyBlock);
  if (env.failed()) {
    // The transport has freed its reply block by now (the pointer dangles).
    // A closed port or an aborted call is a transport failure, not an answer.
    int code = env.env.fault_code;
    bool lost = code == XMLRPC_NETWORK_ERROR || code == XMLRPC_TIMEOUT_ERROR;
    throw EngineError(fullName + ": " + env.env.fault_string, lost);
  }
  MemBlock replyXml(replyBlock);
  if (XMLRPC_MEMBLOCK_SIZE(char, replyXml.get()) > kResponseLimit)
    throw EngineError(
        fullName + ": the reply exceeds " + std::to_string(kResponseLimit >> 20) + " MiB", false);
  // The engine sends characters beyond U+FFFF as references, which the
  // library's parser refuses once decoded; the readers undo the escapes.
  const std::string reply = XmlForLibrary(TextOf(replyXml.get()), true);
  replyXml.reset();
  xmlrpc_value* result = nullptr;
  int faultCode = 0;
  const char* faultString = nullptr;
  xmlrpc_parse_response2(&env.env, reply.data(), reply.size(), &result, &faultCode, &faultString);
  ThrowIfFailed(env, fullName + ": unreadable reply");
  if (faultString) {
    const std::string fault = TextFromLibrary(faultString);
    free(const_cast<char*>(faultString));
    throw EngineError(fullName + ": " + fault, false);
  }
  return result;
}

namespace {
xmlrpc_value* Members(const char* format, ...) {
  Env env;
  va_list args;
  va_start(args, format);
  const char* tail = nullptr;
  xmlrpc_value* value = nullptr;
  xmlrpc_build_value_va(&env.env, format, args, &value, &tail);
  va_end(args);
  return env.failed() ? nullptr : value;
}

std::string ReadString(xmlrpc_value* result, const char* member, const char* method) {
  Value owned(result);
  Env env;
  const char* text = nullptr;
  xmlrpc_decompose_value(&env.env, result, "{s:s,*}", member, &text);
  ThrowIfFailed(env, std::string("Requester.") + method + " answered an unexpected value");
  std::string copy = TextFromLibrary(text);
  free(const_cast<char*>(text));
  return copy;
}

PropertyInfoVector ReadProperties(xmlrpc_value* result, const char* method) {
  Value owned(result);
  Env env;
  PropertyInfoVector infos = build_PropertyInfoVector_Fromxmlrpc_value(&env.env, result);
  ThrowIfFailed(env, std::string("Requester.") + method + " answered an unexpected value");
  return infos;
}
}  // namespace

std::string EngineClient::hello() {
  return ReadString(call("hello", Members("{}")), "status", "hello");
}

void EngineClient::resumeExecution(ResumeMode mode) {
  Value(call("resumeExecution", Members("{s:i}", "request", static_cast<int>(mode))));
}

// The record that `reader` makes of a result; an EngineError for another shape.
template <typename Record>
Record ReadRecord(xmlrpc_value* result, Record (*reader)(xmlrpc_env*, xmlrpc_value*),
                  const char* method) {
  Value owned(result);
  Env env;
  Record record = reader(&env.env, owned.get());
  ThrowIfFailed(env, std::string("Requester.") + method + " answered an unexpected value");
  return record;
}

FrameVector EngineClient::getFrames() {
  return ReadRecord(call("getFrames", Members("{}")), build_FrameVector_Fromxmlrpc_value,
                    "getFrames");
}

std::string EngineClient::getSourceCode(const std::string& file) {
  return ReadString(call("getSourceCode", Members("{s:s}", "filename", XmlrpcText(file).c_str())),
                    "source", "getSourceCode");
}

PropertyInfo EngineClient::getDebugPropertyInfo(int depth, const std::string& expression) {
  Value result(call("getDebugPropertyInfo", Members("{s:i,s:s,s:i}", "frame_index", depth, "expr",
                                                    XmlrpcText(expression).c_str(), "radix", 10)));
  Env env;
  xmlrpc_value* record = nullptr;
  xmlrpc_struct_find_value(&env.env, result.get(), "propertyInfo", &record);
  if (!env.failed() && !record)
    throw EngineError("Requester.getDebugPropertyInfo: no record", false);
  Value ownedRecord(record);
  ThrowIfFailed(env, "Requester.getDebugPropertyInfo answered an unexpected value");
  PropertyInfo info = build_PropertyInfo_Fromxmlrpc_value(&env.env, record);
  ThrowIfFailed(env, "Requester.getDebugPropertyInfo answered an unexpected value");
  return info;
}

void EngineClient::setDebugProperty(const std::string& context, int depth, const std::string& lhs,
                                    const std::string& rhs) {
  Value(call(
      "setDebugProperty",
      Members("{s:s,s:i,s:s,s:s,s:i}", "context", XmlrpcText(context).c_str(), "frame_index", depth,
              "lhs", XmlrpcText(lhs).c_str(), "rhs", XmlrpcText(rhs).c_str(), "radix", 10)));
}

PropertyInfoVector EngineClient::getChildrenInfos(const std::string& context, int depth,
                                                  const std::string& parent) {
  return ReadProperties(
      call("getChildrenInfos",
           Members("{s:s,s:i,s:s,s:i}", "context", XmlrpcText(context).c_str(), "frame_index",
                   depth, "parent_expr", XmlrpcText(parent).c_str(), "radix", 10)),
      "getChildrenInfos");
}

PropertyInfoVector EngineClient::getChildrenInfos(const std::string& context, int depth,
                                                  const std::string& parent,
                                                  const ChildRange& range) {
  // Members beyond the 32-bit range never reach the engine as negatives.
  constexpr uint32_t kMaxMember = 0x7fffffff;
  return ReadProperties(
      call("getChildrenInfos",
           Members("{s:s,s:i,s:s,s:i,s:i,s:i,s:b}", "context", XmlrpcText(context).c_str(),
                   "frame_index", depth, "parent_expr", XmlrpcText(parent).c_str(), "radix", 10,
                   "start", static_cast<int>(std::min(range.start, kMaxMember)), "count",
                   static_cast<int>(std::min(range.count, kMaxMember)), "statics",
                   range.statics ? 1 : 0)),
      "getChildrenInfos");
}

PropertyInfoVector EngineClient::getContext(const std::string& context, int depth) {
  return ReadProperties(
      call("getContext", Members("{s:s,s:i,s:i}", "context", XmlrpcText(context).c_str(),
                                 "frame_index", depth, "radix", 10)),
      "getContext");
}

std::string EngineClient::getContextNamesAsString() {
  return ReadString(call("getContextNamesAsString", Members("{s:i}", "frame_index", 0)), "names",
                    "getContextNamesAsString");
}

long EngineClient::addBreakpoint(const std::string& file, int line, bool temporary,
                                 const std::string& cond) {
  Value result(call("addBreakpoint",
                    Members("{s:s,s:i,s:b,s:s}", "file", XmlrpcText(file).c_str(), "lineno", line,
                            "temporary", temporary ? 1 : 0, "cond", XmlrpcText(cond).c_str())));
  Env env;
  int number = 0;
  xmlrpc_decompose_value(&env.env, result.get(), "{s:i,*}", "breakpointNumber", &number);
  ThrowIfFailed(env, "Requester.addBreakpoint answered an unexpected value");
  return number;
}

StopInfo EngineClient::getStopInfo() {
  return ReadRecord(call("getStopInfo", Members("{}")), build_StopInfo_Fromxmlrpc_value,
                    "getStopInfo");
}

void EngineClient::removeBreakpoint(long number) {
  Value(call("removeBreakpoint", Members("{s:i}", "breakpointNumber", static_cast<int>(number))));
}

long EngineClient::addFunctionBreakpoint(const std::string& name, const std::string& cond) {
  Value result(call("addFunctionBreakpoint", Members("{s:s,s:s}", "name", XmlrpcText(name).c_str(),
                                                     "cond", XmlrpcText(cond).c_str())));
  Env env;
  int number = 0;
  xmlrpc_decompose_value(&env.env, result.get(), "{s:i,*}", "breakpointNumber", &number);
  ThrowIfFailed(env, "Requester.addFunctionBreakpoint answered an unexpected value");
  return number;
}

void EngineClient::setExceptionBreakpoints(const ExceptionFilter& filter) {
  Env env;
  Value classes(xmlrpc_array_new(&env.env));
  ThrowIfFailed(env, "Requester.setExceptionBreakpoints");
  for (const std::string& name : filter.classes) {
    Value item(xmlrpc_string_new(&env.env, XmlrpcText(name).c_str()));
    ThrowIfFailed(env, "Requester.setExceptionBreakpoints");
    xmlrpc_array_append_item(&env.env, classes.get(), item.get());
    ThrowIfFailed(env, "Requester.setExceptionBreakpoints");
  }
  Value(call("setExceptionBreakpoints",
             Members("{s:b,s:b,s:A}", "all", filter.all ? 1 : 0, "uncaught",
                     filter.uncaught ? 1 : 0, "classes", classes.get())));
}

RequestInfo EngineClient::getRequestInfo() {
  return ReadRecord(call("getRequestInfo", Members("{}")), build_RequestInfo_Fromxmlrpc_value,
                    "getRequestInfo");
}

BreakpointResolution EngineClient::getBreakpointInfo(long number) {
  return ReadRecord(
      call("getBreakpointInfo", Members("{s:i}", "breakpointNumber", static_cast<int>(number))),
      build_BreakpointResolution_Fromxmlrpc_value, "getBreakpointInfo");
}

void EngineClient::redirectStdout(int port) {
  Value(call("redirectStdout", Members("{s:i}", "port", port)));
}

void EngineClient::redirectStderr(int port) {
  Value(call("redirectStderr", Members("{s:i}", "port", port)));
}
