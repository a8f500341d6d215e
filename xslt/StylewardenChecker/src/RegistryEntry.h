// Checked access to the three state registries. The preconditions hold for every state
// machine that passed the consistency check, so a violation is an internal error; it is
// checked in every build, since an unchecked index would read outside the registry.
#ifndef STYLEWARDEN_REGISTRYENTRY_H
#define STYLEWARDEN_REGISTRYENTRY_H

#include <cstdio>
#include <cstdlib>
#include <vector>

[[noreturn]] inline void FailRegistryPrecondition(const char* condition) {
  std::fprintf(stderr, "stylewarden: internal error: assertion failed: %s\n", condition);
  std::abort();
}

// Returns the entry at `index`; `inRange` and `constructed` name the two conditions in the
// message of a violation.
template <typename Entry>
const Entry& RegistryEntry(const std::vector<Entry>& registry, int index, const char* inRange,
                           const char* constructed) {
  if (index < 0 || static_cast<std::size_t>(index) >= registry.size()) {
    FailRegistryPrecondition(inRange);
  }
  const Entry& entry = registry[static_cast<std::size_t>(index)];
  if (!entry.wasCorrectlyConstructed()) {
    FailRegistryPrecondition(constructed);
  }
  return entry;
}

#endif  // STYLEWARDEN_REGISTRYENTRY_H
