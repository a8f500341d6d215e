// A module that a stylesheet names with a top-level xsl:include or xsl:import, or a package
// it uses with xsl:use-package.
#ifndef STYLEWARDEN_MODULEREFERENCE_H
#define STYLEWARDEN_MODULEREFERENCE_H

#include <string>

#include "StylesheetSyntaxError.h"

enum class ModuleKind { kInclude, kImport, kUsePackage };

struct ModuleReference {
  // The href attribute as written; for xsl:use-package, the package's name.
  std::wstring href;
  // The start tag of the referencing element, where a record about the module goes.
  Location start;
  Location end;
  ModuleKind kind = ModuleKind::kInclude;
};

#endif
