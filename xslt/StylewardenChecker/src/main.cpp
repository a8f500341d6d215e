// stylewarden: checks XSLT stylesheets, one from a file or from standard input, or many
// files and directory trees, against the state machine of a state file and prints one line
// per finding (or, with --sarif, one SARIF log).
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "BatchRun.h"
#include "ShippedStates.h"
#include "StylesheetSyntaxChecker.h"

namespace {

// Every byte up to the end of the input is data, NUL and 0xFF included.
std::vector<char> ReadAll(std::FILE* input) {
  std::vector<char> bytes;
  char chunk[65536];
  std::size_t count;
  while ((count = std::fread(chunk, 1, sizeof chunk, input)) > 0) {
    bytes.insert(bytes.end(), chunk, chunk + count);
  }
  return bytes;
}

// Printed when memory runs out outside the facade (reading standard input, printing); a
// literal, since nothing more can be allocated.
const char kOutOfMemoryRecord[] =
    "Error #: \"\"\"The check could not complete: out of memory\"\"\" [3] @ (1, 1) => (1, 1)\n";

const char kUsage[] = "Stylewarden:\n\t<state file>\n\t<XML file>\n";
const char kOptions[] =
    "usage: stylewarden [--jobs N] [--sarif] [--modules] <state file> | --shipped [PATH...]\n"
    "  PATH       a stylesheet, or a directory searched for .xsl and .xslt files\n"
    "  <state file> may be a folder of state files: each stylesheet by its version's\n"
    "  --shipped  the state files shipped with the program, one per XSLT version\n"
    "  --jobs N   checks at the same time (default: one per core)\n"
    "  --sarif    write one SARIF 2.1.0 log instead of record lines\n"
    "  --modules  also check the modules each file includes or imports, each file once\n";

// The command line: options anywhere before "--", the rest in order.
struct CommandLine {
  // A state file, or a folder of state files (one per XSLT version).
  std::string stateFile;
  BatchOptions batch;
};

bool ParseCommandLine(int argc, char** argv, CommandLine& line) {
  std::vector<std::string> positional;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (optionsEnded || argument.size() < 2 || argument.compare(0, 2, "--") != 0) {
      positional.push_back(argument);
    } else if (argument == "--") {
      optionsEnded = true;
    } else if (argument == "--sarif") {
      line.batch.sarif = true;
    } else if (argument == "--modules") {
      line.batch.modules = true;
    } else if (argument == "--shipped") {
      // The state files shipped with the program stand for the state file argument.
      line.stateFile = ShippedStateFolder(RunningProgramPath(argv[0]));
    } else if (argument == "--jobs" || argument.compare(0, 7, "--jobs=") == 0) {
      std::string value = argument.size() > 6 ? argument.substr(7) : "";
      if (argument == "--jobs") {
        if (i + 1 == argc) {
          return false;
        }
        value = argv[++i];
      }
      char* end = nullptr;
      const long jobs = std::strtol(value.c_str(), &end, 10);
      if (value.empty() || *end != 0 || jobs < 1 || jobs > 1024) {
        return false;
      }
      line.batch.jobs = static_cast<unsigned>(jobs);
    } else {
      return false;
    }
  }
  if (line.stateFile.empty()) {
    if (positional.empty()) {
      return false;
    }
    line.stateFile = positional.front();
    positional.erase(positional.begin());
  }
  line.batch.paths = positional;
  return true;
}

// The form of one stylesheet (or standard input) without --sarif or --modules prints its records as
// they always were, without the file's name.
bool IsSingleCheck(const BatchOptions& batch) {
  std::error_code ignored;
  return !batch.sarif && !batch.modules &&
         (batch.paths.empty() || (batch.paths.size() == 1 &&
                                  !std::filesystem::is_directory(batch.paths.front(), ignored)));
}

// Checks the stylesheet and prints its records, or the one record saying why the check
// could not complete.
void CheckAndPrint(const std::vector<std::string>& paths) {
  StylesheetSyntaxChecker checker;
  std::vector<StylesheetSyntaxError> errors;
  bool checked;
  if (paths.empty()) {
    const std::vector<char> stylesheet = ReadAll(stdin);
    checked =
        checker.getStylesheetSyntaxErrorsFromBuffer(stylesheet.data(), stylesheet.size(), errors);
  } else {
    checked = checker.getStylesheetSyntaxErrorsFromFile(paths.front(), errors);
  }
  if (checked) {
    for (const StylesheetSyntaxError& error : errors) {
      std::cout << error << '\n';
    }
  } else {
    std::cout << checker.getCheckFailure() << '\n';
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cout << kUsage;
    return 1;
  }
  CommandLine line;
  // A report that names files needs files: standard input has no name, nor a folder that
  // its modules' references could be resolved against.
  if (!ParseCommandLine(argc, argv, line) ||
      ((line.batch.sarif || line.batch.modules) && line.batch.paths.empty())) {
    std::cerr << kOptions;
    return 1;
  }
  if (!StylesheetSyntaxChecker::initialize(line.stateFile, true)) {
    std::cout << "Bad initialization\n";
    return 3;
  }

  int status = 0;
  try {
    if (IsSingleCheck(line.batch)) {
      CheckAndPrint(line.batch.paths);
    } else {
      status = RunBatch(line.batch, std::cout);
    }
  } catch (const std::bad_alloc&) {
    std::cout.flush();
    std::fputs(kOutOfMemoryRecord, stdout);
  }
  std::cout.flush();
  StylesheetSyntaxChecker::finalize();
  return status;
}
