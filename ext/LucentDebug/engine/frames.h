// Frames, source, scope selection and evaluation while the script is stopped.
#ifndef LUCENTDEBUG_FRAMES_H
#define LUCENTDEBUG_FRAMES_H

#include <string>
#include <vector>

#include "debug_records.h"
#include "scope_record.h"

constexpr size_t kFrameTextSize = 255;

extern "C" {
unsigned short luGetNumFrames();
// Frame 0 is the outermost call site, frame <call depth> the current
// statement. Buffers hold kFrameTextSize bytes. False when there is no such frame.
bool luGetFrameInfo(int frame, char* fileBuffer, int* line, char* functionBuffer);
int luGetPrecision();
}

const std::vector<ScopeRecord>& luGetBackTrace();
// Reads the whole file named by a URL or path; false when it cannot be read.
bool luGetSourceCode(const char* fileUrl, std::string* source);
// "globals" in any case: the script's top level; otherwise depth 0 is the
// current statement, 1 its caller, and beyond the outermost call the current one.
const ScopeRecord& luGetActiveSymbolTable(const char* context, short depth);

// Evaluates the expression in the scope's variables; 0 on success, 1 on failure.
int luEval(PropertyInfo* out, const char* expression, const ScopeRecord& scope, int translate);
int luEvalGetChildren(PropertyInfoVector* out, const char* expression, const ScopeRecord& scope);
// One entry per variable of the scope, then per static variable of its function.
void luGetContext(PropertyInfoVector* out, const ScopeRecord& scope);

#endif  // LUCENTDEBUG_FRAMES_H
