// The query operations every front end shares: frames, source, variables,
// evaluation, breakpoints and resuming, all read from the engine's state.
#include "requester.h"

#include "breakpoints.h"
#include "evaluation.h"
#include "frames.h"
#include "hooks.h"
#include "output_capture.h"
#include "string_utils.h"

namespace {

const char kSourceUnavailable[] = "# Souce code unavailable";

std::string ContextOrLocals(const std::string& context) {
  return context.empty() ? "locals" : TrimString(context, kTrimBoth);
}

}  // namespace

void Requester::redirectStdout(unsigned short port) { luRedirectStdout(port); }

void Requester::resumeExecution(int mode) { luResumeExecution(mode); }

unsigned short Requester::getNumFrames() { return luGetNumFrames(); }

FrameVector Requester::getFrames() {
  FrameVector frames;
  char file[kFrameTextSize];
  char where[kFrameTextSize];
  for (int index = static_cast<int>(getNumFrames()) - 1; index >= 0; --index) {
    int line = 0;
    if (!luGetFrameInfo(index, file, &line, where)) continue;
    Frame frame;
    frame.file = file;
    frame.lineno = line;
    frame.where = where;
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
                                        unsigned) {
  if (expression.empty()) return "";
  const ScopeRecord& scope =
      luGetActiveSymbolTable(ContextOrLocals(context).c_str(), static_cast<short>(depth));
  if (!scope.hasVariables()) return "";
  std::string assignment = TrimString(expression + "=" + value, kTrimBoth);
  luEval(nullptr, assignment.c_str(), scope, 0);
  return "";
}

PropertyInfoVector Requester::getChildrenInfos(const std::string& context, unsigned depth,
                                               const std::string& expression, unsigned) {
  PropertyInfoVector children;
  if (expression.empty()) return children;
  const ScopeRecord& scope =
      luGetActiveSymbolTable(ContextOrLocals(context).c_str(), static_cast<short>(depth));
  if (!scope.hasVariables()) return children;
  luEvalGetChildren(&children, TrimString(expression, kTrimBoth).c_str(), scope);
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
  luSetBreakpoint(breakpointNumber, nullptr, 0, 0);
}

bool Requester::getBreakpointInfo(long breakpointNumber, BreakpointResolution* info) {
  return luGetBreakpointInfo(breakpointNumber, info);
}

int setBreakpointAttribute(long, const std::string&, const std::string&) { return 0; }
