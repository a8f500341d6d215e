// What a module tells its component manager about each component when it registers itself.
#ifndef XPCOM_NSICOMPONENTREGISTRAR_H_
#define XPCOM_NSICOMPONENTREGISTRAR_H_

#include "nsISupports.h"

class nsIFile;

class nsIComponentRegistrar : public nsISupports {
 public:
  static constexpr nsIID kIID = {
      0x2417cbfe, 0x65ad, 0x48a6, {0xb4, 0xb6, 0xeb, 0x84, 0xdb, 0x17, 0x43, 0x92}};

  // `contractID` may be null.
  virtual nsresult RegisterFactoryLocation(const nsCID& cid, const char* description,
                                           const char* contractID, nsIFile* location,
                                           const char* loaderStr, const char* type) = 0;

 protected:
  ~nsIComponentRegistrar() = default;
};

#endif  // XPCOM_NSICOMPONENTREGISTRAR_H_
