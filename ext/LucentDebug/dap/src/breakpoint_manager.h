// The editor's line breakpoints and their engine counterparts: conditions go
// to the engine, hit counts and log messages are kept here.
#ifndef LUCENTDEBUG_DAP_BREAKPOINT_MANAGER_H
#define LUCENTDEBUG_DAP_BREAKPOINT_MANAGER_H

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "debug_records.h"

// A hit-count condition: "5" or ">=5" (from the fifth hit on), ">5", "==5" or
// "=5", "<5", "<=5", "%5" (every fifth hit).
struct HitCondition {
  enum class Op { kAtLeast, kMore, kEqual, kLess, kAtMost, kEvery } op = Op::kAtLeast;
  long count = 0;
  bool met(long hits) const;
};
std::optional<HitCondition> ParseHitCondition(const std::string& text);

// A log message split into literal text and {expression} parts; "{{" and "}}"
// stand for literal braces.
struct LogPart {
  bool isExpression;
  std::string text;
};
std::optional<std::vector<LogPart>> ParseLogMessage(const std::string& message);

struct BreakpointSpec {
  int line = 0;
  std::string condition;
  std::string hitCondition;
  std::string logMessage;
};

struct BreakpointState {
  int id = 0;
  std::string path;
  BreakpointSpec spec;
  bool valid = true;      // false: its hit condition or log message cannot be used
  long engineNumber = 0;  // 0: not in the engine
  bool verified = false;
  int resolvedLine = 0;  // where the engine stops for it; 0 while unknown
  std::string message;   // why it is not verified
  long hits = 0;
  std::optional<HitCondition> hitCondition;
  std::vector<LogPart> logParts;
  bool isLogPoint = false;
};

// What the manager needs of the engine; both throw when the engine fails.
struct BreakpointEngine {
  std::function<long(const std::string& path, int line, const std::string& cond)> add;
  std::function<void(long number)> remove;
  // Where breakpoint `number` stands (engines that cannot tell: unset, or
  // nullopt); resolvedLine 0 while its file is not compiled.
  std::function<std::optional<BreakpointResolution>(long number)> resolve;
};

class BreakpointManager {
 public:
  // Replaces the breakpoints of `path`; the engine learns of it at sync().
  // Returns the new states (unverified until synced).
  std::vector<BreakpointState> set(const std::string& path,
                                   const std::vector<BreakpointSpec>& specs);
  // Brings the engine up to date with every source changed since the last
  // sync; returns the breakpoints whose state changed.
  std::vector<BreakpointState> sync(const BreakpointEngine& engine);
  bool pending() const { return !dirty_.empty(); }
  // Asks where the breakpoints whose file was not compiled at their sync
  // stand now; returns those whose state changed.
  std::vector<BreakpointState> resolve(const BreakpointEngine& engine);
  // The same breakpoints (ids included) for an engine that has none yet: each
  // is to be sent at the next sync, with no hits counted. Managers that then
  // get the same set() calls keep giving the same ids.
  BreakpointManager forAnotherEngine() const;
  // Removes every breakpoint from the engine (a detaching client).
  void removeAll(const BreakpointEngine& engine);

  // The breakpoint at path:line, as asked or where the engine moved it (paths
  // compare without regard to letter case and with symbolic links resolved,
  // as the engine's do), or null.
  BreakpointState* at(const std::string& path, int line);
  std::vector<BreakpointState> of(const std::string& path) const;

 private:
  int nextId_ = 1;
  std::map<std::string, std::vector<BreakpointState>> bySource_;
  std::map<std::string, std::vector<long>> stale_;  // engine numbers to remove, per source
  std::vector<std::string> dirty_;
};

#endif  // LUCENTDEBUG_DAP_BREAKPOINT_MANAGER_H
