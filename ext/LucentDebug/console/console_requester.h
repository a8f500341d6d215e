// The terminal front end: a prompt on standard output, commands from standard input.
#ifndef LUCENTDEBUG_CONSOLE_REQUESTER_H
#define LUCENTDEBUG_CONSOLE_REQUESTER_H

#include <iosfwd>

#include "debug_records.h"
#include "requester.h"

class ConsoleRequester : public Requester {
 public:
  void interactionPoint() override;
};

void Display(PropertyInfo info);
void Display(Frame frame);

// Entry points through which the module creates, drives and ends the console.
// Each tolerates a null handle.
extern "C" {
Requester* console_init();
void console_interact(Requester* requester);
void console_end(Requester* requester);
}

#endif  // LUCENTDEBUG_CONSOLE_REQUESTER_H
