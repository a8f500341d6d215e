// Test double of the engine side of Requester and of the host's warning call,
// so that the remote front end can be tested without a PHP runtime.
#include "fake_engine.h"

#include <cstdarg>
#include <cstdio>

#include "requester.h"
#include "session_control.h"

FakeEngine& fakeEngine() {
  static FakeEngine engine;
  return engine;
}

namespace {

void Log(const std::string& call) { fakeEngine().calls.push_back(call); }

}  // namespace

void Requester::redirectStdout(unsigned short port) {
  Log("redirectStdout(" + std::to_string(port) + ")");
}

void Requester::resumeExecution(int mode) { Log("resumeExecution(" + std::to_string(mode) + ")"); }

unsigned short Requester::getNumFrames() { return fakeEngine().numFrames; }

FrameVector Requester::getFrames() { return fakeEngine().frames; }

std::string Requester::getSourceCode(const std::string& fileUrl) {
  Log("getSourceCode(" + fileUrl + ")");
  return fakeEngine().source;
}

PropertyInfo Requester::getDebugPropertyInfo(unsigned depth, const std::string& expression,
                                             unsigned radix) {
  Log("getDebugPropertyInfo(" + std::to_string(depth) + "," + expression + "," +
      std::to_string(radix) + ")");
  return fakeEngine().propertyInfo;
}

std::string Requester::setDebugProperty(const std::string& context, unsigned depth,
                                        const std::string& expression, const std::string& value,
                                        unsigned radix) {
  std::string error;
  assignDebugProperty(context, depth, expression, value, radix, &error);
  return "";
}

bool Requester::assignDebugProperty(const std::string& context, unsigned depth,
                                    const std::string& expression, const std::string& value,
                                    unsigned radix, std::string* error) {
  Log("setDebugProperty(" + context + "," + std::to_string(depth) + "," + expression + "," + value +
      "," + std::to_string(radix) + ")");
  *error = fakeEngine().assignmentError;
  return error->empty();
}

PropertyInfoVector Requester::getChildrenInfos(const std::string& context, unsigned depth,
                                               const std::string& expression, unsigned radix,
                                               const ChildRange& range) {
  std::string paging;
  if (range.start != 0 || range.count != 0 || range.statics) {
    paging = "," + std::to_string(range.start) + "," + std::to_string(range.count) +
             (range.statics ? ",statics" : "");
  }
  Log("getChildrenInfos(" + context + "," + std::to_string(depth) + "," + expression + "," +
      std::to_string(radix) + paging + ")");
  return fakeEngine().children;
}

PropertyInfoVector Requester::getContext(const std::string& context, short depth, short radix) {
  Log("getContext(" + context + "," + std::to_string(depth) + "," + std::to_string(radix) + ")");
  return fakeEngine().context;
}

std::string Requester::getContextNamesAsString(unsigned) { return "locals globals"; }

long Requester::addBreakpoint(const std::string& fileUrl, unsigned line, bool temporary,
                              const std::string& condition) {
  Log("addBreakpoint(" + fileUrl + "," + std::to_string(line) + "," + std::to_string(temporary) +
      "," + condition + ")");
  return fakeEngine().breakpointNumber;
}

void Requester::removeBreakpoint(long breakpointNumber) {
  Log("removeBreakpoint(" + std::to_string(breakpointNumber) + ")");
}

bool Requester::getBreakpointInfo(long breakpointNumber, BreakpointResolution* info) {
  Log("getBreakpointInfo(" + std::to_string(breakpointNumber) + ")");
  if (breakpointNumber != fakeEngine().breakpointNumber) return false;
  info->id = static_cast<int>(breakpointNumber);
  info->file = "/t.php";
  info->line = 4;
  info->resolvedLine = 6;
  return true;
}

StopInfo Requester::getStopInfo() { return fakeEngine().stopInfo; }

void Requester::setExceptionBreakpoints(const ExceptionFilter& filter) {
  std::string classes;
  for (const std::string& name : filter.classes) classes += "," + name;
  Log("setExceptionBreakpoints(" + std::to_string(filter.all) + "," +
      std::to_string(filter.uncaught) + classes + ")");
}

long Requester::addFunctionBreakpoint(const std::string& name, const std::string& condition) {
  Log("addFunctionBreakpoint(" + name + "," + condition + ")");
  return fakeEngine().breakpointNumber;
}

extern "C" void zend_error(int, const char* format, ...) {
  char text[1024];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  fakeEngine().warning = text;
}

extern "C" void php_log_err_with_severity(const char* message, int) {
  fakeEngine().logged = message;
}

RequestInfo Requester::getRequestInfo() {
  Log("getRequestInfo()");
  return fakeEngine().requestInfo;
}

// Called on the control connection's thread; the end-to-end tests cover them.
void luRequestPause() {}
void luRequestDetach() {}
void luDetach() { Log("detach()"); }
