// The generic module: finds a component of its info table by class ID and serves it through a
// factory that calls the component's constructor.
#include <new>

#include "nsIFactory.h"
#include "nsIGenericFactory.h"
#include "nsSupportsImpl.h"

namespace {

class GenericFactory final : public nsSingleInterfaceImpl<nsIFactory> {
 public:
  explicit GenericFactory(const nsModuleComponentInfo* info) : mInfo(info) {}

  nsresult CreateInstance(nsISupports* outer, const nsIID& iid, void** result) override {
    if (result == nullptr) return NS_ERROR_NULL_POINTER;
    if (mInfo->mConstructor == nullptr) {
      *result = nullptr;
      return NS_ERROR_FACTORY_NOT_REGISTERED;
    }
    return mInfo->mConstructor(outer, iid, result);
  }
  nsresult LockFactory(bool) override { return NS_OK; }

 private:
  ~GenericFactory() override {
    if (mInfo->mFactoryDestructor != nullptr) mInfo->mFactoryDestructor();
  }

  const nsModuleComponentInfo* mInfo;
};

class GenericModule final : public nsSingleInterfaceImpl<nsIModule> {
 public:
  explicit GenericModule(const nsModuleInfo* info) : mInfo(info) {}

  // Runs the module constructor, if any; the destructor runs only after one that succeeded.
  nsresult Construct() {
    const nsresult rv = mInfo->mCtor != nullptr ? mInfo->mCtor(this) : NS_OK;
    mConstructed = NS_SUCCEEDED(rv);
    return rv;
  }

  nsresult GetClassObject(nsIComponentManager*, const nsCID& cid, const nsIID& iid,
                          void** result) override {
    if (result == nullptr) return NS_ERROR_NULL_POINTER;
    *result = nullptr;
    const nsModuleComponentInfo* component = Find(cid);
    if (component == nullptr) return NS_ERROR_FACTORY_NOT_REGISTERED;
    auto* factory = new (std::nothrow) GenericFactory(component);
    if (factory == nullptr) return NS_ERROR_OUT_OF_MEMORY;
    factory->AddRef();
    const nsresult rv = factory->QueryInterface(iid, result);
    factory->Release();
    return rv;
  }

  nsresult RegisterSelf(nsIComponentRegistrar* registrar, nsIFile* location, const char* loaderStr,
                        const char* type) override {
    if (registrar == nullptr) return NS_ERROR_NULL_POINTER;
    for (PRUint32 i = 0; i < mInfo->mCount; ++i) {
      const nsModuleComponentInfo& component = mInfo->mComponents[i];
      nsresult rv = registrar->RegisterFactoryLocation(
          component.mCID, component.mDescription, component.mContractID, location, loaderStr, type);
      if (NS_SUCCEEDED(rv) && component.mRegisterSelfProc != nullptr) {
        rv = component.mRegisterSelfProc(registrar, location, loaderStr, type, &component);
      }
      if (NS_FAILED(rv)) return rv;
    }
    return NS_OK;
  }

  nsresult UnregisterSelf(nsIComponentRegistrar* registrar, nsIFile* location,
                          const char* loaderStr) override {
    for (PRUint32 i = 0; i < mInfo->mCount; ++i) {
      const nsModuleComponentInfo& component = mInfo->mComponents[i];
      if (component.mUnregisterSelfProc != nullptr) {
        component.mUnregisterSelfProc(registrar, location, loaderStr, &component);
      }
    }
    return NS_OK;
  }

  // Component libraries keep implementation libraries and process-wide state: never unload.
  nsresult CanUnload(nsIComponentManager*, bool* result) override {
    if (result == nullptr) return NS_ERROR_NULL_POINTER;
    *result = false;
    return NS_OK;
  }

 private:
  ~GenericModule() override {
    if (mConstructed && mInfo->mDtor != nullptr) mInfo->mDtor(this);
  }

  const nsModuleComponentInfo* Find(const nsCID& cid) const {
    for (PRUint32 i = 0; i < mInfo->mCount; ++i) {
      if (mInfo->mComponents[i].mCID.Equals(cid)) return &mInfo->mComponents[i];
    }
    return nullptr;
  }

  const nsModuleInfo* mInfo;
  bool mConstructed = false;
};

}  // namespace

nsresult NS_NewGenericModule2(const nsModuleInfo* info, nsIModule** result) {
  if (info == nullptr || result == nullptr) return NS_ERROR_NULL_POINTER;
  *result = nullptr;
  auto* module = new (std::nothrow) GenericModule(info);
  if (module == nullptr) return NS_ERROR_OUT_OF_MEMORY;
  module->AddRef();
  const nsresult rv = module->Construct();
  if (NS_FAILED(rv)) {
    module->Release();
    return rv;
  }
  *result = module;
  return NS_OK;
}
