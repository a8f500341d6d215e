#include "session_control.h"

#include <atomic>

#include "breakpoints.h"
#include "hooks.h"
#include "php_lucentdebug.h"
#include "requester.h"
#include "stop_reason.h"

namespace {

std::atomic<bool> pauseAsked{false};
std::atomic<bool> detachAsked{false};
bool detached = false;
void (*hostInterrupt)(zend_execute_data*) = nullptr;
bool installed = false;

void Interrupt(zend_execute_data* frame) {
  if (hostInterrupt != nullptr) hostInterrupt(frame);
  if (detachAsked.exchange(false)) luDetach();
  // Stops right here, also in a loop that runs no statement.
  if (pauseAsked.exchange(false) && !detached) luStopForPause();
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
  luClearBreakpoints();
  luSetStepMode(RESUME_GO);
}

bool luDetached() { return detached; }

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
}
