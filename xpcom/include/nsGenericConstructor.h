// The constructor a component info record names for a class with a default constructor and
// no aggregation: creates the object and answers it as the asked interface.
#ifndef XPCOM_NSGENERICCONSTRUCTOR_H_
#define XPCOM_NSGENERICCONSTRUCTOR_H_

#include <new>

#include "nsISupports.h"

template <typename Component>
nsresult NS_GenericConstructor(nsISupports* outer, const nsIID& iid, void** result) {
  if (result == nullptr) return NS_ERROR_NULL_POINTER;
  *result = nullptr;
  if (outer != nullptr) return NS_ERROR_NO_AGGREGATION;
  auto* object = new (std::nothrow) Component();
  if (object == nullptr) return NS_ERROR_OUT_OF_MEMORY;
  // The temporary reference keeps the object alive through a failing QueryInterface, whose
  // Release then frees it.
  object->AddRef();
  const nsresult rv = object->QueryInterface(iid, result);
  object->Release();
  return rv;
}

#endif  // XPCOM_NSGENERICCONSTRUCTOR_H_
