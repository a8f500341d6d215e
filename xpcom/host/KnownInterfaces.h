// The interfaces the host program can ask components for and call.
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

const std::vector<KnownInterface>& KnownInterfaces();

// The interface called `name` or with IID `name` in text form; null if none.
const KnownInterface* FindKnownInterface(std::string_view name);

#endif  // XPCOM_HOST_KNOWNINTERFACES_H_
