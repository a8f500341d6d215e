// Checks made before a launch starts the script: that php runs, loads the
// extension and compiles the program, so that a launch that cannot work
// fails at once with the reason instead of as a handshake that never comes.
#ifndef LUCENTDEBUG_DAP_LAUNCH_PROBE_H
#define LUCENTDEBUG_DAP_LAUNCH_PROBE_H

#include <string>
#include <vector>

#include "php_process.h"

struct LaunchProbe {
  ProcessSpec php;         // runtime and runtimeArgs, the environment and folder of the launch
  std::string extension;   // as given to -d extension=
  std::string program;     // absolute path of the script
  int timeLimitMs = 5000;  // per php run
};

// Two short php runs that execute none of the program: one that loads the
// extension with debugging off and says whether its functions are there,
// and `php -l`.
// False with `error` set when a check fails. A runtime that does not answer
// like php (a wrapper that waits, say) within the time limit is not judged.
bool ProbeLaunch(const LaunchProbe& probe, std::string& error);

#endif  // LUCENTDEBUG_DAP_LAUNCH_PROBE_H
