// Where the state files shipped with the program are: the installed share folder beside the
// program, else the data folder of the source tree it was built from.
#ifndef STYLEWARDEN_SHIPPEDSTATES_H
#define STYLEWARDEN_SHIPPEDSTATES_H

#include <string>

// The folder holding the shipped state files (xslt10-states.xml and the later versions'),
// for the program at `programPath`: `<program folder>/../share/stylewarden` when the files
// are installed there, else the source tree's data folder.
std::string ShippedStateFolder(const std::string& programPath);

// The running program's own path, from the system when it can say, else `argv0`.
std::string RunningProgramPath(const char* argv0);

#endif  // STYLEWARDEN_SHIPPEDSTATES_H
