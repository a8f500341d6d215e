// Client of the engine's XML-RPC methods ("Requester.*" on /RPC2): every call
// carries the cookie of the handshake; records are decoded into debug records.
#ifndef LUCENTDEBUG_DAP_ENGINE_CLIENT_H
#define LUCENTDEBUG_DAP_ENGINE_CLIENT_H

#include <xmlrpc-c/base.h>
#include <xmlrpc-c/client.h>

#include <stdexcept>
#include <string>

#include "debug_records.h"

// A failed call. `lost` is set when the engine could not be reached at all
// (its port closed: the request ended), as opposed to a fault it answered.
class EngineError : public std::runtime_error {
 public:
  EngineError(const std::string& what, bool lost) : std::runtime_error(what), lost_(lost) {}
  bool lost() const { return lost_; }

 private:
  bool lost_;
};

enum ResumeMode { kResumeStop = 0, kStepInto = 1, kStepOver = 2, kStepOut = 3, kGo = 4 };

// One client serves one thread at a time; threads that call concurrently each
// use their own client.
class EngineClient {
 public:
  EngineClient(const std::string& host, int port, std::string cookie);
  ~EngineClient();
  EngineClient(const EngineClient&) = delete;
  EngineClient& operator=(const EngineClient&) = delete;

  // Ends the call under way, from another thread (a call that waits for a
  // stop that a detached request never makes), and every later one.
  void interrupt();

  std::string hello();
  void resumeExecution(ResumeMode mode);
  FrameVector getFrames();
  std::string getSourceCode(const std::string& file);
  PropertyInfo getDebugPropertyInfo(int depth, const std::string& expression);
  void setDebugProperty(const std::string& context, int depth, const std::string& lhs,
                        const std::string& rhs);
  PropertyInfoVector getChildrenInfos(const std::string& context, int depth,
                                      const std::string& parent);
  // One page of the children (or with range.statics the static properties of
  // an object's class), listed by the engine; engines without paging answer
  // a fault for a range other than the default.
  PropertyInfoVector getChildrenInfos(const std::string& context, int depth,
                                      const std::string& parent, const ChildRange& range);
  PropertyInfoVector getContext(const std::string& context, int depth);
  std::string getContextNamesAsString();
  long addBreakpoint(const std::string& file, int line, bool temporary, const std::string& cond);
  void removeBreakpoint(long number);
  // 0 when the engine refuses the name (not f, Ns\f, Cls::m or Cls->m).
  long addFunctionBreakpoint(const std::string& name, const std::string& cond);
  void setExceptionBreakpoints(const ExceptionFilter& filter);
  // Where breakpoint `number` stands; an EngineError for an unknown number.
  BreakpointResolution getBreakpointInfo(long number);
  // Which request this is; an EngineError from engines without the method.
  RequestInfo getRequestInfo();
  // Why the script is stopped; an EngineError from engines without the method.
  StopInfo getStopInfo();
  void redirectStdout(int port);
  void redirectStderr(int port);

 private:
  // Calls "Requester.<method>" with `members` (consumed) plus the cookie and
  // returns the result struct (owned by the caller); throws EngineError.
  xmlrpc_value* call(const char* method, xmlrpc_value* members);

  std::string url_;
  std::string cookie_;
  xmlrpc_client* client_ = nullptr;
  xmlrpc_server_info* server_ = nullptr;
  // Polled by the transport during a call; once set, every call fails at once.
  int interrupted_ = 0;
};

// Sets up the XML-RPC client library for the process (once, before any client).
void SetUpEngineClients();

#endif  // LUCENTDEBUG_DAP_ENGINE_CLIENT_H
