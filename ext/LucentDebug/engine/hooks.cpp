// Statement and call hooks: track where execution is and the chain of calls,
// decide at each statement whether to stop, and hand control to the attached
// front end through its Requester interface.
#include "hooks.h"

#include "breakpoints.h"
#include "output_capture.h"
#include "php_lucentdebug.h"
#include "requester.h"

namespace {

const char* FunctionNameOf(const zend_op_array* opArray) {
  return opArray->function_name != nullptr ? ZSTR_VAL(opArray->function_name) : "__main__";
}

bool RunsUserCode(const zend_execute_data* frame) {
  return frame->func != nullptr && ZEND_USER_CODE(frame->func->common.type);
}

zend_execute_data* UserCaller(const zend_execute_data* frame) {
  for (zend_execute_data* ex = frame->prev_execute_data; ex != nullptr;
       ex = ex->prev_execute_data) {
    if (RunsUserCode(ex)) return ex;
  }
  return nullptr;
}

// PHP 8 unwinds exceptions past the call-end markers, so records of calls that
// are over can remain. A frame that runs statements again has no call under
// way: its record and every record above it are dropped.
void DropFinishedCalls(zend_execute_data* frame) {
  std::vector<ScopeRecord>& stack = LUDBG_G(scopeStack);
  if (stack.empty() || stack.back().executeData == UserCaller(frame)) return;
  for (size_t i = stack.size(); i-- > 0;) {
    if (stack[i].executeData == frame) {
      stack.resize(i);
      return;
    }
  }
}

// Before an interaction, forgets records whose frames are gone (an error can
// arrive after the script's last statement ran), so no front end reads them.
void DropStaleRecords() {
  std::vector<const zend_execute_data*> live;
  for (zend_execute_data* ex = EG(current_execute_data); ex != nullptr;
       ex = ex->prev_execute_data) {
    live.push_back(ex);
  }
  auto isLive = [&live](const zend_execute_data* frame) {
    for (const zend_execute_data* ex : live) {
      if (ex == frame) return true;
    }
    return false;
  };
  std::vector<ScopeRecord>& stack = LUDBG_G(scopeStack);
  while (!stack.empty() && !isLive(stack.back().executeData)) stack.pop_back();
  ScopeRecord& current = LUDBG_G(current);
  if (current.executeData != nullptr && !isLive(current.executeData)) {
    current.opArray = nullptr;
    current.opline = nullptr;
    current.executeData = nullptr;
  }
}

// The name refers to the host's own text: function names are interned and
// live until the request ends, when current is reset.
void UpdateCurrent(zend_execute_data* frame, zend_op_array* opArray, const zend_op* opline) {
  ScopeRecord& current = LUDBG_G(current);
  current.functionName = FunctionNameOf(opArray);
  current.opArray = opArray;
  current.opline = opline;
  current.executeData = frame;
}

// The breakpoint test with each compiled file name converted once per request;
// consecutive statements mostly share a file, so the last one is kept at hand.
__attribute__((noinline)) int BreakpointInFile(const zend_op_array* opArray, int line) {
  if (opArray->filename != LUDBG_G(lastPathName)) {
    auto found = LUDBG_G(localPaths).try_emplace(opArray->filename);
    if (found.second) found.first->second = luGetLocalFilePathFromURL(ZSTR_VAL(opArray->filename));
    LUDBG_G(lastPathName) = opArray->filename;
    LUDBG_G(lastPath) = &found.first->second;
  }
  return LUDBG_G(breakpoints).find(LUDBG_G(lastPath)->c_str(), line);
}

int BreakpointAt(const zend_op_array* opArray, int line) {
  if (!LUDBG_G(breakpoints).mayStopAt(line) || opArray->filename == nullptr) return 0;
  return BreakpointInFile(opArray, line);
}

}  // namespace

extern "C" void OPArrayHandler(zend_op_array*) {
  if (LUDBG_G(enabled) != 0) luCaptureWrite();
}

extern "C" void StatementHandler(zend_execute_data* frame) {
  if (LUDBG_G(enabled) == 0 || !RunsUserCode(frame)) return;
  if (LUDBG_G(savedBodyWrite) == nullptr) luCaptureWrite();
  zend_op_array* opArray = &frame->func->op_array;
  const zend_op* statement = frame->opline + 1;
  if (statement->opcode == ZEND_NOP || statement->opcode == ZEND_EXT_NOP) return;
  DropFinishedCalls(frame);
  UpdateCurrent(frame, opArray, statement);
  int line = static_cast<int>(statement->lineno);
  if (line == LUDBG_G(lastLine) && opArray->filename == LUDBG_G(lastFile)) return;
  LUDBG_G(lastLine) = line;
  LUDBG_G(lastFile) = opArray->filename;
  if (LUDBG_G(attached)) luDebuggerInterract(opArray, statement);
}

extern "C" void FunctionBeginHandler(zend_execute_data* frame) {
  if (LUDBG_G(enabled) == 0 || !RunsUserCode(frame)) return;
  ScopeRecord record;
  record.opArray = &frame->func->op_array;
  record.opline = frame->opline;
  record.executeData = frame;
  record.functionName = FunctionNameOf(record.opArray);
  LUDBG_G(scopeStack).push_back(record);
}

extern "C" void FunctionEndHandler(zend_execute_data*) {
  if (LUDBG_G(enabled) == 0 || LUDBG_G(scopeStack).empty()) return;
  LUDBG_G(scopeStack).pop_back();
}

extern "C" void luDebuggerInterract(zend_op_array* opArray, const zend_op* instruction) {
  unsigned depth = static_cast<unsigned>(LUDBG_G(scopeStack).size());
  int breakpoint = BreakpointAt(opArray, static_cast<int>(instruction->lineno));
  if (breakpoint != 0 && luBreakpointStops(breakpoint)) {
    luInterractSuspended();
    return;
  }
  unsigned resumeDepth = static_cast<unsigned>(LUDBG_G(resumeDepth));
  switch (LUDBG_G(stepMode)) {
    case RESUME_STOP:
      // Ends the request as a fatal error would, without a message.
      zend_bailout();
      break;
    case RESUME_STEP_INTO:
      luInterractSuspended();
      break;
    case RESUME_STEP_OVER:
      if (depth <= resumeDepth) luInterractSuspended();
      break;
    case RESUME_STEP_OUT:
      if (depth < resumeDepth) luInterractSuspended();
      break;
    case RESUME_GO:
      break;
    default:
      luInterractSuspended();
      break;
  }
  LUDBG_G(lastDepth) = static_cast<int>(depth);
}

extern "C" void luInterract() {
  DropStaleRecords();
  LUDBG_G(interacting) = 1;
  // The attached front end serves its user from inside this call.
  if (LUDBG_G(requester) != nullptr) LUDBG_G(requester)->interactionPoint();
  LUDBG_G(interacting) = 0;
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

extern "C" void luResumeExecution(int mode) {
  LUDBG_G(stepMode) = mode;
  LUDBG_G(resumeDepth) = static_cast<int>(LUDBG_G(scopeStack).size());
}

void luForgetLocalPaths() {
  LUDBG_G(localPaths).clear();
  LUDBG_G(lastPathName) = nullptr;
  LUDBG_G(lastPath) = nullptr;
}

void luResetStepping() {
  LUDBG_G(scopeStack).clear();
  LUDBG_G(stepMode) = RESUME_GO;
  LUDBG_G(resumeDepth) = 0;
  LUDBG_G(lastDepth) = 0;
  // A new request's first statement may share line and file identity with the
  // previous request's last one; it must not be passed over.
  LUDBG_G(lastLine) = 0;
  LUDBG_G(lastFile) = nullptr;
  luForgetLocalPaths();
}

void luReleaseStepping() {
  LUDBG_G(current) = ScopeRecord();
  LUDBG_G(scopeStack).clear();
  LUDBG_G(scopeStack).shrink_to_fit();
  luForgetLocalPaths();
  LUDBG_G(lastLine) = 0;
  LUDBG_G(lastFile) = nullptr;
}
