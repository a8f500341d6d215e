// The object a component library's NSGetModule hands to the component manager.
#ifndef XPCOM_NSIMODULE_H_
#define XPCOM_NSIMODULE_H_

#include "nsIComponentRegistrar.h"
#include "nsISupports.h"

class nsIComponentManager;
class nsIFile;

class nsIModule : public nsISupports {
 public:
  static constexpr nsIID kIID = {
      0x67110693, 0x986b, 0x4994, {0x91, 0xf8, 0x77, 0x35, 0x5e, 0x2f, 0xa0, 0x55}};

  // The factory of class `cid`, answered as interface `iid`.
  virtual nsresult GetClassObject(nsIComponentManager* manager, const nsCID& cid, const nsIID& iid,
                                  void** result) = 0;
  // Tells `registrar` about every component of the module.
  virtual nsresult RegisterSelf(nsIComponentRegistrar* registrar, nsIFile* location,
                                const char* loaderStr, const char* type) = 0;
  virtual nsresult UnregisterSelf(nsIComponentRegistrar* registrar, nsIFile* location,
                                  const char* loaderStr) = 0;
  virtual nsresult CanUnload(nsIComponentManager* manager, bool* result) = 0;

 protected:
  ~nsIModule() = default;
};

// The export every component library provides.
using nsGetModuleProc = nsresult (*)(nsIComponentManager* manager, nsIFile* location,
                                     nsIModule** result);

#endif  // XPCOM_NSIMODULE_H_
