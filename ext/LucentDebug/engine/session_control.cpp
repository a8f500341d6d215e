#include "session_control.h"

#include <atomic>

#include "breakpoints.h"
#include "hooks.h"
#include "php_lucentdebug.h"
#include "requester.h"

namespace {

std::atomic<bool> pauseAsked{false};
std::atomic<bool> detachAsked{false};
bool detached = false;
bool pausing = false;
void (*hostInterrupt)(zend_execute_data*) = nullptr;
bool installed = false;

void Interrupt(zend_execute_data* frame) {
  if (hostInterrupt != nullptr) hostInterrupt(frame);
  if (detachAsked.exchange(false)) luDetach();
  if (pauseAsked.exchange(false) && !detached && LUDBG_G(attached)) {
    pausing = true;
    luSetStepMode(RESUME_STEP_INTO);
  }
}

}  // namespace

void luRequestPause() {
  pauseAsked.store(true);
  zend_atomic_bool_store(&EG(vm_interrupt), true);
}

void luRequestDetach() {
  detachAsked.store(true);
  zend_atomic_bool_store(&EG(vm_interrupt), true);
}

void luDetach() {
  detached = true;
  pausing = false;
  luClearBreakpoints();
  luSetStepMode(RESUME_GO);
}

bool luDetached() { return detached; }

bool luPausing() { return pausing; }

void luEndPause() { pausing = false; }

void luInstallInterruptHandler() {
  if (installed) return;
  hostInterrupt = zend_interrupt_function;
  zend_interrupt_function = Interrupt;
  installed = true;
}

void luRemoveInterruptHandler() {
  if (!installed) return;
  zend_interrupt_function = hostInterrupt;
  hostInterrupt = nullptr;
  installed = false;
}

void luResetSessionControl() {
  pauseAsked.store(false);
  detachAsked.store(false);
  detached = false;
  pausing = false;
}
