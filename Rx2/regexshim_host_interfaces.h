// The regex evaluator's interfaces as a host program calls them.
#ifndef RX2_REGEXSHIM_HOST_INTERFACES_H_
#define RX2_REGEXSHIM_HOST_INTERFACES_H_

#include <vector>

#include "KnownInterfaces.h"

std::vector<KnownInterface> RegexShimInterfaces();

#endif  // RX2_REGEXSHIM_HOST_INTERFACES_H_
