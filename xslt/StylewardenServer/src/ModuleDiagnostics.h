// What an open document gets for the modules it includes or imports: each referencing
// element whose module, or a module reached from it, has a record carries one diagnostic
// with the first such record; a reference that cannot be read or closes a cycle carries its
// record. Modules are read from disk; a module's records are kept until its file changes.
#ifndef STYLEWARDEN_LS_MODULEDIAGNOSTICS_H
#define STYLEWARDEN_LS_MODULEDIAGNOSTICS_H

#include <string>
#include <unordered_map>
#include <vector>

#include "ModuleReference.h"
#include "StylesheetSyntaxChecker.h"
#include "StylesheetSyntaxError.h"

class ModuleDiagnostics {
 public:
  // Adds the records of the document's references to `records`, in document order.
  // `documentPath` is the document's file, against which the references resolve.
  void addRecords(StylesheetSyntaxChecker& checker, const std::string& documentPath,
                  const std::vector<ModuleReference>& references,
                  std::vector<StylesheetSyntaxError>& records);

 private:
  struct CheckedModule {
    // The file's device, inode, size and change times when it was checked.
    std::vector<long long> stamp;
    std::vector<StylesheetSyntaxError> records;
    std::vector<ModuleReference> references;
    bool package = false;
  };
  // Checks the module, or takes its records from the cache while its file is unchanged.
  void checkModule(StylesheetSyntaxChecker& checker, const std::string& path,
                   const std::string& identity, std::vector<StylesheetSyntaxError>& records,
                   std::vector<ModuleReference>& references, bool& package);

  std::unordered_map<std::string, CheckedModule> m_cache;
};

#endif
