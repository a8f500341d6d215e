// Loads regexshim once per test program, with the recording implementation on the library
// path, and creates its components.
#ifndef RX2_TESTS_REGEXSHIMFIXTURE_H_
#define RX2_TESTS_REGEXSHIMFIXTURE_H_

#include "ComponentTesting.h"

inline constexpr char kManagerContract[] = "@brightwater.example/quRxEvalManager;1";
inline constexpr char kInfoContract[] = "@brightwater.example/quRxRegexInfo;1";

class RegexShimTest : public ::testing::Test {
 protected:
  static ComponentLibrary& Library() { return LoadedLibrary(REGEXSHIM_PATH); }
  static const nsCID& ClassOf(const char* contract) { return ::ClassOf(Library(), contract); }

  void SetUp() override {
    Library();
    TakeRecordedCalls();
    SetScriptedResult(NS_OK);
  }

  // A new component answered as `Interface`, with the constructor's record dropped.
  template <typename Interface>
  Owned<Interface> Create(const char* contract) {
    Owned<Interface> object = CreateAs<Interface>(Library(), contract);
    TakeRecordedCalls();
    return object;
  }

  template <typename Interface>
  Owned<Interface> Query(nsISupports* object) {
    return QueryAs<Interface>(object);
  }
};

#endif  // RX2_TESTS_REGEXSHIMFIXTURE_H_
