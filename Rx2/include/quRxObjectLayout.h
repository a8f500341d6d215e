// Object sizes of the two regex components, shared with the implementation library whose
// constructors initialise the objects in place: the shim's interface table pointers and
// reference count (padded to a word), then 17 or 2 words of implementation storage.
#ifndef RX2_QURXOBJECTLAYOUT_H_
#define RX2_QURXOBJECTLAYOUT_H_

#include <cstddef>

inline constexpr std::size_t kRxWord = sizeof(void*);
inline constexpr std::size_t kRxEvalManagerStorage = 17 * kRxWord;
inline constexpr std::size_t kRxEvalManagerObjectSize = (1 + 1) * kRxWord + kRxEvalManagerStorage;
inline constexpr std::size_t kRxRegexInfoStorage = 2 * kRxWord;
inline constexpr std::size_t kRxRegexInfoObjectSize = (3 + 1) * kRxWord + kRxRegexInfoStorage;

#endif  // RX2_QURXOBJECTLAYOUT_H_
