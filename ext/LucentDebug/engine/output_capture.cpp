// Output capture and the error callback. PHP 8 sends every byte a script
// prints (echo, print, printf, inline HTML) through the output layer to
// sapi_module.ub_write, so that is the body writer the engine stands in front
// of. zend_error_cb receives messages already formatted.
#include "output_capture.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "exception_stops.h"
#include "handshake.h"
#include "hooks.h"
#include "php_lucentdebug.h"
#include "requester.h"
#include "stop_reason.h"

namespace {

using ErrorCallBack = void (*)(int, zend_string*, const uint32_t, zend_string*);
ErrorCallBack savedErrorCallBack = nullptr;

constexpr size_t kErrorTextSize = 1024;

struct ErrorKind {
  int type;
  const char* name;
  bool stops;
};

// Names the debugger shows; types PHP added later carry the host's own names.
constexpr ErrorKind kErrorKinds[] = {
    {E_ERROR, "Fatal error", true},
    {E_WARNING, "Warning", true},
    {E_PARSE, "Parse error", false},
    {E_NOTICE, "Warning", true},
    {E_CORE_ERROR, "Fatal error", false},
    {E_CORE_WARNING, "Warning", true},
    {E_COMPILE_ERROR, "Fatal error", false},
    {E_COMPILE_WARNING, "Warning", true},
    {E_USER_ERROR, "Fatal error", true},
    {E_USER_WARNING, "Warning", true},
    {E_USER_NOTICE, "Notice", true},
    {E_STRICT, "Strict Standards", true},
    {E_RECOVERABLE_ERROR, "Recoverable fatal error", true},
    {E_DEPRECATED, "Deprecated", true},
    {E_USER_DEPRECATED, "Deprecated", true},
};

ErrorKind KindOf(int type) {
  for (const ErrorKind& kind : kErrorKinds) {
    if (kind.type == type) return kind;
  }
  return {type, "Unknown error", true};
}

// PHP 8 raises as warnings what PHP 4 raised as notices (undefined variables
// and keys), so an evaluation drops both, and deprecations too.
constexpr int kDroppedWhileEvaluating = E_NOTICE | E_WARNING | E_DEPRECATED;
constexpr int kFatalErrors =
    E_ERROR | E_CORE_ERROR | E_COMPILE_ERROR | E_USER_ERROR | E_RECOVERABLE_ERROR | E_PARSE;

void CallHost(int type, zend_string* file, uint32_t line, zend_string* message) {
  if (savedErrorCallBack != nullptr) savedErrorCallBack(type, file, line, message);
}

void WriteBody(const char* text, size_t length) {
  if (LUDBG_G(savedBodyWrite) != nullptr) {
    ludbg_body_write(text, length);
  } else if (sapi_module.ub_write != nullptr) {
    sapi_module.ub_write(text, length);
  }
}

// The host raises an uncaught exception as a fatal error once the stack is
// gone; when the engine stopped at its throw already, that error stops no more.
// An uncaught ParseError or CompileError is raised as the compile error itself.
bool IsUncaughtAfterItsStop(int type, zend_string* message) {
  if ((type != E_ERROR && type != E_PARSE && type != E_COMPILE_ERROR) || !luTakeUncaughtStop()) {
    return false;
  }
  return type != E_ERROR || (message != nullptr && strncmp(ZSTR_VAL(message), "Uncaught ", 9) == 0);
}

// Writes the engine's line for the error and stops. True when the line was
// written: the host then must not display the error a second time.
bool StopAtError(const ErrorKind& kind, zend_string* file, uint32_t line, zend_string* message) {
  char text[kErrorTextSize];
  int length = snprintf(text, kErrorTextSize - 1, "\nPHP %s:  %.1022s in %s on line %u\n",
                        kind.name, message != nullptr ? ZSTR_VAL(message) : "",
                        file != nullptr ? ZSTR_VAL(file) : "Unknown", line);
  if (length < 0) return false;
  WriteBody(text, strnlen(text, kErrorTextSize - 2));
  luNoteErrorStop("error", kind.name, message != nullptr ? ZSTR_VAL(message) : "",
                  file != nullptr ? ZSTR_VAL(file) : "", static_cast<int>(line));
  luSetStepMode(RESUME_STEP_INTO);
  luInterractSuspended();
  return true;
}

// The host's callback without its display of the message (logging, the
// last error and a fatal error's end of the request stay as they are). The
// setting is put back also when the host bails out of a fatal error.
void CallHostQuietly(int type, zend_string* file, uint32_t line, zend_string* message) {
  zend_uchar display = PG(display_errors);
  PG(display_errors) = 0;
  zend_try { CallHost(type, file, line, message); }
  zend_catch {
    PG(display_errors) = display;
    zend_bailout();
  }
  zend_end_try();
  PG(display_errors) = display;
}

}  // namespace

extern "C" void luCaptureWrite() {
  if (LUDBG_G(savedBodyWrite) != nullptr || sapi_module.ub_write == nullptr ||
      sapi_module.ub_write == ludbg_body_write) {
    return;
  }
  LUDBG_G(savedBodyWrite) = sapi_module.ub_write;
  sapi_module.ub_write = ludbg_body_write;
}

extern "C" void luRestoreWrite() {
  if (LUDBG_G(savedBodyWrite) == nullptr) return;
  sapi_module.ub_write = LUDBG_G(savedBodyWrite);
  LUDBG_G(savedBodyWrite) = nullptr;
}

extern "C" size_t ludbg_body_write(const char* text, size_t length) {
  if (LUDBG_G(stdoutSocket) >= 0) {
    // Only a send can block; the time limit is suspended around it alone.
    TimeLimitSuspension suspension;
    (void)send(LUDBG_G(stdoutSocket), text, length, MSG_NOSIGNAL);
  }
  BodyWriter writer = LUDBG_G(savedBodyWrite);
  return writer != nullptr ? writer(text, length) : length;
}

extern "C" void luRedirectStdout(unsigned short port) {
  if (LUDBG_G(stdoutSocket) != -1) return;
  LUDBG_G(stdoutSocket) = luConnectSocket(LUDBG_G(host), port);
  // Programs the script starts (shell_exec, proc_open) must not inherit it.
  if (LUDBG_G(stdoutSocket) >= 0) fcntl(LUDBG_G(stdoutSocket), F_SETFD, FD_CLOEXEC);
}

extern "C" void luRedirectStderr(unsigned short) {}

extern "C" void luRedirectStdin(unsigned short) {}

extern "C" void luCloseRedirection() {
  if (LUDBG_G(stdoutSocket) >= 0) close(LUDBG_G(stdoutSocket));
  LUDBG_G(stdoutSocket) = -1;
  LUDBG_G(stderrSocket) = -1;
  LUDBG_G(stdinSocket) = -1;
}

extern "C" void luErrorCallBack(int type, zend_string* file, const uint32_t line,
                                zend_string* message) {
  if (LUDBG_G(enabled) == 0 || !LUDBG_G(attached)) {
    CallHost(type, file, line, message);
    return;
  }
  int kindType = type & E_ALL;
  bool shown = false;
  if ((EG(error_reporting) & kindType) != 0 || (kindType & (E_CORE_ERROR | E_CORE_WARNING)) != 0) {
    ErrorKind kind = KindOf(kindType);
    if (kind.stops && !LUDBG_G(interacting) && !IsUncaughtAfterItsStop(kindType, message)) {
      shown = StopAtError(kind, file, line, message);
    }
  }
  if (LUDBG_G(inEval) && (kindType & kDroppedWhileEvaluating) != 0) return;
  // The host's memory manager catches its own out-of-memory bail-out and
  // returns to the evaluation as if nothing happened, with every object
  // already marked destructed: a fatal error seen here ends the request.
  if (LUDBG_G(inEval) && (kindType & kFatalErrors) != 0 && (type & E_DONT_BAIL) == 0) {
    LUDBG_G(evalBailedOut) = true;
  }
  if (shown) {
    CallHostQuietly(type, file, line, message);
  } else {
    CallHost(type, file, line, message);
  }
}

extern "C" void luInstallErrorCallBack() {
  savedErrorCallBack = zend_error_cb;
  zend_error_cb = luErrorCallBack;
}

extern "C" void luRemoveErrorCallBack() {
  if (zend_error_cb == luErrorCallBack) zend_error_cb = savedErrorCallBack;
  savedErrorCallBack = nullptr;
}
