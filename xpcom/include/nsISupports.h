// The root interface of every component, and the reference count its classes keep.
#ifndef XPCOM_NSISUPPORTS_H_
#define XPCOM_NSISUPPORTS_H_

#include "nsError.h"
#include "nsID.h"
#include "nscore.h"

class nsISupports {
 public:
  static constexpr nsIID kIID = {
      0x00000000, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

  virtual nsresult QueryInterface(const nsIID& iid, void** result) = 0;
  virtual nsrefcnt AddRef() = 0;
  virtual nsrefcnt Release() = 0;

 protected:
  ~nsISupports() = default;  // objects go away through Release
};

// The interface identifier of an interface class.
template <typename Interface>
constexpr const nsIID& NS_GET_IID() {
  return Interface::kIID;
}

// Gives up one reference: owning pointers are std::unique_ptr<Interface, nsReleaser>.
struct nsReleaser {
  template <typename Interface>
  void operator()(Interface* object) const {
    object->Release();
  }
};

// A reference count that starts at 0. Classes shared between threads update it through
// AtomicCell with NSPR's atomic operations.
class nsAutoRefCnt {
 public:
  nsAutoRefCnt() = default;
  nsAutoRefCnt(const nsAutoRefCnt&) = delete;
  nsAutoRefCnt& operator=(const nsAutoRefCnt&) = delete;

  nsrefcnt operator++() { return ++mValue; }
  nsrefcnt operator--() { return --mValue; }
  nsAutoRefCnt& operator=(nsrefcnt value) {
    mValue = value;
    return *this;
  }
  operator nsrefcnt() const { return mValue; }

  // Signed and unsigned forms of one integer type may alias each other.
  PRInt32* AtomicCell() { return reinterpret_cast<PRInt32*>(&mValue); }

 private:
  nsrefcnt mValue = 0;
};
static_assert(sizeof(nsAutoRefCnt) == sizeof(PRInt32));

#endif  // XPCOM_NSISUPPORTS_H_
