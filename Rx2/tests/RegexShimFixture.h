// Loads regexshim once per test program, with the recording implementation on the library
// path, and creates its components.
#ifndef RX2_TESTS_REGEXSHIMFIXTURE_H_
#define RX2_TESTS_REGEXSHIMFIXTURE_H_

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

#include "CallLog.h"
#include "ComponentLibrary.h"

inline constexpr char kManagerContract[] = "@brightwater.example/quRxEvalManager;1";
inline constexpr char kInfoContract[] = "@brightwater.example/quRxRegexInfo;1";
inline constexpr nsIID kUnknownIID = {
    0x0badf00d, 0x0000, 0x4000, {0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01}};

template <typename Interface>
using Owned = std::unique_ptr<Interface, nsReleaser>;

void PrintTo(const RecordedCall& call, std::ostream* out);

class RegexShimTest : public ::testing::Test {
 protected:
  static ComponentLibrary& Library();
  static const nsCID& ClassOf(const char* contract);

  void SetUp() override;

  // A new component answered as `Interface`, with the constructor's record dropped.
  template <typename Interface>
  Owned<Interface> Create(const char* contract) {
    void* object = nullptr;
    EXPECT_EQ(Library().CreateInstance(ClassOf(contract), Interface::kIID, &object), NS_OK);
    TakeRecordedCalls();
    return Owned<Interface>(static_cast<Interface*>(object));
  }

  template <typename Interface>
  Owned<Interface> Query(nsISupports* object) {
    void* answer = nullptr;
    EXPECT_EQ(object->QueryInterface(Interface::kIID, &answer), NS_OK);
    return Owned<Interface>(static_cast<Interface*>(answer));
  }
};

#endif  // RX2_TESTS_REGEXSHIMFIXTURE_H_
