// Fuzz target: arbitrary bytes checked as a stylesheet held in memory, against the shipped
// XSLT 1.0 state file, and every record printed.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "StylesheetSyntaxChecker.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (!StylesheetSyntaxChecker::initialize(STYLEWARDEN_SHIPPED_STATES, true)) {
    std::fprintf(stderr, "cannot load %s\n", STYLEWARDEN_SHIPPED_STATES);
    std::abort();
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  StylesheetSyntaxChecker checker;
  std::vector<StylesheetSyntaxError> errors;
  if (checker.getStylesheetSyntaxErrorsFromBuffer(reinterpret_cast<const char*>(data), size,
                                                  errors)) {
    std::ostringstream out;
    for (const StylesheetSyntaxError& error : errors) {
      out << error << '\n';
    }
  }
  return 0;
}
