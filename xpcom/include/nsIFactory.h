// The interface through which a component manager creates instances of one class.
#ifndef XPCOM_NSIFACTORY_H_
#define XPCOM_NSIFACTORY_H_

#include "nsISupports.h"

class nsIFactory : public nsISupports {
 public:
  static constexpr nsIID kIID = {
      0x00000001, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

  virtual nsresult CreateInstance(nsISupports* outer, const nsIID& iid, void** result) = 0;
  virtual nsresult LockFactory(bool lock) = 0;

 protected:
  ~nsIFactory() = default;
};

#endif  // XPCOM_NSIFACTORY_H_
