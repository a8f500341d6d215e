// Turns the checker's records into the protocol's diagnostics for one document.
#ifndef STYLEWARDEN_LS_DIAGNOSTICSMAPPER_H
#define STYLEWARDEN_LS_DIAGNOSTICSMAPPER_H

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "PositionConverter.h"
#include "StringUtils.h"
#include "StylesheetSyntaxError.h"

// The parser counts lines and columns from 1, columns in UTF-16 code units like the
// protocol. The result lies inside the text.
TextPosition ToTextPosition(const Location& location, const PositionConverter& converter);

// A Diagnostic object for each record, in the records' order. `text` is the text checked.
nlohmann::json ToDiagnostics(const std::vector<StylesheetSyntaxError>& errors,
                             const std::string& text);

#endif
