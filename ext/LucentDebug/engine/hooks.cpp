// Statement hook and stepping: decide at each statement whether to stop and
// hand control to the attached front end through its Requester interface.
//
// Statement markers (ZEND_EXT_STMT, compiled in with ZEND_COMPILE_EXTENDED_STMT
// only, so calls carry no markers) run the engine's handler through the
// host's user opcode mechanism (zend_set_user_opcode_handler), not the
// extension list the host walks at each marker. Neither is set up at process
// start, since a user opcode handler then turns opcache's JIT off: code that
// opcache shares never carries markers, and a request that has no debugging
// session runs opcache's (and the JIT's) code untouched. A request with a
// session (or hooks only without opcache, so that "ludbg_break" may step in
// code compiled before it) compiles marked code of its own: opcache is off
// for the rest of that request, and the handler is set for it alone.
//
// Where nothing can stop, a marker costs one plain no-op: the first time an
// op array reaches this handler while no step is under way, its markers get
// the host's ZEND_NOP handler, except those on lines that hold a breakpoint of
// the op array's own file; so do op arrays met only inside a call being
// stepped over or out of. A step under way, a breakpoint added or an op array
// compiled later puts the engine's handler back where it is needed. This is
// safe because:
// - only op arrays this request owns are rewritten (a reference count of
//   their own: opcache's shared, immutable op arrays have none; they carry no
//   markers, since no marked code is compiled while opcache serves a request);
// - the handler pointer is the only thing changed, the opcode stays
//   ZEND_EXT_STMT, so every marker can be found again;
// - rewritten op arrays are forgotten when the host releases them (the op
//   array destructor hook) and at every request start and end;
// - files compiled after a breakpoint was set start with the engine's handler.
// Frames come from the host's live chain at a stop, never from records kept
// in step with calls, so nothing here keeps a pointer to a frame that may be
// gone (exceptions, exit() in a generator, fibers).
#include "hooks.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "breakpoints.h"
#include "exception_stops.h"
#include "frames.h"
#include "function_breakpoints.h"
#include "output_capture.h"
#include "php_lucentdebug.h"
#include "requester.h"
#include "stop_reason.h"

extern "C" {
#include "zend_vm.h"
}

namespace {

const void* quietHandler = nullptr;  // the host's ZEND_NOP handler
const void* loudHandler = nullptr;   // the host's user opcode handler: StatementOpcode
user_opcode_handler_t hostHandler = nullptr;
bool installed = false;
bool marking = false;  // this request compiles statement markers
// Markers that reached the stop decision in this request; LUDBG_STATS=1 has
// it written to stderr at request end, so tests can see which markers stay quiet.
unsigned long decisions = 0;
constexpr size_t kMaxPasses = 64;

struct QuietOpArray {
  uint32_t last;  // number of instructions
  const zend_string* filename;
};
// Op arrays whose markers are quiet except on breakpoint lines, by first
// instruction.
std::unordered_map<const zend_op*, QuietOpArray> quietOpArrays;

// A marker stands for a statement when its next real instruction (past
// no-ops, such as the one reserved for an interpolated string) is no other
// marker; that instruction's line is the statement's line.
const zend_op* StatementOf(const zend_op* marker, const zend_op* end) {
  for (const zend_op* op = marker + 1; op < end; ++op) {
    if (op->opcode == ZEND_NOP || op->opcode == ZEND_EXT_NOP) continue;
    return op->opcode == ZEND_EXT_STMT || op->lineno == 0 ? nullptr : op;
  }
  return nullptr;
}

const void* HandlerFor(zend_uchar opcode) {
  zend_op op;
  memset(&op, 0, sizeof op);
  op.opcode = opcode;
  op.op1_type = IS_UNUSED;
  op.op2_type = IS_UNUSED;
  op.result_type = IS_UNUSED;
  zend_vm_set_opcode_handler(&op);
  return op.handler;
}

void SetHandler(const zend_op* marker, const void* handler) {
  const_cast<zend_op*>(marker)->handler = handler;
}

// The local path of a compiled file name, symbolic links resolved, converted
// once per request; consecutive statements mostly share a file, so the last
// one is kept at hand.
const std::string& PathOf(const zend_string* filename) {
  if (filename != LUDBG_G(lastPathName)) {
    auto found = LUDBG_G(localPaths).try_emplace(filename);
    if (found.second) found.first->second = luCanonicalPath(ZSTR_VAL(filename));
    LUDBG_G(lastPathName) = filename;
    LUDBG_G(lastPath) = &found.first->second;
  }
  return *LUDBG_G(lastPath);
}

int BreakpointAt(const zend_op_array* opArray, int line) {
  if (!LUDBG_G(breakpoints).mayStopAt(line) || opArray->filename == nullptr) return 0;
  return LUDBG_G(breakpoints).find(PathOf(opArray->filename).c_str(), line);
}

// A function breakpoint may stop at any function's first statement, so none
// is quiet while one is set.
bool MayStopAt(const zend_op_array* opArray, const zend_op* statement) {
  return statement != nullptr && LUDBG_G(attached) &&
         (luHasFunctionBreakpoints() ||
          BreakpointAt(opArray, static_cast<int>(statement->lineno)) != 0);
}

// Opcache's shared op arrays carry no reference count and are never
// rewritten; nor is anything when another extension handles the markers too.
bool Rewritable(const zend_op_array* opArray) {
  return opArray->refcount != nullptr && hostHandler == nullptr;
}

void Quiet(const zend_op_array* opArray) {
  if (!Rewritable(opArray) || quietOpArrays.count(opArray->opcodes) != 0) return;
  const zend_op* end = opArray->opcodes + opArray->last;
  for (const zend_op* op = opArray->opcodes; op < end; ++op) {
    if (op->opcode == ZEND_EXT_STMT && !MayStopAt(opArray, StatementOf(op, end))) {
      SetHandler(op, quietHandler);
    }
  }
  quietOpArrays.emplace(opArray->opcodes, QuietOpArray{opArray->last, opArray->filename});
}

// While a step is under way every marker must reach the stop decision.
void MakeAllLoud() {
  for (const auto& entry : quietOpArrays) {
    const zend_op* end = entry.first + entry.second.last;
    for (const zend_op* op = entry.first; op < end; ++op) {
      if (op->opcode == ZEND_EXT_STMT) SetHandler(op, loudHandler);
    }
  }
  quietOpArrays.clear();
}

bool RunsUserCode(const zend_execute_data* frame) {
  return frame->func != nullptr && ZEND_USER_CODE(frame->func->common.type);
}

bool IsLoopCondition(const zend_op* marker, const zend_op* statement) {
  switch (statement->opcode) {
    case ZEND_JMPZ:
    case ZEND_JMPNZ:
    case ZEND_JMPZ_EX:
    case ZEND_JMPNZ_EX:
      return OP_JMP_ADDR(statement, statement->op2) <= marker;
    default:
      return false;
  }
}

// A passage through a line belongs to the frame that stopped on it: a later
// statement of that frame on the same line, further on in the code, is the
// same passage, so a line holding several statements stops once even when
// calls (__toString, destructors, a call stepped into) ran between them; a
// jump back (a loop) starts a new one. Each frame that stopped keeps its own
// passage, so a caller that a step left for a call goes on with the line it
// stopped on once the call returns. Statements of frames that never stopped
// (a call, recursion) are new passages.
bool SamePassage(const zend_execute_data* frame, const zend_op_array* opArray,
                 const zend_op* marker, const zend_op* statement) {
  std::vector<StatementPass>& passes = LUDBG_G(passes);
  size_t found = passes.size();
  while (found > 0 &&
         (passes[found - 1].frame != frame || passes[found - 1].opcodes != opArray->opcodes)) {
    --found;
  }
  if (found == 0) return false;
  // This frame runs again: the frames that stopped after it have returned.
  passes.resize(found);
  StatementPass& last = passes.back();
  bool same = last.line == statement->lineno && marker > last.marker;
  // A loop's condition, compiled after its body, leaves the position where
  // it was: jumping back into the body of a loop written on one line then
  // starts a new passage once per iteration, not once more on entry.
  if (same && IsLoopCondition(marker, statement)) return true;
  last.marker = marker;
  last.line = statement->lineno;
  return same;
}

bool IsResumeFrame(const zend_execute_data* frame) {
  return frame == LUDBG_G(resumeFrame) && frame->func == LUDBG_G(resumeFunction);
}

// A call made by the frame of the last resume (the body of a call stepped
// over): found at the distance between them, not at the depth of the chain.
bool InsideResumeFrame(zend_execute_data* frame) {
  return LUDBG_G(resumeFrame) != nullptr &&
         luCalledFrom(frame, LUDBG_G(resumeFrame), LUDBG_G(resumeFunction));
}

// Code that runs only inside the call being stepped over (or out of) never
// stops before that call returns: its op array may be quiet, except its
// breakpoint lines, until the next step. Not the op array of the resume frame
// or any frame above it (delegating generators included), which must stop
// once the call returns. A generator started inside the call and resumed
// after it stays quiet only while running: every step makes all loud again.
void QuietInsideCall(zend_execute_data* frame) {
  const zend_op_array* opArray = &frame->func->op_array;
  if (quietOpArrays.count(opArray->opcodes) != 0) return;
  if (luRunsAbove(LUDBG_G(resumeFrame), opArray)) return;
  Quiet(opArray);
}

void StopAtStatement(zend_execute_data* frame, const zend_op* marker, const zend_op* statement) {
  std::vector<StatementPass>& passes = LUDBG_G(passes);
  const zend_op* opcodes = frame->func->op_array.opcodes;
  if (passes.empty() || passes.back().frame != frame || passes.back().opcodes != opcodes) {
    // Frames that stopped and returned without their caller stopping since
    // stay listed; the oldest go first.
    if (passes.size() == kMaxPasses) passes.erase(passes.begin());
    passes.push_back(StatementPass{frame, opcodes, nullptr, 0});
  }
  passes.back().marker = marker;
  passes.back().line = statement->lineno;
  luTakeStopReason();
  LUDBG_G(stopFrame) = frame;
  LUDBG_G(stopStatement) = statement;
  luInterractSuspended();
  LUDBG_G(stopFrame) = nullptr;
  LUDBG_G(stopStatement) = nullptr;
}

// A breakpoint's condition is evaluated in the frames of the statement that
// reached it, which are built only for that; a plain breakpoint needs none.
bool BreakpointStops(int breakpoint, const zend_execute_data* frame, const zend_op* statement) {
  const Breakpoint* found = LUDBG_G(breakpoints).byId(breakpoint);
  if (found == nullptr || found->condition.empty()) return luBreakpointStops(breakpoint) != 0;
  luBuildFrames(frame, statement);
  bool stops = luBreakpointStops(breakpoint) != 0;
  luReleaseFrames();
  return stops;
}

// Stops when a breakpoint or the resume mode says so. Depths come from the
// live chain, so calls the host makes without a call (destructors,
// __toString, error handlers, generators driven by foreach, fibers) count.
void Decide(zend_execute_data* frame, const zend_op_array* opArray, const zend_op* marker,
            const zend_op* statement) {
  int breakpoint = BreakpointAt(opArray, static_cast<int>(statement->lineno));
  if (breakpoint != 0 && BreakpointStops(breakpoint, frame, statement)) {
    luNoteBreakpointStop(breakpoint, "breakpoint");
    StopAtStatement(frame, marker, statement);
    return;
  }
  if (long function = luFunctionBreakpointAt(frame, opArray, marker, statement)) {
    luNoteBreakpointStop(function, "function");
    StopAtStatement(frame, marker, statement);
    return;
  }
  int resumeDepth = LUDBG_G(resumeDepth);
  switch (LUDBG_G(stepMode)) {
    case RESUME_STOP:
      // Ends the request as a fatal error would, without a message.
      zend_bailout();
      break;
    case RESUME_STEP_INTO:
      StopAtStatement(frame, marker, statement);
      break;
    case RESUME_STEP_OVER:
      if (IsResumeFrame(frame)) {
        StopAtStatement(frame, marker, statement);
      } else if (InsideResumeFrame(frame)) {
        QuietInsideCall(frame);
      } else {
        int depth = luChainDepth(frame, resumeDepth);
        bool back = LUDBG_G(resumeFrame) == nullptr ? depth <= resumeDepth : depth < resumeDepth;
        if (back) StopAtStatement(frame, marker, statement);
      }
      break;
    case RESUME_STEP_OUT:
      if (IsResumeFrame(frame)) break;
      if (InsideResumeFrame(frame)) {
        QuietInsideCall(frame);
      } else if (luChainDepth(frame, resumeDepth) < resumeDepth) {
        StopAtStatement(frame, marker, statement);
      }
      break;
    case RESUME_GO:
      break;
    default:
      StopAtStatement(frame, marker, statement);
      break;
  }
}

void Statement(zend_execute_data* frame, const zend_op* marker) {
  if (LUDBG_G(enabled) == 0 || !RunsUserCode(frame)) return;
  LUDBG_G(executed) = true;
  const zend_op_array* opArray = &frame->func->op_array;
  const zend_op* statement = StatementOf(marker, opArray->opcodes + opArray->last);
  if (!LUDBG_G(attached) || LUDBG_G(stepMode) == RESUME_GO) {
    Quiet(opArray);
    // The breakpoint that kept this marker loud may be gone.
    if (!MayStopAt(opArray, statement)) {
      if (Rewritable(opArray)) SetHandler(marker, quietHandler);
      return;
    }
  }
  if (statement == nullptr) return;
  ++decisions;
  if (SamePassage(frame, opArray, marker, statement)) return;
  if (LUDBG_G(savedBodyWrite) == nullptr) luCaptureWrite();
  Decide(frame, opArray, marker, statement);
}

int StatementOpcode(zend_execute_data* frame) {
  const zend_op* marker = frame->opline;
  // Code run by an evaluation while stopped never stops.
  if (!EG(no_extensions) && !LUDBG_G(interacting)) Statement(frame, marker);
  if (hostHandler != nullptr) return hostHandler(frame);
  frame->opline = marker + 1;
  return ZEND_USER_OPCODE_CONTINUE;
}

}  // namespace

namespace {

// True when opcache serves this request from its shared cache.
bool OpcacheServes() {
  const char* enable = sapi_module.name != nullptr && strcmp(sapi_module.name, "cli") == 0
                           ? "opcache.enable_cli"
                           : "opcache.enable";
  return zend_get_extension("Zend OPcache") != nullptr &&
         zend_ini_long(const_cast<char*>("opcache.enable"), strlen("opcache.enable"), 0) != 0 &&
         zend_ini_long(const_cast<char*>(enable), strlen(enable), 0) != 0;
}

void InstallStatementHandler() {
  if (installed) return;
  hostHandler = zend_get_user_opcode_handler(ZEND_EXT_STMT);
  zend_set_user_opcode_handler(ZEND_EXT_STMT, StatementOpcode);
  quietHandler = HandlerFor(ZEND_NOP);
  loudHandler = HandlerFor(ZEND_EXT_STMT);
  installed = true;
}

// Files compiled from now on carry statement markers.
void StartMarking() {
  CG(compiler_options) |= ZEND_COMPILE_EXTENDED_STMT;
  marking = true;
  InstallStatementHandler();
}

// What this request compiles from now on is its own, marked and never
// shared: opcache may be turned off for the rest of a request (never on
// again).
void CompileOwnMarkedCode() {
  if (marking) return;
  if (OpcacheServes()) {
    zend_string* name = zend_string_init("opcache.enable", strlen("opcache.enable"), 0);
    zend_alter_ini_entry_chars(name, "0", 1, PHP_INI_USER, PHP_INI_STAGE_RUNTIME);
    zend_string_release(name);
  }
  StartMarking();
}

// Hooks only under opcache: code from opcache's cache carries no markers, so
// a session that "ludbg_break" starts could not stop in the code that called
// it. A file that calls it is therefore compiled by the request itself, with
// markers, and so is every file compiled after it (opcache is off from there
// on). Opcache compiles such a file into its cache once, with the op array
// handler below tagging the main op array; a request that gets the file from
// the cache finds the tag, drops what the cache declared and compiles the
// file itself. Requests that run no such file stay on opcache's code.
int tagSlot = -1;  // this extension's slot in op_array->reserved
void* const kCallsBreak = reinterpret_cast<void*>(static_cast<uintptr_t>(1));
zend_op_array* (*hostCompileFile)(zend_file_handle*, int) = nullptr;
// The file whose op arrays (compiled before its main one) call "ludbg_break".
const zend_string* fileCallingBreak = nullptr;

bool NamesBreak(const zend_op_array* opArray) {
  for (int i = 0; i < opArray->last_literal; ++i) {
    const zval* literal = &opArray->literals[i];
    if (Z_TYPE_P(literal) == IS_STRING &&
        zend_string_equals_literal_ci(Z_STR_P(literal), "ludbg_break")) {
      return true;
    }
  }
  return false;
}

// The main op array is compiled after the functions and classes of its file.
void TagIfCallsBreak(zend_op_array* opArray) {
  if (tagSlot < 0 || opArray->filename == nullptr) return;
  const bool names = NamesBreak(opArray);
  if (opArray->function_name != nullptr) {
    if (names) fileCallingBreak = opArray->filename;
    return;
  }
  if (names ||
      (fileCallingBreak != nullptr && zend_string_equals(fileCallingBreak, opArray->filename))) {
    opArray->reserved[tagSlot] = kCallsBreak;
  }
  fileCallingBreak = nullptr;
}

// Removes the entries appended to `table` since it held `held` of them: the
// last ones in its order (growing the table may close the holes before them).
void DropAppended(HashTable* table, uint32_t held, bool classes) {
  std::vector<zend_string*> keys;
  uint32_t appended = table->nNumOfElements > held ? table->nNumOfElements - held : 0;
  for (uint32_t i = table->nNumUsed; i > 0 && keys.size() < appended; --i) {
    const Bucket* bucket = table->arData + i - 1;
    if (Z_TYPE(bucket->val) == IS_UNDEF || bucket->key == nullptr) continue;
    keys.push_back(bucket->key);
    // Binding a class caches it on its interned name, where a later lookup
    // would find the dropped class before the table.
    zend_class_entry* dropped =
        classes ? static_cast<zend_class_entry*>(Z_PTR(bucket->val)) : nullptr;
    if (dropped != nullptr && ZSTR_HAS_CE_CACHE(dropped->name) &&
        ZSTR_GET_CE_CACHE(dropped->name) == dropped) {
      ZSTR_SET_CE_CACHE(dropped->name, nullptr);
    }
  }
  for (zend_string* key : keys) zend_hash_del(table, key);
}

bool SameHandle(const zend_file_handle* a, const zend_file_handle* b) {
  if (a->type != b->type) return false;
  switch (a->type) {
    case ZEND_HANDLE_FP:
      return a->handle.fp == b->handle.fp;
    case ZEND_HANDLE_STREAM:
      return a->handle.stream.handle == b->handle.stream.handle;
    default:
      return a->filename != nullptr && b->filename != nullptr &&
             zend_string_equals(a->filename, b->filename);
  }
}

// Each compile of a handle lists a copy of it in CG(open_files), to be closed
// at request end; a handle compiled twice is listed once again, and one of
// the copies must leave the list without being closed.
void UnlistCopy(const zend_file_handle* file) {
  zend_llist* list = &CG(open_files);
  for (zend_llist_element* element = list->head; element != nullptr; element = element->next) {
    if (!SameHandle(static_cast<zend_file_handle*>(static_cast<void*>(element->data)), file)) {
      continue;
    }
    const llist_dtor_func_t close = list->dtor;
    list->dtor = nullptr;
    zend_llist_del_element(list, element->data, [](void* listed, void* wanted) -> int {
      return listed == wanted ? 1 : 0;
    });
    list->dtor = close;
    return;
  }
}

bool CompilesOwnCallersOfBreak() {
  return LUDBG_G(enabled) == 1 && !marking && !LUDBG_G(attached) && tagSlot >= 0;
}

zend_op_array* CompileOwnCallerOfBreak(zend_file_handle* file, int type) {
  const uint32_t functions = zend_hash_num_elements(EG(function_table));
  const uint32_t classes = zend_hash_num_elements(EG(class_table));
  zend_op_array* opArray = hostCompileFile(file, type);
  if (opArray == nullptr || opArray->reserved[tagSlot] != kCallsBreak || EG(exception) != nullptr) {
    return opArray;
  }
  // Nothing of the file has run yet: its declarations are dropped and it is
  // compiled again, this time by the request itself.
  DropAppended(EG(function_table), functions, false);
  DropAppended(EG(class_table), classes, true);
  destroy_op_array(opArray);
  efree_size(opArray, sizeof(zend_op_array));
  CompileOwnMarkedCode();
  const bool listed = file->in_list;
  opArray = hostCompileFile(file, type);
  if (listed) UnlistCopy(file);
  return opArray;
}

// An exception the compiler throws (a ParseError) may stop only once the
// compiler is done; it stops here, with the including frame current.
zend_op_array* CompileFile(zend_file_handle* file, int type) {
  zend_op_array* opArray = CompilesOwnCallersOfBreak() ? CompileOwnCallerOfBreak(file, type)
                                                       : hostCompileFile(file, type);
  luStopAtCompileError();
  return opArray;
}

zend_op_array* (*hostCompileString)(zend_string*, const char*, zend_compile_position) = nullptr;

zend_op_array* CompileString(zend_string* source, const char* filename,
                             zend_compile_position position) {
  zend_op_array* opArray = hostCompileString(source, filename, position);
  luStopAtCompileError();
  return opArray;
}

}  // namespace

void luReserveOpArraySlot() {
  if (tagSlot < 0) tagSlot = zend_get_resource_handle(LUDBG_EXTENSION_NAME);
}

void luInstallCompileHooks() {
  // Installed at the first request, once every other extension has set its
  // own: outermost, so they see what opcache's cache gives.
  if (hostCompileFile != nullptr) return;
  hostCompileFile = zend_compile_file;
  zend_compile_file = CompileFile;
  hostCompileString = zend_compile_string;
  zend_compile_string = CompileString;
}

void luRemoveCompileHooks() {
  if (hostCompileFile == nullptr) return;
  if (zend_compile_file == CompileFile) zend_compile_file = hostCompileFile;
  if (zend_compile_string == CompileString) zend_compile_string = hostCompileString;
  hostCompileFile = nullptr;
  hostCompileString = nullptr;
}

void luStartHooks() {
  if (!OpcacheServes()) StartMarking();
}

void luStartSession() { CompileOwnMarkedCode(); }

void luEndHooks() {
  const char* stats = getenv("LUDBG_STATS");
  if (stats != nullptr && strcmp(stats, "1") == 0) {
    fprintf(stderr, "LUDBG: %lu statements reached the stop decision\n", decisions);
  }
  decisions = 0;
  CG(compiler_options) &= ~ZEND_COMPILE_EXTENDED_STMT;
  marking = false;
  if (!installed) return;
  zend_set_user_opcode_handler(ZEND_EXT_STMT, hostHandler);
  hostHandler = nullptr;
  installed = false;
}

void luWatchAllStatements() { MakeAllLoud(); }

void luWatchLine(const char* path, int line) {
  for (const auto& entry : quietOpArrays) {
    if (entry.second.filename == nullptr || PathOf(entry.second.filename) != path) continue;
    const zend_op* end = entry.first + entry.second.last;
    for (const zend_op* op = entry.first; op < end; ++op) {
      if (op->opcode != ZEND_EXT_STMT) continue;
      const zend_op* statement = StatementOf(op, end);
      if (statement != nullptr && static_cast<int>(statement->lineno) == line) {
        SetHandler(op, loudHandler);
      }
    }
  }
}

// Tells the breakpoints where this op array's statements can stop.
extern "C" void OPArrayHandler(zend_op_array* opArray) {
  if (LUDBG_G(enabled) == 0) return;
  luCaptureWrite();
  TagIfCallsBreak(opArray);
  // Hooks only: breakpoints set after "ludbg_break" stop on the lines asked.
  if (!marking || !LUDBG_G(attached) || opArray->filename == nullptr) return;
  std::vector<int> lines;
  const zend_op* end = opArray->opcodes + opArray->last;
  for (const zend_op* op = opArray->opcodes; op < end; ++op) {
    if (op->opcode != ZEND_EXT_STMT) continue;
    const zend_op* statement = StatementOf(op, end);
    if (statement != nullptr) lines.push_back(static_cast<int>(statement->lineno));
  }
  if (!lines.empty()) luAddStatementLines(PathOf(opArray->filename), lines);
}

extern "C" void OPArrayDestroyed(zend_op_array* opArray) {
  if (!quietOpArrays.empty()) quietOpArrays.erase(opArray->opcodes);
}

extern "C" void luInterract() {
  luBuildFrames(LUDBG_G(stopFrame), LUDBG_G(stopStatement));
  LUDBG_G(interacting) = 1;
  // The attached front end serves its user from inside this call.
  if (LUDBG_G(requester) != nullptr) LUDBG_G(requester)->interactionPoint();
  LUDBG_G(interacting) = 0;
  luReleaseFrames();
}

extern "C" void luInterractSuspended() {
  {
    TimeLimitSuspension suspension;
    luInterract();
  }
  if (LUDBG_G(evalBailedOut)) {
    // An evaluation met a fatal error; the request ends as the host would end it.
    LUDBG_G(evalBailedOut) = false;
    zend_bailout();
  }
}

extern "C" void luSetStepMode(int mode) {
  LUDBG_G(stepMode) = mode;
  if (mode != RESUME_GO) MakeAllLoud();
}

extern "C" void luResumeExecution(int mode) {
  // Only stepping over and out compare against where the resume was chosen;
  // other modes leave the frames view unbuilt.
  static const std::vector<ScopeRecord> kNone;
  bool fromHere = mode == RESUME_STEP_OVER || mode == RESUME_STEP_OUT;
  const std::vector<ScopeRecord>& frames = fromHere ? luFrames() : kNone;
  LUDBG_G(resumeDepth) = frames.empty() ? 0 : static_cast<int>(frames.size()) - 1;
  LUDBG_G(resumeFrame) = frames.empty() ? nullptr : frames.back().executeData;
  LUDBG_G(resumeFunction) = frames.empty() ? nullptr : frames.back().executeData->func;
  luSetStepMode(mode);
}

namespace {

void ForgetLocalPaths() {
  LUDBG_G(localPaths).clear();
  LUDBG_G(lastPathName) = nullptr;
  LUDBG_G(lastPath) = nullptr;
}

void ResetPassage() {
  LUDBG_G(passes).clear();
  LUDBG_G(stopFrame) = nullptr;
  LUDBG_G(stopStatement) = nullptr;
  LUDBG_G(resumeFrame) = nullptr;
  LUDBG_G(resumeFunction) = nullptr;
  LUDBG_G(resumeDepth) = 0;
  LUDBG_G(executed) = false;
  luReleaseFrames();
  // Op arrays of a request never outlive it (opcache's are never rewritten).
  quietOpArrays.clear();
  ForgetLocalPaths();
}

}  // namespace

void luResetStepping() {
  LUDBG_G(stepMode) = RESUME_GO;
  ResetPassage();
}

void luReleaseStepping() {
  ResetPassage();
  LUDBG_G(frames).shrink_to_fit();
}
