// Default state file lookup.
#include "StateFileLocation.h"

#include <unistd.h>

#include <cstdio>

namespace {

// The build says where the install puts the state file relative to the program.
#ifdef STYLEWARDEN_INSTALLED_STATE_FILE
const char kInstalledRelativePath[] = STYLEWARDEN_INSTALLED_STATE_FILE;
#else
const char kInstalledRelativePath[] = "../share/stylewarden/xslt10-states.xml";
#endif

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

bool IsReadable(const std::string& path) { return ::access(path.c_str(), R_OK) == 0; }

}  // namespace

std::vector<std::string> DefaultStateFileCandidates(const std::string& programPath) {
  std::vector<std::string> candidates{FolderOf(programPath) + "/" + kInstalledRelativePath};
#ifdef STYLEWARDEN_SOURCE_STATE_FILE
  candidates.emplace_back(STYLEWARDEN_SOURCE_STATE_FILE);
#endif
  return candidates;
}

std::string DefaultStateFile(const std::string& programPath) {
  const std::vector<std::string> candidates = DefaultStateFileCandidates(programPath);
  for (const std::string& candidate : candidates) {
    if (IsReadable(candidate)) {
      return candidate;
    }
  }
  return candidates.front();
}

std::string RunningProgramPath(const char* argv0) {
  char buffer[4096];
  const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (length > 0) {
    return std::string(buffer, static_cast<std::size_t>(length));
  }
  return argv0 == nullptr ? std::string() : std::string(argv0);
}
