// Many stylesheets in one run: files and directory trees, checked in parallel, reported in
// the order given as prefixed record lines or as one SARIF log.
#ifndef STYLEWARDEN_BATCHRUN_H
#define STYLEWARDEN_BATCHRUN_H

#include <ostream>
#include <string>
#include <vector>

#include "StylesheetSyntaxError.h"

struct BatchOptions {
  // Files are checked whatever their name; directories are walked for .xsl and .xslt files.
  std::vector<std::string> paths;
  // Checks at the same time; 0 means one per core.
  unsigned jobs = 0;
  bool sarif = false;
  // Follows each file's xsl:include and xsl:import modules and checks each file reached once.
  bool modules = false;
};

// The exit statuses of a run.
enum BatchStatus { kBatchClean = 0, kBatchFindings = 4 };

struct FileRecords {
  std::string path;
  std::vector<StylesheetSyntaxError> records;
};

// The files a run checks, in order: each path as given, each directory's entries sorted by
// name, recursing (symbolic links to directories are not followed). A directory that cannot
// be read is reported as a code 3 record of its own.
std::vector<FileRecords> CollectFiles(const std::vector<std::string>& paths);

// Checks and writes the report; the state tables must be loaded. Lines are written as soon
// as every earlier file is done: "<path>: <record>". With `modules`, each file is followed
// by the modules it reaches that no earlier file reached, and the report is written once
// every file is checked.
BatchStatus RunBatch(const BatchOptions& options, std::ostream& out);

#endif
