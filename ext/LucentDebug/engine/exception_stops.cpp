// Exception stops. Whether an exception is uncaught is decided at its throw
// by walking the live chain outwards: each user frame's try/catch table
// (try_op <= instruction < catch_op) leads to its chain of ZEND_CATCH
// instructions, whose classes are tested as the host tests them
// (instanceof, classes not loaded cannot match). The first frame with a
// matching catch catches it; a finally alone does not. An exception handler
// set with set_exception_handler does not count as a catch: the stack
// unwinds before it runs, so stopping at the throw is the last chance to see
// it.
#include "exception_stops.h"

#include <strings.h>

#include "hooks.h"
#include "php_lucentdebug.h"
#include "requester.h"
#include "stop_reason.h"

extern "C" {
#include "zend_exceptions.h"
#include "zend_generators.h"
}

namespace {

void (*hostHook)(zend_object*) = nullptr;
bool installed = false;
ExceptionFilter filter;
bool stoppedUncaught = false;

zend_execute_data* Caller(const zend_execute_data* frame) {
  zend_execute_data* caller = frame->prev_execute_data;
  return caller != nullptr ? zend_generator_check_placeholder_frame(caller) : nullptr;
}

zend_class_entry* LoadedClass(const zend_string* name) {
  return zend_lookup_class_ex(const_cast<zend_string*>(name), nullptr,
                              ZEND_FETCH_CLASS_NO_AUTOLOAD | ZEND_FETCH_CLASS_SILENT);
}

// The catch chain starting at `op` catches an instance of `thrown`.
bool CatchChainCatches(const zend_op* op, const zend_class_entry* thrown) {
  for (; op->opcode == ZEND_CATCH; op = OP_JMP_ADDR(op, op->op2)) {
    zend_class_entry* caught = LoadedClass(Z_STR_P(RT_CONSTANT(op, op->op1)));
    if (caught != nullptr && instanceof_function(thrown, caught)) return true;
    if (op->extended_value & ZEND_LAST_CATCH) break;
  }
  return false;
}

bool FrameCatches(const zend_execute_data* frame, const zend_class_entry* thrown) {
  const zend_op_array& code = frame->func->op_array;
  if (frame->opline == nullptr) return false;
  uint32_t at = static_cast<uint32_t>(frame->opline - code.opcodes);
  for (int i = 0; i < code.last_try_catch; ++i) {
    const zend_try_catch_element& block = code.try_catch_array[i];
    if (block.catch_op == 0 || at < block.try_op || at >= block.catch_op) continue;
    if (CatchChainCatches(&code.opcodes[block.catch_op], thrown)) return true;
  }
  return false;
}

bool IsUncaught(const zend_class_entry* thrown) {
  for (zend_execute_data* frame = EG(current_execute_data); frame != nullptr;
       frame = Caller(frame)) {
    if (frame->func != nullptr && ZEND_USER_CODE(frame->func->type) &&
        FrameCatches(frame, thrown)) {
      return false;
    }
  }
  return true;
}

bool ClassWanted(const zend_class_entry* thrown) {
  if (filter.classes.empty()) return true;
  for (const std::string& name : filter.classes) {
    size_t start = name.find_first_not_of('\\');
    if (start == std::string::npos) continue;
    zend_string* wanted = zend_string_init(name.data() + start, name.size() - start, 0);
    zend_class_entry* cls = LoadedClass(wanted);
    zend_string_release(wanted);
    if (cls != nullptr && instanceof_function(thrown, cls)) return true;
  }
  return false;
}

std::string StringProperty(zend_object* exception, zend_string* name) {
  zval holder;
  zval* value =
      zend_read_property_ex(zend_get_exception_base(exception), exception, name, 1, &holder);
  if (value == nullptr) return "";
  ZVAL_DEREF(value);
  return Z_TYPE_P(value) == IS_STRING ? std::string(Z_STRVAL_P(value), Z_STRLEN_P(value)) : "";
}

int LineProperty(zend_object* exception) {
  zval holder;
  zval* value = zend_read_property_ex(zend_get_exception_base(exception), exception,
                                      ZSTR_KNOWN(ZEND_STR_LINE), 1, &holder);
  if (value == nullptr) return 0;
  ZVAL_DEREF(value);
  return Z_TYPE_P(value) == IS_LONG ? static_cast<int>(Z_LVAL_P(value)) : 0;
}

void StopAtThrow(zend_object* exception, bool uncaught) {
  std::string type(ZSTR_VAL(exception->ce->name), ZSTR_LEN(exception->ce->name));
  std::string message = StringProperty(exception, ZSTR_KNOWN(ZEND_STR_MESSAGE));
  std::string file = StringProperty(exception, ZSTR_KNOWN(ZEND_STR_FILE));
  luNoteErrorStop("exception", type.c_str(), message.c_str(), file.c_str(),
                  LineProperty(exception));
  stoppedUncaught = uncaught;
  LUDBG_G(stopFrame) = nullptr;
  LUDBG_G(stopStatement) = nullptr;
  luSetStepMode(RESUME_STEP_INTO);
  luInterractSuspended();
}

bool MayStopAtThrow(const zend_object* exception) {
  return exception != nullptr && LUDBG_G(attached) && !LUDBG_G(interacting) && !LUDBG_G(inEval) &&
         LUDBG_G(requester) != nullptr && (filter.all || filter.uncaught);
}

void DecideAtThrow(zend_object* exception) {
  stoppedUncaught = false;
  // exit() unwinds through an exception of its own.
  if (zend_is_unwind_exit(exception) || zend_is_graceful_exit(exception)) return;
  if (!ClassWanted(exception->ce)) return;
  bool uncaught = IsUncaught(exception->ce);
  if (filter.all || uncaught) StopAtThrow(exception, uncaught);
}

// Thrown by the compiler, whose state allows no evaluation: the stop waits
// until the compile returns, with the exception still pending.
const zend_object* thrownWhileCompiling = nullptr;

void ThrowHook(zend_object* exception) {
  if (hostHook != nullptr) hostHook(exception);
  if (!MayStopAtThrow(exception)) return;
  if (CG(in_compilation)) {
    thrownWhileCompiling = exception;
    return;
  }
  DecideAtThrow(exception);
}

}  // namespace

void luSetExceptionFilter(const ExceptionFilter& newFilter) {
  filter = newFilter;
  thrownWhileCompiling = nullptr;
}

void luStopAtCompileError() {
  if (thrownWhileCompiling == nullptr) return;
  const zend_object* thrown = thrownWhileCompiling;
  thrownWhileCompiling = nullptr;
  if (EG(exception) != thrown || CG(in_compilation) || !MayStopAtThrow(EG(exception))) return;
  // The host has pointed the frame at its exception handler by now; the stop
  // shows it at the include or eval, where the throw happened.
  zend_execute_data* frame = EG(current_execute_data);
  const zend_op* handler = frame != nullptr ? frame->opline : nullptr;
  const zend_op* thrower = EG(opline_before_exception);
  const bool moved = handler != nullptr && handler == EG(exception_op) && thrower != nullptr;
  if (moved) frame->opline = thrower;
  DecideAtThrow(EG(exception));
  if (moved) {
    frame->opline = handler;
    EG(opline_before_exception) = thrower;
  }
}

bool luTakeUncaughtStop() {
  bool taken = stoppedUncaught;
  stoppedUncaught = false;
  return taken;
}

extern "C" void luInstallExceptionHook() {
  if (installed) return;
  hostHook = zend_throw_exception_hook;
  zend_throw_exception_hook = ThrowHook;
  installed = true;
}

extern "C" void luRemoveExceptionHook() {
  if (!installed) return;
  if (zend_throw_exception_hook == ThrowHook) zend_throw_exception_hook = hostHook;
  hostHook = nullptr;
  installed = false;
}
