// Placeholder until the XML-RPC front end lands: no remote requester is made.
#include "front_ends.h"

extern "C" {
Requester* remote_init(const char*, int) { return nullptr; }
unsigned short remote_getport(Requester*) { return 0; }
void remote_interact(Requester*) {}
void remote_end(Requester*) {}
}
