// Interface tables for a host program: the interfaces it can ask components for and the methods
// it can call on each. The tables come from the component libraries' own folders.
#ifndef XPCOM_HOST_KNOWNINTERFACES_H_
#define XPCOM_HOST_KNOWNINTERFACES_H_

#include <string_view>
#include <vector>

#include "MethodCall.h"

struct KnownInterface {
  const char* name;
  nsIID iid;
  std::vector<MethodEntry> methods;

  const MethodEntry* FindMethod(std::string_view name) const;
};

// One table entry's method, named as written.
#define KNOWN_METHOD(Interface, Name) MakeMethodEntry(#Name, &Interface::Name)

// The interface in `table` called `name`, or with IID `name` in text form; null if none.
const KnownInterface* FindKnownInterface(const std::vector<KnownInterface>& table,
                                         std::string_view name);

#endif  // XPCOM_HOST_KNOWNINTERFACES_H_
