// Base class of the debugger's front ends. The engine calls interactionPoint()
// whenever execution stops; the front end serves its user from inside that call
// and answers through the query operations below, which read and change the
// engine's state of the current request.
#ifndef LUCENTDEBUG_REQUESTER_H
#define LUCENTDEBUG_REQUESTER_H

#include <string>

#include "debug_records.h"

enum ResumeMode {
  RESUME_STOP = 0,
  RESUME_STEP_INTO = 1,
  RESUME_STEP_OVER = 2,
  RESUME_STEP_OUT = 3,
  RESUME_GO = 4,
};

class Requester {
 public:
  virtual ~Requester() = default;

  // Virtual operations, in slot order.
  virtual void interactionPoint() {}
  virtual void brk() {}  // kept for its slot: no front end overrides it, none calls it
  virtual void redirectStdout(unsigned short port);
  virtual void redirectStderr(unsigned short /*port*/) {}
  virtual void redirectStdin(unsigned short /*port*/) {}
  virtual std::string hello() { return "hello"; }
  virtual void resumeExecution(int mode);

  unsigned short getNumFrames();
  FrameVector getFrames();
  std::string getSourceCode(const std::string& fileUrl);
  PropertyInfo getDebugPropertyInfo(unsigned depth, const std::string& expression, unsigned);
  std::string setDebugProperty(const std::string& context, unsigned depth,
                               const std::string& expression, const std::string& value, unsigned);
  PropertyInfoVector getChildrenInfos(const std::string& context, unsigned depth,
                                      const std::string& expression, unsigned,
                                      const ChildRange& range = ChildRange());
  PropertyInfoVector getContext(const std::string& context, short depth, short);
  std::string getContextNamesAsString(unsigned);
  long addBreakpoint(const std::string& fileUrl, unsigned line, bool temporary,
                     const std::string& condition);
  // Removes a line or a function breakpoint.
  void removeBreakpoint(long breakpointNumber);

  // Additions that the sixteen XML-RPC methods of old do not use.
  // Assigns as setDebugProperty does; false, with the reason in `error`,
  // when the assignment cannot be made (nothing is then changed).
  bool assignDebugProperty(const std::string& context, unsigned depth,
                           const std::string& expression, const std::string& value, unsigned,
                           std::string* error);
  StopInfo getStopInfo();
  void setExceptionBreakpoints(const ExceptionFilter& filter);
  // A breakpoint at the first statement of the function or method `name`
  // (function_breakpoints.h); its number, or 0 for a malformed name.
  long addFunctionBreakpoint(const std::string& name, const std::string& condition);
  // The request this front end debugs (engine/request_info.cpp).
  RequestInfo getRequestInfo();
  // False when there is no breakpoint numbered id.
  bool getBreakpointInfo(long breakpointNumber, BreakpointResolution* info);
};

// Changes nothing; kept for the front ends' method tables.
int setBreakpointAttribute(long breakpointNumber, const std::string& attribute,
                           const std::string& value);

#endif  // LUCENTDEBUG_REQUESTER_H
