// Loads a component library the way a component manager does and creates its components.
#ifndef XPCOM_HOST_COMPONENTLIBRARY_H_
#define XPCOM_HOST_COMPONENTLIBRARY_H_

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "nsIModule.h"

struct ComponentRecord {
  std::string description;
  nsCID cid;
  std::string contractID;  // empty when the component has none
};

class ComponentLibrary {
 public:
  // Opens `path`, asks its NSGetModule for the module and collects what the module registers.
  // On failure returns null and says why in `*error`.
  static std::unique_ptr<ComponentLibrary> Load(const std::string& path, std::string* error);

  // The library stays loaded: its components and the libraries it bound may still be in use.
  ~ComponentLibrary() = default;

  const std::vector<ComponentRecord>& Components() const { return mComponents; }

  // The component with contract ID `id`, or with class ID `id` in text form; null if none.
  const ComponentRecord* Find(std::string_view id) const;

  // The factory of class `cid`, answered as `iid`.
  nsresult GetClassObject(const nsCID& cid, const nsIID& iid, void** result);

  // Creates an instance of class `cid` through the module's factory, answered as `iid`.
  nsresult CreateInstance(const nsCID& cid, const nsIID& iid, void** result);

 private:
  ComponentLibrary(nsIModule* module, std::vector<ComponentRecord> components)
      : mModule(module), mComponents(std::move(components)) {}

  std::unique_ptr<nsIModule, nsReleaser> mModule;
  std::vector<ComponentRecord> mComponents;
};

#endif  // XPCOM_HOST_COMPONENTLIBRARY_H_
