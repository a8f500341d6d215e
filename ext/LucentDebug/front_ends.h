// Entry points through which the engine creates, drives and ends a front end.
// Every entry point tolerates a null handle.
#ifndef LUCENTDEBUG_FRONT_ENDS_H
#define LUCENTDEBUG_FRONT_ENDS_H

class Requester;

extern "C" {
Requester* console_init();
void console_interact(Requester* requester);
void console_end(Requester* requester);

Requester* remote_init(const char* cookie, int port);
unsigned short remote_getport(Requester* requester);
void remote_interact(Requester* requester);
void remote_end(Requester* requester);
}

#endif  // LUCENTDEBUG_FRONT_ENDS_H
