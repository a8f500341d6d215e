// The finding record of a stylesheet check and the one-line form in which it is printed.
#ifndef STYLEWARDEN_STYLESHEETSYNTAXERROR_H
#define STYLEWARDEN_STYLESHEETSYNTAXERROR_H

#include <cstdint>
#include <ostream>
#include <string>

// A position as the parser's document locator reports it; both counts start at 1.
struct Location {
  std::int32_t line = 0;
  std::int32_t column = 0;
};

// The numeric values are part of the output format.
enum StylesheetSyntaxErrorCode {
  SYNTAXERROR_NONE = 0,
  SYNTAXERROR_XML_WARNING = 1,
  SYNTAXERROR_XML_ERROR = 2,
  SYNTAXERROR_XML_FATAL_ERROR = 3,
  SYNTAXERROR_ELEMENT_NOT_VALID = 4,
  SYNTAXERROR_MISSING_CHILD_ELEMENT = 5,
  SYNTAXERROR_MISSING_REQUIRED_ATTRIBUTE = 6,
  SYNTAXERROR_ATTRIBUTE_NOT_ALLOWED = 7,
  SYNTAXERROR_ATTRIBUTE_VALUE_NOT_ALLOWED = 8,
  SYNTAXERROR_TEXT_NOT_ALLOWED = 9
};

enum StylesheetSyntaxErrorSeverity { SEVERITY_ERROR = 0, SEVERITY_WARNING = 1 };

class StylesheetSyntaxError {
 public:
  // Presets code 0 and severity 0 for records that are filled by assignment.
  StylesheetSyntaxError() = default;
  StylesheetSyntaxError(StylesheetSyntaxErrorCode code, StylesheetSyntaxErrorSeverity severity,
                        std::wstring message, Location start, Location end);

  StylesheetSyntaxErrorCode m_code = SYNTAXERROR_NONE;
  StylesheetSyntaxErrorSeverity m_severity = SEVERITY_ERROR;
  std::wstring m_message;
  Location m_start;
  Location m_end;
};

// Writes the record as one line without its line end (control characters of the message
// escaped as \n, \r, \t or \uXXXX):
// Error #: """message""" [code] @ (line, column) => (line, column)
// The message is transcoded to the platform's native encoding, so the XML platform must be
// initialised.
std::ostream& operator<<(std::ostream& out, const StylesheetSyntaxError& error);

#endif
