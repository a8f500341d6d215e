// Frames, source and scope selection while the script is stopped; frames and
// scopes come from the host's live chain of frames, read at each stop.
#include "frames.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "breakpoints.h"
#include "php_lucentdebug.h"
#include "string_utils.h"

extern "C" {
#include "zend_generators.h"
}

namespace {

bool RunsUserCode(const zend_execute_data* frame) {
  return frame->func != nullptr && ZEND_USER_CODE(frame->func->common.type);
}

// The caller of a frame. A generator delegated to by "yield from" links to a
// placeholder that the host resolves into the chain of delegating generators.
zend_execute_data* Caller(const zend_execute_data* frame) {
  zend_execute_data* caller = frame->prev_execute_data;
  return caller != nullptr ? zend_generator_check_placeholder_frame(caller) : nullptr;
}

ScopeRecord RecordOf(zend_execute_data* frame, const zend_op* opline) {
  ScopeRecord record;
  record.opArray = &frame->func->op_array;
  record.opline = opline;
  record.executeData = frame;
  // Function names are interned and outlive the stop.
  record.functionName = record.opArray->function_name != nullptr
                            ? ZSTR_VAL(record.opArray->function_name)
                            : "__main__";
  return record;
}

const ScopeRecord kNoScope;

}  // namespace

namespace {

// The stop whose frames view is built on first use: a stop costs nothing in
// proportion to the depth of the chain unless a view asks for its frames.
struct PendingView {
  zend_execute_data* innermost = nullptr;  // EG(current_execute_data) at the stop
  const zend_execute_data* statementFrame = nullptr;
  const zend_op* statement = nullptr;
  bool pending = false;
};
PendingView pendingView;

// Every user frame on the chain is a call site or the current statement. A
// stop inside a host function (a warning, trigger_error, "ludbg_break")
// shows the calling user frame once, at the call. Host functions (callbacks'
// callers, Fiber::resume, Generator::next) show through the user frames
// around them.
void BuildFrames(const PendingView& view) {
  std::vector<ScopeRecord>& frames = LUDBG_G(frames);
  frames.clear();
  for (zend_execute_data* frame = view.innermost; frame != nullptr; frame = Caller(frame)) {
    if (!RunsUserCode(frame)) continue;
    bool atStatement = frame == view.statementFrame && view.statement != nullptr;
    frames.push_back(RecordOf(frame, atStatement ? view.statement : frame->opline));
  }
  std::reverse(frames.begin(), frames.end());
}

}  // namespace

const std::vector<ScopeRecord>& luFrames() {
  if (pendingView.pending) {
    pendingView.pending = false;
    BuildFrames(pendingView);
  }
  return LUDBG_G(frames);
}

void luBuildFrames(const zend_execute_data* statementFrame, const zend_op* statement) {
  LUDBG_G(frames).clear();
  pendingView = PendingView{EG(current_execute_data), statementFrame, statement, true};
}

void luReleaseFrames() {
  pendingView = PendingView();
  LUDBG_G(frames).clear();
}

int luChainDepth(zend_execute_data* frame, int limit) {
  int depth = -1;
  for (; frame != nullptr && depth <= limit; frame = Caller(frame)) {
    if (RunsUserCode(frame)) ++depth;
  }
  return depth;
}

bool luCalledFrom(zend_execute_data* frame, const zend_execute_data* ancestor,
                  const zend_function* function) {
  for (frame = Caller(frame); frame != nullptr; frame = Caller(frame)) {
    if (frame == ancestor && frame->func == function) return true;
  }
  return false;
}

bool luRunsAbove(const zend_execute_data* frame, const zend_op_array* opArray) {
  for (auto* at = const_cast<zend_execute_data*>(frame); at != nullptr; at = Caller(at)) {
    if (RunsUserCode(at) && at->func->op_array.opcodes == opArray->opcodes) return true;
  }
  return false;
}

extern "C" unsigned short luGetNumFrames() {
  return static_cast<unsigned short>(luFrames().size());
}

extern "C" bool luGetFrameInfo(int frame, char* fileBuffer, int* line, char* functionBuffer) {
  const std::vector<ScopeRecord>& frames = luFrames();
  if (frame < 0 || static_cast<size_t>(frame) >= frames.size()) return false;
  const ScopeRecord& record = frames[static_cast<size_t>(frame)];
  CopyBounded(functionBuffer, record.functionName != nullptr ? record.functionName : "",
              kFrameTextSize);
  *line = record.opline != nullptr ? static_cast<int>(record.opline->lineno) : 0;
  const char* file = "";
  if (record.opArray != nullptr && record.opArray->filename != nullptr) {
    file = luCreateFileURI(ZSTR_VAL(record.opArray->filename));
  }
  CopyBounded(fileBuffer, file, kFrameTextSize);
  return true;
}

extern "C" int luGetPrecision() { return static_cast<int>(EG(precision)); }

const std::vector<ScopeRecord>& luGetBackTrace() { return luFrames(); }

bool luGetSourceCode(const char* fileUrl, std::string* source) {
  // Opening a FIFO or a device for reading may block the stopped script for
  // good; only regular files are read, and the open itself must not wait.
  int fd = open(luGetLocalFilePathFromURL(fileUrl), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat opened;
  FILE* file = fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) ? fdopen(fd, "rb") : nullptr;
  if (file == nullptr) {
    close(fd);
    return false;
  }
  bool ok = fseek(file, 0, SEEK_END) == 0;
  long size = ok ? ftell(file) : -1;
  if (size >= 0 && fseek(file, 0, SEEK_SET) == 0) {
    try {
      source->assign(static_cast<size_t>(size), '\0');
      size_t got = size > 0 ? fread(&(*source)[0], 1, static_cast<size_t>(size), file) : 0;
      source->resize(got);
    } catch (const std::bad_alloc&) {
      ok = false;  // too large to hold: no source, as for an unreadable file
    }
  } else {
    ok = false;
  }
  fclose(file);
  return ok;
}

const ScopeRecord& luGetActiveSymbolTable(const char* context, short depth) {
  const std::vector<ScopeRecord>& frames = luFrames();
  if (strcasecmp(context, "globals") == 0) {
    // The real top-level table, also inside a fiber, a shutdown function or
    // after exit(); nothing before the script's first statement. While
    // top-level code runs, its innermost frame is the one whose variables the
    // table refers to: evaluating through it keeps them bound to it.
    for (auto frame = frames.rbegin(); frame != frames.rend(); ++frame) {
      const zend_execute_data* data = frame->executeData;
      if ((ZEND_CALL_INFO(data) & ZEND_CALL_HAS_SYMBOL_TABLE) != 0 &&
          data->symbol_table == &EG(symbol_table)) {
        return *frame;
      }
    }
    static ScopeRecord globals;
    globals = ScopeRecord();
    if (frames.empty() && !LUDBG_G(executed)) return kNoScope;
    globals.symbolTable = &EG(symbol_table);
    globals.functionName = "__main__";
    return globals;
  }
  if (frames.empty()) return kNoScope;
  long index = static_cast<long>(frames.size()) - 1 - depth;
  if (index >= 0 && index < static_cast<long>(frames.size())) {
    return frames[static_cast<size_t>(index)];
  }
  return frames.back();
}
