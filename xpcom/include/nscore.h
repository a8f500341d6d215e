// Basic types of the component layer: result codes and reference counts.
#ifndef XPCOM_NSCORE_H_
#define XPCOM_NSCORE_H_

#include <prtypes.h>

#include <cstdint>

using nsresult = std::uint32_t;
using nsrefcnt = std::uint32_t;

// Marks what a component library exports; everything else stays hidden.
#define NS_EXPORT __attribute__((visibility("default")))

#endif  // XPCOM_NSCORE_H_
