// Where the shipped state file is when no one names another: beside an installed program,
// or in the source tree the program was built from.
#ifndef STYLEWARDEN_LS_STATEFILELOCATION_H
#define STYLEWARDEN_LS_STATEFILELOCATION_H

#include <string>
#include <vector>

// The places to look, in order: `<program folder>/../share/stylewarden/xslt10-states.xml`,
// then the source tree's data file when the build recorded one.
std::vector<std::string> DefaultStateFileCandidates(const std::string& programPath);

// The first candidate that exists, or the first candidate when none does (its load then
// fails with a message that names it).
std::string DefaultStateFile(const std::string& programPath);

// The running program's own path, from the system when it can say, else `argv0`.
std::string RunningProgramPath(const char* argv0);

#endif
