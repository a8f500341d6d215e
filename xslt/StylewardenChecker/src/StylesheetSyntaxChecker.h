// The checker facade: starts the XML library with the state tables, and checks one
// stylesheet at a time from a file or from memory.
#ifndef STYLEWARDEN_STYLESHEETSYNTAXCHECKER_H
#define STYLEWARDEN_STYLESHEETSYNTAXCHECKER_H

#include <cstddef>
#include <memory>
#include <string>
#include <vector>
#include <xercesc/sax2/SAX2XMLReader.hpp>

#include "StylesheetSyntaxError.h"
#include "StylesheetSyntaxHandler.h"

class StylesheetSyntaxChecker {
 public:
  // Starts the XML library and builds the state tables from the state file; true on
  // success. With `verbose`, start-up diagnostics go to standard error. A folder instead of
  // a file holds a set of state files (every "*-states.xml" in it, each naming the XSLT
  // version it describes): each stylesheet is then checked by the one for its version.
  static bool initialize(const std::string& stateFile, bool verbose);
  // Shuts the XML library down.
  static void finalize();

  // Each check replaces `errors` with the records found and returns true, or returns false,
  // leaving `errors` alone, when it could not complete: the XML library raised an exception
  // or memory ran out. getCheckFailure() then tells why.
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
  static const StylesheetSyntaxError& getCheckFailure() { return m_checkFailure; }

 private:
  static void initializeParser();
  static bool loadStateFileSet(const std::string& folder, bool verbose);
  // Ends a check: destroys the reader and either copies the records or notes the failure.
  static bool finishCheck(bool parsed, const std::wstring& reason,
                          std::vector<StylesheetSyntaxError>& errors);

  // The reader of the check in progress; a fresh one serves each check.
  static std::unique_ptr<xercesc::SAX2XMLReader> m_parser;
  static StylesheetSyntaxHandler m_stylesheetSyntaxHandler;
  static StylesheetSyntaxError m_checkFailure;
};

#endif
