// The findings of a run as a SARIF 2.1.0 log, the format code-scanning tools read.
#ifndef STYLEWARDEN_SARIFREPORT_H
#define STYLEWARDEN_SARIFREPORT_H

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "BatchRun.h"

// A path as a URI reference: relative paths stay relative, absolute ones become file URIs;
// bytes other than unreserved characters and "/" are percent-encoded.
std::string ArtifactUri(const std::string& path);

// One run whose driver lists a rule for each record code 1 to 9 (ids "SW1" to "SW9") and
// one result per record, with 1-based lines and UTF-16 columns as the records count them.
nlohmann::json SarifLog(const std::vector<FileRecords>& files);

#endif
