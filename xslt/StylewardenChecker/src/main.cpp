// stylewarden: checks one XSLT stylesheet, from a file or from standard input, against the
// state machine of a state file and prints one line per finding.
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "ShippedStates.h"
#include "StylesheetSyntaxChecker.h"

namespace {

std::string RunningProgram(const char* argv0) {
  char buffer[4096];
  const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return length > 0 ? std::string(buffer, static_cast<std::size_t>(length)) : std::string(argv0);
}

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

// Checks the stylesheet and prints its records, or the one record saying why the check
// could not complete.
void CheckAndPrint(int argc, char** argv) {
  StylesheetSyntaxChecker checker;
  std::vector<StylesheetSyntaxError> errors;
  bool checked;
  if (argc == 2) {
    const std::vector<char> stylesheet = ReadAll(stdin);
    checked =
        checker.getStylesheetSyntaxErrorsFromBuffer(stylesheet.data(), stylesheet.size(), errors);
  } else {
    checked = checker.getStylesheetSyntaxErrorsFromFile(argv[2], errors);
  }
  if (checked) {
    for (const StylesheetSyntaxError& error : errors) {
      std::cout << error << '\n';
    }
  } else {
    std::cout << StylesheetSyntaxChecker::getCheckFailure() << '\n';
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cout << "Stylewarden:\n"
              << "\t<state file>\n"
              << "\t<XML file>\n";
    return 1;
  }
  // --shipped: the state files shipped with the program, one per XSLT version.
  const std::string states = std::string(argv[1]) == "--shipped"
                                 ? ShippedStateFolder(RunningProgram(argv[0]))
                                 : std::string(argv[1]);
  if (!StylesheetSyntaxChecker::initialize(states, true)) {
    std::cout << "Bad initialization\n";
    return 3;
  }

  try {
    CheckAndPrint(argc, argv);
  } catch (const std::bad_alloc&) {
    std::cout.flush();
    std::fputs(kOutOfMemoryRecord, stdout);
  }
  std::cout.flush();
  StylesheetSyntaxChecker::finalize();
  return 0;
}
