// The checker facade: starts the XML library with the state tables, and checks one
// stylesheet at a time from a file or from memory.
#ifndef STYLEWARDEN_STYLESHEETSYNTAXCHECKER_H
#define STYLEWARDEN_STYLESHEETSYNTAXCHECKER_H

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>
#include <xercesc/framework/XMLPScanToken.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>

#include "ModuleReference.h"
#include "StylesheetSyntaxError.h"

// What may end a check before its document does; by default nothing.
struct CheckLimits {
  // Set from another thread to abandon the check in progress.
  const std::atomic<bool>* cancelled = nullptr;
  std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max();
};

// Every check builds its own reader and handler, so that nothing of one check (its records,
// its forwards-compatible mode) can reach the next. Checkers on different threads may run
// at the same time: the state tables are only read.
class StylesheetSyntaxChecker {
 public:
  // Starts the XML library and builds the state tables from the state file; true on
  // success. With `verbose`, start-up diagnostics go to standard error. A state file that
  // is not a regular file (a FIFO, a device) is refused without reading it. A folder instead
  // of a file holds a set of state files (every "*-states.xml" in it, each naming the XSLT
  // version it describes): each stylesheet is then checked by the one for its version.
  static bool initialize(const std::string& stateFile, bool verbose);
  // Shuts the XML library down.
  static void finalize();

  void setLimits(const CheckLimits& limits) { m_limits = limits; }

  // Each check replaces `errors` with the records found and returns true, or returns false,
  // leaving `errors` alone, when it could not complete: the XML library raised an exception,
  // memory ran out, or a limit ended it. getCheckFailure() then tells why.
  bool getStylesheetSyntaxErrorsFromFile(const std::string& fileName,
                                         std::vector<StylesheetSyntaxError>& errors);
  // The bytes are parsed as a file holding them would be; their encoding is detected.
  // With `utf8Text` they are UTF-8 whatever the encoding declaration says: text that an
  // editor has already decoded. Relative references (the DTD, external entities) resolve
  // against `systemId`, the document's own location, when one is given.
  bool getStylesheetSyntaxErrorsFromBuffer(const char* buffer, std::size_t length,
                                           std::vector<StylesheetSyntaxError>& errors,
                                           bool utf8Text = false,
                                           const std::string& systemId = std::string());

  // After a check that returned false: a code 3 record saying that the check could not
  // complete and why, so that a failed check is never shown as a clean one. After a check
  // that completed: a code 0 record.
  const StylesheetSyntaxError& getCheckFailure() const { return m_checkFailure; }
  // After a check that completed: the modules its stylesheet names with top-level
  // xsl:include and xsl:import and the packages it uses, in document order; after one that
  // failed, none.
  const std::vector<ModuleReference>& getModuleReferences() const { return m_modules; }
  // After a check that completed: whether the document element is xsl:package.
  bool checkedPackage() const { return m_package; }

 private:
  static bool loadStateFileSet(const std::string& folder, bool verbose);
  // Starts the reader on the document: its parseFirst.
  using StartParse = std::function<bool(xercesc::SAX2XMLReader&, xercesc::XMLPScanToken&)>;
  bool check(const StartParse& start, std::vector<StylesheetSyntaxError>& errors);
  void noteFailure(const std::wstring& reason);

  CheckLimits m_limits;
  StylesheetSyntaxError m_checkFailure;
  std::vector<ModuleReference> m_modules;
  bool m_package = false;
};

#endif
