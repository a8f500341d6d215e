// Loading, listing and creating components of one component library.
#include "ComponentLibrary.h"

#include <dlfcn.h>

#include <new>

#include "nsIFactory.h"
#include "nsSupportsImpl.h"

namespace {

// Receives the module's registrations.
class RecordCollector final : public nsSingleInterfaceImpl<nsIComponentRegistrar> {
 public:
  nsresult RegisterFactoryLocation(const nsCID& cid, const char* description,
                                   const char* contractID, nsIFile*, const char*,
                                   const char*) override {
    records.push_back(
        {description != nullptr ? description : "", cid, contractID != nullptr ? contractID : ""});
    return NS_OK;
  }

  std::vector<ComponentRecord> records;
};

}  // namespace

std::unique_ptr<ComponentLibrary> ComponentLibrary::Load(const std::string& path,
                                                         std::string* error) {
  // Never closed, as a component manager keeps component libraries loaded.
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    *error = dlerror();
    return nullptr;
  }
  auto getModule = reinterpret_cast<nsGetModuleProc>(dlsym(library, "NSGetModule"));
  if (getModule == nullptr) {
    *error = path + " is not a component library: it has no NSGetModule";
    return nullptr;
  }
  nsIModule* rawModule = nullptr;
  nsresult rv = getModule(nullptr, nullptr, &rawModule);
  if (NS_FAILED(rv) || rawModule == nullptr) {
    *error = path + ": NSGetModule failed";
    return nullptr;
  }
  std::unique_ptr<nsIModule, nsReleaser> module(rawModule);

  std::unique_ptr<RecordCollector, nsReleaser> collector(new RecordCollector);
  collector->AddRef();
  rv = module->RegisterSelf(collector.get(), nullptr, path.c_str(), "native");
  if (NS_FAILED(rv)) {
    *error = path + ": its module failed to register its components";
    return nullptr;
  }
  return std::unique_ptr<ComponentLibrary>(
      new ComponentLibrary(module.release(), std::move(collector->records)));
}

const ComponentRecord* ComponentLibrary::Find(std::string_view id) const {
  nsCID cid;
  const bool isClassID = nsCID::Parse(id, &cid);
  for (const ComponentRecord& record : mComponents) {
    if (isClassID ? record.cid.Equals(cid) : record.contractID == id) return &record;
  }
  return nullptr;
}

nsresult ComponentLibrary::GetClassObject(const nsCID& cid, const nsIID& iid, void** result) {
  return mModule->GetClassObject(nullptr, cid, iid, result);
}

nsresult ComponentLibrary::CreateInstance(const nsCID& cid, const nsIID& iid, void** result) {
  if (result == nullptr) return NS_ERROR_NULL_POINTER;
  *result = nullptr;
  void* rawFactory = nullptr;
  const nsresult rv = GetClassObject(cid, nsIFactory::kIID, &rawFactory);
  if (NS_FAILED(rv)) return rv;
  std::unique_ptr<nsIFactory, nsReleaser> factory(static_cast<nsIFactory*>(rawFactory));
  return factory->CreateInstance(nullptr, iid, result);
}
