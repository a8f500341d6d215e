// Breakpoint bookkeeping: per-source replacement, engine sync, hit counts and
// log message parsing.
#include "breakpoint_manager.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>

bool HitCondition::met(long hits) const {
  switch (op) {
    case Op::kAtLeast:
      return hits >= count;
    case Op::kMore:
      return hits > count;
    case Op::kEqual:
      return hits == count;
    case Op::kLess:
      return hits < count;
    case Op::kAtMost:
      return hits <= count;
    case Op::kEvery:
      return count > 0 && hits % count == 0;
  }
  return false;
}

std::optional<HitCondition> ParseHitCondition(const std::string& text) {
  size_t at = 0;
  auto skipBlanks = [&] {
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
  };
  skipBlanks();
  HitCondition condition;
  static const std::pair<const char*, HitCondition::Op> kOperators[] = {
      {">=", HitCondition::Op::kAtLeast}, {"<=", HitCondition::Op::kAtMost},
      {"==", HitCondition::Op::kEqual},   {">", HitCondition::Op::kMore},
      {"<", HitCondition::Op::kLess},     {"=", HitCondition::Op::kEqual},
      {"%", HitCondition::Op::kEvery}};
  for (const auto& [symbol, op] : kOperators) {
    if (text.compare(at, std::char_traits<char>::length(symbol), symbol) == 0) {
      condition.op = op;
      at += std::char_traits<char>::length(symbol);
      break;
    }
  }
  skipBlanks();
  if (at >= text.size() || !std::isdigit(static_cast<unsigned char>(text[at]))) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  condition.count = std::strtol(text.c_str() + at, &end, 10);
  if (errno != 0) return std::nullopt;
  at = static_cast<size_t>(end - text.c_str());
  skipBlanks();
  if (at != text.size()) return std::nullopt;
  if (condition.op == HitCondition::Op::kEvery && condition.count == 0) return std::nullopt;
  return condition;
}

std::optional<std::vector<LogPart>> ParseLogMessage(const std::string& message) {
  std::vector<LogPart> parts;
  std::string literal;
  for (size_t i = 0; i < message.size(); ++i) {
    char c = message[i];
    if ((c == '{' || c == '}') && i + 1 < message.size() && message[i + 1] == c) {
      literal += c;
      ++i;
    } else if (c == '{') {
      size_t close = message.find('}', i + 1);
      if (close == std::string::npos || close == i + 1) return std::nullopt;
      if (!literal.empty()) parts.push_back({false, literal});
      literal.clear();
      parts.push_back({true, message.substr(i + 1, close - i - 1)});
      i = close;
    } else if (c == '}') {
      return std::nullopt;
    } else {
      literal += c;
    }
  }
  if (!literal.empty()) parts.push_back({false, literal});
  return parts;
}

std::vector<BreakpointState> BreakpointManager::set(const std::string& path,
                                                    const std::vector<BreakpointSpec>& specs) {
  std::vector<BreakpointState>& current = bySource_[path];
  std::vector<BreakpointState> replaced;
  for (const BreakpointSpec& spec : specs) {
    BreakpointState state;
    // A breakpoint that stays on its line keeps its id and hit count.
    auto old = std::find_if(current.begin(), current.end(),
                            [&](const BreakpointState& b) { return b.spec.line == spec.line; });
    bool sameHits = old != current.end() && old->spec.hitCondition == spec.hitCondition;
    state.id = old != current.end() ? old->id : nextId_++;
    state.hits = sameHits ? old->hits : 0;
    state.path = path;
    state.spec = spec;
    state.message = "sent to the engine at the script's next stop";
    if (old != current.end()) old->spec.line = -1;  // taken; a second one on the line is new
    if (!spec.hitCondition.empty()) {
      state.hitCondition = ParseHitCondition(spec.hitCondition);
      if (!state.hitCondition) {
        state.valid = false;
        state.message = "bad hit condition: " + spec.hitCondition;
      }
    }
    if (!spec.logMessage.empty()) {
      std::optional<std::vector<LogPart>> parts = ParseLogMessage(spec.logMessage);
      state.isLogPoint = true;
      if (parts) {
        state.logParts = *parts;
      } else {
        state.valid = false;
        state.message = "bad log message (unbalanced braces): " + spec.logMessage;
      }
    }
    replaced.push_back(state);
  }
  for (const BreakpointState& old : current) {
    if (old.engineNumber > 0) stale_[path].push_back(old.engineNumber);
  }
  current = replaced;
  if (std::find(dirty_.begin(), dirty_.end(), path) == dirty_.end()) dirty_.push_back(path);
  return current;
}

namespace {
// Takes in where the engine stops for `state`: the next line that can, or
// nowhere; true when that changed anything.
bool Resolve(const BreakpointEngine& engine, BreakpointState& state) {
  if (!engine.resolve || state.engineNumber <= 0) return false;
  std::optional<BreakpointResolution> where = engine.resolve(state.engineNumber);
  if (!where || (where->resolvedLine == 0 && where->verified)) return false;
  const int line = where->verified ? where->resolvedLine : 0;
  if (line == state.resolvedLine && where->verified == state.verified) return false;
  state.resolvedLine = line;
  state.verified = where->verified;
  state.message = where->verified ? ""
                                  : "no line at or after line " + std::to_string(state.spec.line) +
                                        " of this file can stop";
  return true;
}
}  // namespace

std::vector<BreakpointState> BreakpointManager::resolve(const BreakpointEngine& engine) {
  std::vector<BreakpointState> changed;
  for (auto& [path, states] : bySource_) {
    for (BreakpointState& state : states) {
      if (state.verified && state.resolvedLine == 0 && Resolve(engine, state)) {
        changed.push_back(state);
      }
    }
  }
  return changed;
}

std::vector<BreakpointState> BreakpointManager::sync(const BreakpointEngine& engine) {
  std::vector<BreakpointState> changed;
  std::vector<std::string> sources;
  sources.swap(dirty_);
  for (const std::string& path : sources) {
    for (long number : stale_[path]) engine.remove(number);
    stale_.erase(path);
    for (BreakpointState& state : bySource_[path]) {
      if (!state.valid) {
        changed.push_back(state);
        continue;
      }
      state.engineNumber = engine.add(path, state.spec.line, state.spec.condition);
      state.verified = state.engineNumber > 0;
      state.resolvedLine = 0;
      state.message =
          state.verified ? "" : "the engine refused it (another breakpoint on this line)";
      if (state.verified) Resolve(engine, state);
      changed.push_back(state);
    }
  }
  return changed;
}

BreakpointManager BreakpointManager::forAnotherEngine() const {
  BreakpointManager copy;
  copy.nextId_ = nextId_;
  copy.bySource_ = bySource_;
  for (auto& [path, states] : copy.bySource_) {
    for (BreakpointState& state : states) {
      state.engineNumber = 0;
      state.verified = false;
      state.resolvedLine = 0;
      state.hits = 0;
    }
    copy.dirty_.push_back(path);
  }
  return copy;
}

void BreakpointManager::removeAll(const BreakpointEngine& engine) {
  for (const auto& [path, numbers] : stale_) {
    for (long number : numbers) engine.remove(number);
  }
  for (auto& [path, states] : bySource_) {
    for (BreakpointState& state : states) {
      if (state.engineNumber > 0) engine.remove(state.engineNumber);
      state.engineNumber = 0;
    }
  }
  bySource_.clear();
  dirty_.clear();
  stale_.clear();
}

namespace {
// The path with symbolic links resolved, as the engine compares paths; the
// path itself when it names nothing.
std::string RealPath(const std::string& path) {
  char* real = realpath(path.c_str(), nullptr);
  if (real == nullptr) return path;
  std::string result(real);
  free(real);
  return result;
}
}  // namespace

BreakpointState* BreakpointManager::at(const std::string& path, int line) {
  const std::string realPath = RealPath(path);
  for (auto& [source, states] : bySource_) {
    if (strcasecmp(source.c_str(), path.c_str()) != 0 &&
        strcasecmp(RealPath(source).c_str(), realPath.c_str()) != 0) {
      continue;
    }
    for (BreakpointState& state : states) {
      if ((state.spec.line == line || state.resolvedLine == line) && state.engineNumber > 0) {
        return &state;
      }
    }
  }
  return nullptr;
}

std::vector<BreakpointState> BreakpointManager::of(const std::string& path) const {
  auto found = bySource_.find(path);
  return found == bySource_.end() ? std::vector<BreakpointState>() : found->second;
}
