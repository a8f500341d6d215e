// The query operations every front end shares: frames, source, variables,
// evaluation, breakpoints and resuming, all read from the engine's state.
#include "requester.h"

#include "breakpoints.h"
#include "evaluation.h"
#include "exception_stops.h"
#include "frames.h"
#include "function_breakpoints.h"
#include "hooks.h"
#include "output_capture.h"
#include "stop_reason.h"
#include "string_utils.h"

namespace {

const char kSourceUnavailable[] = "# Souce code unavailable";

std::string ContextOrLocals(const std::string& context) {
  return context.empty() ? "locals" : TrimString(context, kTrimBoth);
}

}  // namespace

void Requester::redirectStdout(unsigned short port) { luRedirectStdout(port); }

void Requester::resumeExecution(int mode) {
  luSetStepReason("step");
  luResumeExecution(mode);
}

unsigned short Requester::getNumFrames() { return luGetNumFrames(); }

namespace {

// The class of a method's frame and its name as PHP writes the call:
// Class->method on an object, Class::method otherwise.
void NameMethod(Frame* frame, const ScopeRecord& record) {
  frame->qualifiedName = frame->where;
  const zend_execute_data* data = record.executeData;
  const zend_class_entry* scope = data != nullptr ? data->func->common.scope : nullptr;
  if (scope == nullptr) return;
  frame->className.assign(ZSTR_VAL(scope->name), ZSTR_LEN(scope->name));
  const char* call = Z_TYPE(data->This) == IS_OBJECT ? "->" : "::";
  frame->qualifiedName = frame->className + call + frame->where;
}

}  // namespace

FrameVector Requester::getFrames() {
  FrameVector frames;
  char file[kFrameTextSize];
  char where[kFrameTextSize];
  const std::vector<ScopeRecord>& records = luGetBackTrace();
  for (int index = static_cast<int>(getNumFrames()) - 1; index >= 0; --index) {
    int line = 0;
    if (!luGetFrameInfo(index, file, &line, where)) continue;
    Frame frame;
    frame.file = file;
    frame.lineno = line;
    frame.where = where;
    NameMethod(&frame, records[static_cast<size_t>(index)]);
    frames.push_back(std::move(frame));
  }
  return frames;
}

std::string Requester::getSourceCode(const std::string& fileUrl) {
  std::string source;
  if (!luGetSourceCode(fileUrl.c_str(), &source)) return kSourceUnavailable;
  return source.substr(0, source.find('\0'));
}

PropertyInfo Requester::getDebugPropertyInfo(unsigned depth, const std::string& expression,
                                             unsigned) {
  PropertyInfo info;
  info.name.name = expression;
  info.name.fullName = expression;
  info.type = "IS_UNKNOWN";
  if (expression.empty()) return info;
  const ScopeRecord& scope = luGetActiveSymbolTable("locals", static_cast<short>(depth));
  if (!scope.hasVariables()) return info;
  PropertyInfo evaluated;
  if (luEval(&evaluated, TrimString(expression, kTrimBoth).c_str(), scope, 1) == 0) {
    return evaluated;
  }
  return info;
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
                                    unsigned, std::string* error) {
  std::string target = TrimString(expression, kTrimBoth);
  if (target.empty()) {
    *error = "no expression to assign to";
    return false;
  }
  const ScopeRecord& scope =
      luGetActiveSymbolTable(ContextOrLocals(context).c_str(), static_cast<short>(depth));
  return luAssign(scope, target, TrimString(value, kTrimBoth), error);
}

PropertyInfoVector Requester::getChildrenInfos(const std::string& context, unsigned depth,
                                               const std::string& expression, unsigned,
                                               const ChildRange& range) {
  PropertyInfoVector children;
  if (expression.empty()) return children;
  const ScopeRecord& scope =
      luGetActiveSymbolTable(ContextOrLocals(context).c_str(), static_cast<short>(depth));
  if (!scope.hasVariables()) return children;
  luEvalGetChildren(&children, TrimString(expression, kTrimBoth).c_str(), scope, range);
  return children;
}

PropertyInfoVector Requester::getContext(const std::string& context, short depth, short) {
  PropertyInfoVector variables;
  luGetContext(&variables, luGetActiveSymbolTable(context.c_str(), depth));
  return variables;
}

std::string Requester::getContextNamesAsString(unsigned) { return "locals globals"; }

long Requester::addBreakpoint(const std::string& fileUrl, unsigned line, bool temporary,
                              const std::string& condition) {
  return luAddBreakpoint(fileUrl.c_str(), static_cast<int>(line), condition.c_str(), temporary);
}

void Requester::removeBreakpoint(long breakpointNumber) {
  if (luRemoveFunctionBreakpoint(breakpointNumber)) return;
  luSetBreakpoint(breakpointNumber, nullptr, 0, 0);
}

bool Requester::getBreakpointInfo(long breakpointNumber, BreakpointResolution* info) {
  return luGetBreakpointInfo(breakpointNumber, info);
}

StopInfo Requester::getStopInfo() { return luGetStopInfo(); }

void Requester::setExceptionBreakpoints(const ExceptionFilter& filter) {
  luSetExceptionFilter(filter);
}

long Requester::addFunctionBreakpoint(const std::string& name, const std::string& condition) {
  return luAddFunctionBreakpoint(name, TrimString(condition, kTrimBoth));
}

int setBreakpointAttribute(long, const std::string&, const std::string&) { return 0; }
