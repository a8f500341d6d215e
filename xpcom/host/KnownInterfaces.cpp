// Lookup in the interface tables of a host program.
#include "KnownInterfaces.h"

const MethodEntry* KnownInterface::FindMethod(std::string_view wanted) const {
  for (const MethodEntry& method : methods) {
    if (wanted == method.name) return &method;
  }
  return nullptr;
}

const KnownInterface* FindKnownInterface(const std::vector<KnownInterface>& table,
                                         std::string_view name) {
  nsIID iid;
  const bool isIID = nsIID::Parse(name, &iid);
  for (const KnownInterface& known : table) {
    if (isIID ? known.iid.Equals(iid) : name == known.name) return &known;
  }
  return nullptr;
}
