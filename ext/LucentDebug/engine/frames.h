// Frames, source and scope selection while the script is stopped.
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
int luGetPrecision();  // kept for callers of the engine; values read EG(precision)
}

// Kept for callers of the engine: the frames view while stopped, outermost first.
const std::vector<ScopeRecord>& luGetBackTrace();
// The frames view of the current stop, built from the host's live chain on
// first use.
const std::vector<ScopeRecord>& luFrames();
// Sets the frames view to be built from the host's live chain as it is now;
// the statement stands for the line of statementFrame when given, otherwise
// each frame's own instruction.
void luBuildFrames(const zend_execute_data* statementFrame, const zend_op* statement);
void luReleaseFrames();
// Depth of the live chain from a frame that runs user code: the frames view
// built there would hold depth + 1 frames. Counting ends past `limit`.
int luChainDepth(zend_execute_data* frame, int limit);
// True when `ancestor`, running `function`, is on the live chain above frame:
// frame runs inside a call it made. Costs the distance between them when it
// is, the depth of frame when it is not.
bool luCalledFrom(zend_execute_data* frame, const zend_execute_data* ancestor,
                  const zend_function* function);
// True when frame or a frame above it on the live chain runs opArray.
bool luRunsAbove(const zend_execute_data* frame, const zend_op_array* opArray);
// Reads the whole file named by a URL or path; false when it cannot be read.
bool luGetSourceCode(const char* fileUrl, std::string* source);
// "globals" in any case: the script's top level; otherwise depth 0 is the
// current statement, 1 its caller, and beyond the outermost call the current one.
const ScopeRecord& luGetActiveSymbolTable(const char* context, short depth);

#endif  // LUCENTDEBUG_FRAMES_H
