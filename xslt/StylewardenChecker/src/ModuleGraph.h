// The modules a stylesheet names with xsl:include and xsl:import, followed from file to
// file: each file once (by its real path), cycles and unreadable modules reported on the
// referencing element, never read twice nor followed forever.
#ifndef STYLEWARDEN_MODULEGRAPH_H
#define STYLEWARDEN_MODULEGRAPH_H

#include <string>
#include <unordered_map>
#include <vector>

#include "ModuleReference.h"
#include "StylesheetSyntaxChecker.h"
#include "StylesheetSyntaxError.h"

// Where a module reference leads.
struct ModuleTarget {
  // The including file's folder joined with the reference, as reports show it.
  std::string path;
  // The real path of the file, the same for each of its names.
  std::string identity;
  // Why the reference is not followed, as the end of a record's message; empty when it is.
  std::wstring problem;
  // A reference to a part of the including document itself (href="#id"): nothing to follow.
  bool sameDocument = false;
};

// Resolves `href` against the including file's path: a relative path or a local file URI
// (percent escapes decoded, a fragment dropped) naming a regular file.
ModuleTarget ResolveModule(const std::string& includerPath, const std::wstring& href);

// The real path of a file, or, for one that does not exist, its absolute path.
std::string FileIdentity(const std::string& path);

// Checks a module file read whole (regular files only, so that a FIFO never blocks), its
// records as a check of the same file gives them; `package` tells whether its document
// element is xsl:package. False when the check could not complete; `records` then holds the
// one record saying why.
bool CheckModuleFile(StylesheetSyntaxChecker& checker, const std::string& path,
                     std::vector<StylesheetSyntaxError>& records,
                     std::vector<ModuleReference>& references, bool& package);

// Puts the record among `records` by its start, after those that start no later, keeping
// the order of the others.
void InsertRecordInOrder(std::vector<StylesheetSyntaxError>& records, StylesheetSyntaxError record);

class ModuleGraph {
 public:
  struct Node {
    std::string path;
    std::string identity;
    std::vector<StylesheetSyntaxError> records;
    std::vector<ModuleReference> references;
    // Per reference: the node it leads to, or -1 (its record is in `records`).
    std::vector<int> targets;
    bool checked = false;
    // A package may be used (xsl:use-package), not included or imported.
    bool package = false;
  };

  // The node of the file, added unchecked when the graph does not hold it yet.
  int add(const std::string& path, const std::string& identity);
  // After node i is checked (its records and references filled): leads each reference to
  // its node, adding the new ones, or gives it its record on node i.
  void link(int i);
  // The nodes reachable from the roots, depth first in reference order, each once; a
  // reference back to a node on the current path gets its cycle record, and one to a package
  // its record, as does an xsl:use-package in a module reached through xsl:import. Records of
  // the references join their node's in document order.
  std::vector<int> order(const std::vector<int>& roots);
  // The first node reachable from `from` (itself included) that has a record, or -1.
  int firstWithRecords(int from) const;

  std::vector<Node>& nodes() { return m_nodes; }
  const std::vector<Node>& nodes() const { return m_nodes; }

 private:
  // Gives each xsl:use-package of a module reached through an xsl:import its record.
  void markImportedPackageUses(const std::vector<int>& roots);

  std::vector<Node> m_nodes;
  std::unordered_map<std::string, int> m_byIdentity;
};

#endif
