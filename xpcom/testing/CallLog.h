// Shared by the test implementation libraries and the tests: each implementation function
// records which function ran with which object and arguments, and answers what the test
// scripted. Safe to use from several threads.
#ifndef XPCOM_TESTING_CALLLOG_H_
#define XPCOM_TESTING_CALLLOG_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "nscore.h"

struct RecordedCall {
  std::string function;
  const void* object;
  std::vector<std::uintptr_t> args;  // pointers by address, numbers by value

  bool operator==(const RecordedCall& other) const {
    return function == other.function && object == other.object && args == other.args;
  }
};

inline std::uintptr_t AsWord(const volatile void* pointer) {
  return reinterpret_cast<std::uintptr_t>(pointer);
}
inline std::uintptr_t AsWord(unsigned int number) { return number; }

void RecordCall(RecordedCall call);

template <typename... Args>
void Record(const char* function, const void* object, Args... args) {
  RecordCall({function, object, {AsWord(args)...}});
}

// Every call recorded since the last take, in order.
std::vector<RecordedCall> TakeRecordedCalls();

// What the implementation functions return (default 0) and the text they hand back (default
// none).
void SetScriptedResult(nsresult result);
nsresult ScriptedResult();
void SetScriptedText(std::optional<std::string> text);
std::optional<std::string> ScriptedText();

// Marks one implementation call running for its lifetime, and counts calls found running at
// the same time as another.
class ExclusiveSection {
 public:
  ExclusiveSection();
  ~ExclusiveSection();
  ExclusiveSection(const ExclusiveSection&) = delete;
  ExclusiveSection& operator=(const ExclusiveSection&) = delete;
};
int OverlapCount();

#endif  // XPCOM_TESTING_CALLLOG_H_
