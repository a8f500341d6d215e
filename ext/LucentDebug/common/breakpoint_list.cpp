// Breakpoint list operations; callers convert URLs to local paths first.
#include "breakpoint_list.h"

#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

long BreakpointList::set(long id, const char* file, int line, bool add, const char* condition,
                         bool temporary, const char* path) {
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    bool byId = it->id > 0 && it->id == id;
    bool byPlace = file != nullptr && it->line == line && strcasecmp(it->file.c_str(), file) == 0;
    if (!byId && !byPlace) continue;
    if (!add) {
      entries_.erase(it);
      indexLines();
    }
    return 0;
  }
  if (!add || file == nullptr) return -1;
  entries_.push_back(Breakpoint{file, line, ++lastBreakpointId_,
                                condition != nullptr ? condition : "", temporary,
                                path != nullptr ? path : file, 0});
  indexLines();
  return lastBreakpointId_;
}

void BreakpointList::resolve(const char* path, const std::vector<int>& lines,
                             std::vector<int>* stopLines) {
  bool changed = false;
  for (Breakpoint& bp : entries_) {
    if (strcasecmp(bp.path.c_str(), path) != 0) continue;
    auto next = std::lower_bound(lines.begin(), lines.end(), bp.line);
    int resolved = next != lines.end() ? *next : -1;
    changed = changed || resolved != bp.resolvedLine;
    bp.resolvedLine = resolved;
    if (resolved > 0) stopLines->push_back(resolved);
  }
  if (changed) indexLines();
}

namespace {

// Lines from here on (or below 0) are not indexed but looked for in the list.
constexpr int kIndexedLines = 1 << 20;

}  // namespace

void BreakpointList::clear() {
  entries_.clear();
  lines_.clear();
  unindexedLines_ = false;
}

void BreakpointList::indexLines() {
  lines_.clear();
  unindexedLines_ = false;
  for (const Breakpoint& bp : entries_) {
    int stopLine = bp.stopLine();
    if (bp.resolvedLine < 0) continue;  // stops nowhere
    if (stopLine < 0 || stopLine >= kIndexedLines) {
      unindexedLines_ = true;
      continue;
    }
    size_t line = static_cast<size_t>(stopLine);
    if (line >= lines_.size()) lines_.resize(line + 1);
    lines_[line] = true;
  }
}

bool BreakpointList::hasFile(const char* path) const {
  for (const Breakpoint& bp : entries_) {
    if (strcasecmp(bp.path.c_str(), path) == 0) return true;
  }
  return false;
}

const Breakpoint* BreakpointList::byId(int id) const {
  for (const Breakpoint& bp : entries_) {
    if (bp.id == id) return &bp;
  }
  return nullptr;
}

int BreakpointList::find(const char* file, int line) const {
  if (!mayStopAt(line)) return 0;
  for (const Breakpoint& bp : entries_) {
    if (bp.resolvedLine >= 0 && bp.stopLine() == line && strcasecmp(bp.path.c_str(), file) == 0) {
      return bp.id;
    }
  }
  return 0;
}

void BreakpointList::list(char* buffer, size_t size) const {
  if (size < 2) return;
  size_t limit = size - 2;  // characters the listing may reach
  for (const Breakpoint& bp : entries_) {
    size_t used = strnlen(buffer, limit);
    if (used >= limit) break;
    snprintf(buffer + used, limit - used + 1, "fn: %s line: %d\n", bp.file.c_str(), bp.line);
  }
  if (buffer[0] == '\0') snprintf(buffer, size, "%s", "No breakpoints set\n");
}
