// Breakpoint functions of the engine, on the list kept in the globals block.
#include "breakpoints.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "evaluation.h"
#include "frames.h"
#include "hooks.h"
#include "output_capture.h"
#include "php_lucentdebug.h"

namespace {

// Tells the front end's user why the script stopped, in the output as error
// stops do.
void ReportFailedCondition(const Breakpoint& breakpoint) {
  char text[1024];
  int length =
      snprintf(text, sizeof text,
               "\nPHP Breakpoint condition error:  %s cannot be evaluated in %s on line %d\n",
               breakpoint.condition.c_str(), breakpoint.file.c_str(), breakpoint.line);
  if (length > 0) ludbg_body_write(text, strnlen(text, sizeof text));
}

}  // namespace

extern "C" long luSetBreakpoint(long id, const char* file, int line, int add) {
  const char* path = file != nullptr ? luGetLocalFilePathFromURL(file) : nullptr;
  long result = LUDBG_G(breakpoints).set(id, path, line, add != 0);
  // Code compiled earlier may have quiet markers on this line.
  if (add != 0) luWatchLine(line);
  return result;
}

extern "C" long luAddBreakpoint(const char* file, int line, const char* condition, int temporary) {
  long result = LUDBG_G(breakpoints)
                    .set(0, luGetLocalFilePathFromURL(file), line, true, condition, temporary != 0);
  luWatchLine(line);
  return result;
}

extern "C" int luBreakpointStops(int id) {
  const Breakpoint* breakpoint = LUDBG_G(breakpoints).byId(id);
  if (breakpoint == nullptr) return 0;
  if (!breakpoint->condition.empty()) {
    ConditionResult holds = luEvalCondition(breakpoint->condition);
    if (holds == ConditionResult::kFalse) return 0;
    if (holds == ConditionResult::kFailed) ReportFailedCondition(*breakpoint);
  }
  if (breakpoint->temporary) LUDBG_G(breakpoints).set(id, nullptr, 0, false);
  return 1;
}

extern "C" int luIsBreakpoint(const char* file, int line) {
  if (LUDBG_G(breakpoints).empty()) return 0;
  return LUDBG_G(breakpoints).find(luGetLocalFilePathFromURL(file), line);
}

extern "C" void luListBreakpoints(char* buffer, size_t size) {
  LUDBG_G(breakpoints).list(buffer, size);
}

extern "C" void luClearBreakpoints() { LUDBG_G(breakpoints).clear(); }

extern "C" char* luGetLocalFilePathFromURL(const char* url) {
  return LocalPathFromUrl(url, LUDBG_G(pathBuffer));
}

extern "C" char* luCreateFileURI(const char* path) {
  return FileUriFromPath(path, LUDBG_G(signalled) != 0, LUDBG_G(pathBuffer));
}
