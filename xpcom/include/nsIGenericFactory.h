// Module and component info records, and the generic module built from them.
#ifndef XPCOM_NSIGENERICFACTORY_H_
#define XPCOM_NSIGENERICFACTORY_H_

#include "nsIModule.h"

class nsIClassInfo;
struct nsModuleComponentInfo;

using NSConstructorProcPtr = nsresult (*)(nsISupports* outer, const nsIID& iid, void** result);
using NSRegisterSelfProcPtr = nsresult (*)(nsIComponentRegistrar* registrar, nsIFile* location,
                                           const char* loaderStr, const char* type,
                                           const nsModuleComponentInfo* info);
using NSUnregisterSelfProcPtr = nsresult (*)(nsIComponentRegistrar* registrar, nsIFile* location,
                                             const char* loaderStr,
                                             const nsModuleComponentInfo* info);
using NSFactoryDestructorProcPtr = void (*)();
using NSGetInterfacesProcPtr = nsresult (*)(PRUint32* count, nsIID*** array);
using nsModuleConstructorProc = nsresult (*)(nsIModule* self);
using nsModuleDestructorProc = void (*)(nsIModule* self);

struct nsModuleComponentInfo {
  const char* mDescription;
  nsCID mCID;
  const char* mContractID;
  NSConstructorProcPtr mConstructor;
  NSRegisterSelfProcPtr mRegisterSelfProc;
  NSUnregisterSelfProcPtr mUnregisterSelfProc;
  NSFactoryDestructorProcPtr mFactoryDestructor;
  NSGetInterfacesProcPtr mGetInterfacesProc;
  nsIClassInfo** mClassInfoGlobal;
  PRUint32 mFlags;
};

// A component record whose procedures, interface list and class information are empty and
// whose flags are 0.
constexpr nsModuleComponentInfo NS_PlainComponentInfo(const char* description, const nsCID& cid,
                                                      const char* contractID,
                                                      NSConstructorProcPtr constructor) {
  return {description, cid,     contractID, constructor, nullptr,
          nullptr,     nullptr, nullptr,    nullptr,     0};
}

inline constexpr PRUint32 NS_MODULEINFO_VERSION = 0x00015000;

struct nsModuleInfo {
  PRUint32 mVersion;
  const char* mModuleName;
  const nsModuleComponentInfo* mComponents;
  PRUint32 mCount;
  nsModuleConstructorProc mCtor;
  nsModuleDestructorProc mDtor;
};

// A module serving the components of `info`, which must outlive it. Runs the module
// constructor, if any, and fails with its result.
nsresult NS_NewGenericModule2(const nsModuleInfo* info, nsIModule** result);

// Defines the module's info record `gModuleInfo` over the array `_components` and the
// NSGetModule export serving it. The module name is `_name` as written, stringised.
#define NS_IMPL_NSGETMODULE(_name, _components)                                                   \
  static constexpr nsModuleInfo gModuleInfo = {                                                   \
      NS_MODULEINFO_VERSION,                                                                      \
      #_name,                                                                                     \
      _components,                                                                                \
      static_cast<PRUint32>(sizeof(_components) / sizeof((_components)[0])),                      \
      nullptr,                                                                                    \
      nullptr};                                                                                   \
  extern "C" NS_EXPORT nsresult NSGetModule(nsIComponentManager*, nsIFile*, nsIModule** result) { \
    return NS_NewGenericModule2(&gModuleInfo, result);                                            \
  }

#endif  // XPCOM_NSIGENERICFACTORY_H_
