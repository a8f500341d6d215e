// A module that a stylesheet names with a top-level xsl:include or xsl:import.
#ifndef STYLEWARDEN_MODULEREFERENCE_H
#define STYLEWARDEN_MODULEREFERENCE_H

#include <string>

#include "StylesheetSyntaxError.h"

struct ModuleReference {
  // The href attribute as written.
  std::wstring href;
  // The start tag of the referencing element, where a record about the module goes.
  Location start;
  Location end;
};

#endif
