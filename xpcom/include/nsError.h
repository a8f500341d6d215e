// Result codes shared by components and the code that calls them.
#ifndef XPCOM_NSERROR_H_
#define XPCOM_NSERROR_H_

#include "nscore.h"

inline constexpr nsresult NS_OK = 0;
inline constexpr nsresult NS_ERROR_NO_INTERFACE = 0x80004002;
inline constexpr nsresult NS_ERROR_NULL_POINTER = 0x80004003;
inline constexpr nsresult NS_ERROR_FAILURE = 0x80004005;
inline constexpr nsresult NS_ERROR_NO_AGGREGATION = 0x80040110;
inline constexpr nsresult NS_ERROR_NOT_AVAILABLE = 0x80040111;
inline constexpr nsresult NS_ERROR_FACTORY_NOT_REGISTERED = 0x80040154;
inline constexpr nsresult NS_ERROR_OUT_OF_MEMORY = 0x8007000E;
inline constexpr nsresult NS_ERROR_INVALID_ARG = 0x80070057;

// The top bit marks a failure.
constexpr bool NS_FAILED(nsresult rv) { return (rv & 0x80000000u) != 0; }
constexpr bool NS_SUCCEEDED(nsresult rv) { return !NS_FAILED(rv); }

#endif  // XPCOM_NSERROR_H_
