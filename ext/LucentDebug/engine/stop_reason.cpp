// The reason of the current stop, noted by whoever decides to stop.
#include "stop_reason.h"

#include "hooks.h"
#include "php_lucentdebug.h"
#include "requester.h"

namespace {

// One request runs at a time on the request's thread; nothing here outlives it.
StopInfo current;
std::string stepReason = "entry";
long notedBreakpoint = 0;
const char* notedReason = nullptr;

void SetCurrent(const char* reason, long breakpoint) {
  current = StopInfo();
  current.reason = reason;
  current.breakpoint = breakpoint;
}

}  // namespace

void luResetStopInfo() {
  SetCurrent("entry", 0);
  stepReason = "entry";
  notedBreakpoint = 0;
  notedReason = nullptr;
}

void luSetStepReason(const char* reason) { stepReason = reason; }

void luNoteBreakpointStop(long id, const char* reason) {
  notedBreakpoint = id;
  notedReason = reason;
}

void luTakeStopReason() {
  if (notedReason != nullptr) {
    SetCurrent(notedReason, notedBreakpoint);
  } else {
    SetCurrent(stepReason.c_str(), 0);
  }
  notedReason = nullptr;
  notedBreakpoint = 0;
}

void luNoteErrorStop(const char* reason, const char* type, const char* message, const char* file,
                     int line) {
  SetCurrent(reason, 0);
  current.type = type != nullptr ? type : "";
  current.message = message != nullptr ? message : "";
  current.file = file != nullptr ? file : "";
  current.line = line;
}

const StopInfo& luGetStopInfo() { return current; }

extern "C" void luStopForPause() {
  if (!LUDBG_G(attached) || LUDBG_G(interacting) || LUDBG_G(requester) == nullptr) return;
  SetCurrent("pause", 0);
  LUDBG_G(stopFrame) = nullptr;
  LUDBG_G(stopStatement) = nullptr;
  luInterractSuspended();
}

extern "C" void luPauseAtNextStatement() {
  if (!LUDBG_G(attached)) return;
  stepReason = "pause";
  luSetStepMode(RESUME_STEP_INTO);
}
