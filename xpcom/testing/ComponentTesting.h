// Helpers for tests that load a component library and use its components.
#ifndef XPCOM_TESTING_COMPONENTTESTING_H_
#define XPCOM_TESTING_COMPONENTTESTING_H_

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

#include "CallLog.h"
#include "ComponentLibrary.h"

template <typename Interface>
using Owned = std::unique_ptr<Interface, nsReleaser>;

inline constexpr nsIID kUnknownIID = {
    0x0badf00d, 0x0000, 0x4000, {0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01}};

void PrintTo(const RecordedCall& call, std::ostream* out);

// The library at `path`, loaded on first use and kept until the program ends. Ends the
// program if it cannot be loaded.
ComponentLibrary& LoadedLibrary(const char* path);

// The class ID registered for `contract`; ends the program if there is none.
const nsCID& ClassOf(ComponentLibrary& library, const char* contract);

template <typename Interface>
Owned<Interface> CreateAs(ComponentLibrary& library, const char* contract) {
  void* object = nullptr;
  EXPECT_EQ(library.CreateInstance(ClassOf(library, contract), Interface::kIID, &object), NS_OK);
  return Owned<Interface>(static_cast<Interface*>(object));
}

template <typename Interface>
Owned<Interface> QueryAs(nsISupports* object) {
  void* answer = nullptr;
  EXPECT_EQ(object->QueryInterface(Interface::kIID, &answer), NS_OK);
  return Owned<Interface>(static_cast<Interface*>(answer));
}

#endif  // XPCOM_TESTING_COMPONENTTESTING_H_
