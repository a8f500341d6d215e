// Breakpoint functions of the engine, on the list kept in the globals block.
#include "breakpoints.h"

#include <limits.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

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

// The lines where statements of each file compiled by this request can stop,
// by local path; sorted when a breakpoint needs them.
struct StatementLines {
  std::vector<int> lines;
  bool sorted = true;
};
std::unordered_map<std::string, StatementLines> statementLines;

// Resolves the file's breakpoints against its statement lines and makes the
// markers on the lines they stop at reach the stop decision, in that file only.
void ResolveFile(const std::string& path) {
  auto found = statementLines.find(path);
  if (found == statementLines.end() || !LUDBG_G(breakpoints).hasFile(path.c_str())) return;
  StatementLines& known = found->second;
  if (!known.sorted) {
    std::sort(known.lines.begin(), known.lines.end());
    known.lines.erase(std::unique(known.lines.begin(), known.lines.end()), known.lines.end());
    known.sorted = true;
  }
  std::vector<int> stopLines;
  LUDBG_G(breakpoints).resolve(path.c_str(), known.lines, &stopLines);
  for (int line : stopLines) luWatchLine(path.c_str(), line);
}

long AddBreakpoint(long id, const char* file, int line, const char* condition, bool temporary) {
  std::string local = luGetLocalFilePathFromURL(file);
  std::string path = luCanonicalPath(local.c_str());
  long result =
      LUDBG_G(breakpoints).set(id, local.c_str(), line, true, condition, temporary, path.c_str());
  // A file compiled before the session knows no statement lines: the
  // breakpoint stops on the line asked.
  if (statementLines.count(path) == 0) luWatchLine(path.c_str(), line);
  ResolveFile(path);
  return result;
}

}  // namespace

std::string luCanonicalPath(const char* fileOrUrl) {
  std::string local = luGetLocalFilePathFromURL(fileOrUrl);
  char resolved[PATH_MAX];
  return realpath(local.c_str(), resolved) != nullptr ? std::string(resolved) : local;
}

void luAddStatementLines(const std::string& path, const std::vector<int>& lines) {
  StatementLines& known = statementLines[path];
  known.lines.insert(known.lines.end(), lines.begin(), lines.end());
  known.sorted = false;
  ResolveFile(path);
}

bool luGetBreakpointInfo(long id, BreakpointResolution* info) {
  const Breakpoint* breakpoint = LUDBG_G(breakpoints).byId(static_cast<int>(id));
  if (breakpoint == nullptr) return false;
  info->id = breakpoint->id;
  info->file = breakpoint->file;
  info->line = breakpoint->line;
  info->resolvedLine = std::max(breakpoint->resolvedLine, 0);
  info->verified = breakpoint->resolvedLine >= 0;
  return true;
}

extern "C" long luSetBreakpoint(long id, const char* file, int line, int add) {
  if (add != 0 && file != nullptr) return AddBreakpoint(id, file, line, nullptr, false);
  const char* path = file != nullptr ? luGetLocalFilePathFromURL(file) : nullptr;
  return LUDBG_G(breakpoints).set(id, path, line, add != 0);
}

extern "C" long luAddBreakpoint(const char* file, int line, const char* condition, int temporary) {
  return AddBreakpoint(0, file, line, condition, temporary != 0);
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
  return LUDBG_G(breakpoints).find(luCanonicalPath(file).c_str(), line);
}

extern "C" void luListBreakpoints(char* buffer, size_t size) {
  LUDBG_G(breakpoints).list(buffer, size);
}

extern "C" void luClearBreakpoints() { LUDBG_G(breakpoints).clear(); }

void luForgetStatementLines() { statementLines.clear(); }

extern "C" char* luGetLocalFilePathFromURL(const char* url) {
  return LocalPathFromUrl(url, LUDBG_G(pathBuffer));
}

extern "C" char* luCreateFileURI(const char* path) {
  return FileUriFromPath(path, LUDBG_G(signalled) != 0, LUDBG_G(pathBuffer));
}
