// The request's line breakpoints: local paths compared without regard to
// letter case, numbers rising over the life of the process.
#ifndef LUCENTDEBUG_BREAKPOINT_LIST_H
#define LUCENTDEBUG_BREAKPOINT_LIST_H

#include <cstddef>
#include <list>
#include <string>
#include <vector>

struct Breakpoint {
  std::string file;
  int line = 0;
  int id = 0;
  std::string condition;   // PHP expression; empty: always stops
  bool temporary = false;  // removed at its first stop
  std::string path;        // compared with the compiled files' paths
  // The first line at or after `line` where its file's statements can stop,
  // once the file is compiled: 0 while unknown, -1 when there is none.
  int resolvedLine = 0;

  // The line whose statements it stops at; -1: none.
  int stopLine() const { return resolvedLine == 0 ? line : resolvedLine; }
};

class BreakpointList {
 public:
  // Adds (add true) or removes the breakpoint matching id (when > 0) or
  // file and line. Adding returns the new number, or 0 when it exists;
  // removing returns 0, or -1 when nothing matched. A new breakpoint takes
  // the condition (none when null) and the temporary flag.
  // `path` is what the compiled files are compared with (`file` when null).
  long set(long id, const char* file, int line, bool add, const char* condition = nullptr,
           bool temporary = false, const char* path = nullptr);
  // Resolves the breakpoints of the file at `path` against the sorted lines
  // where its statements can stop; appends the lines they now stop at.
  void resolve(const char* path, const std::vector<int>& lines, std::vector<int>* stopLines);
  // A number for a breakpoint kept elsewhere (a function breakpoint), from
  // the same numbering.
  long reserveId() { return ++lastBreakpointId_; }
  // The breakpoint numbered id, or null.
  const Breakpoint* byId(int id) const;
  // Number of the first breakpoint of the file that stops on line, or 0.
  int find(const char* file, int line) const;
  // Appends one "fn: %s line: %d\n" per entry, never beyond size - 2 characters;
  // "No breakpoints set\n" when the buffer stays empty.
  void list(char* buffer, size_t size) const;
  // False when no breakpoint can stop on this line, whatever the file.
  bool mayStopAt(int line) const {
    bool indexed = line >= 0 && static_cast<size_t>(line) < lines_.size();
    return indexed ? lines_[static_cast<size_t>(line)] : unindexedLines_;
  }
  // True when a breakpoint names the file at `path`.
  bool hasFile(const char* path) const;
  void clear();
  bool empty() const { return entries_.empty(); }

 private:
  void indexLines();

  std::list<Breakpoint> entries_;
  // Marks the lines that carry a breakpoint, so the test at every statement
  // rejects all other lines at once.
  std::vector<bool> lines_;
  bool unindexedLines_ = false;
  int lastBreakpointId_ = 0;  // kept across requests
};

#endif  // LUCENTDEBUG_BREAKPOINT_LIST_H
