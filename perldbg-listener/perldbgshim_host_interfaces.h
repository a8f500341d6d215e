// The Perl debugger listener's interface as a host program calls it.
#ifndef PERLDBG_LISTENER_PERLDBGSHIM_HOST_INTERFACES_H_
#define PERLDBG_LISTENER_PERLDBGSHIM_HOST_INTERFACES_H_

#include <vector>

#include "KnownInterfaces.h"

std::vector<KnownInterface> PerlDbgShimInterfaces();

#endif  // PERLDBG_LISTENER_PERLDBGSHIM_HOST_INTERFACES_H_
