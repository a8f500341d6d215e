// Shipped state folder lookup.
#include "ShippedStates.h"

#include <unistd.h>

namespace {

// The build says where the install puts the state files relative to the program.
#ifdef STYLEWARDEN_INSTALLED_STATES_DIR
const char kInstalledRelativeFolder[] = STYLEWARDEN_INSTALLED_STATES_DIR;
#else
const char kInstalledRelativeFolder[] = "../share/stylewarden";
#endif

}  // namespace

std::string ShippedStateFolder(const std::string& programPath) {
  const std::size_t slash = programPath.rfind('/');
  const std::string programFolder =
      slash == std::string::npos ? std::string(".") : programPath.substr(0, slash);
  const std::string installed = programFolder + "/" + kInstalledRelativeFolder;
  if (::access((installed + "/xslt10-states.xml").c_str(), R_OK) == 0) {
    return installed;
  }
#ifdef STYLEWARDEN_SOURCE_STATES_DIR
  return STYLEWARDEN_SOURCE_STATES_DIR;
#else
  return installed;
#endif
}

std::string RunningProgramPath(const char* argv0) {
  char buffer[4096];
  const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (length > 0) return std::string(buffer, static_cast<std::size_t>(length));
  return argv0 == nullptr ? std::string() : std::string(argv0);
}
