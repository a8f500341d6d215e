// Binding a component library's entry points to its implementation library by symbol name,
// shared by the shims; each decides itself what a missing entry point means.
#ifndef XPCOM_SYMBOLBINDING_H_
#define XPCOM_SYMBOLBINDING_H_

#include <dlfcn.h>

// Stores the address of `symbol` in `library` into `slot` with the slot's own type. False when
// the symbol is missing or sits at a null address; `error` then holds the loader's message, or
// null when the loader gave none.
template <typename Pointer>
bool BindSymbol(void* library, const char* symbol, Pointer* slot, const char** error) {
  dlerror();
  void* address = dlsym(library, symbol);
  *error = dlerror();
  *slot = reinterpret_cast<Pointer>(address);
  return address != nullptr;
}

#endif  // XPCOM_SYMBOLBINDING_H_
