// The Perl debugger listener component: every call goes to the implementation library under
// the process-wide lock.
#ifndef PERLDBG_LISTENER_QUPERLDBGLISTENER_H_
#define PERLDBG_LISTENER_QUPERLDBGLISTENER_H_

#include "quIPerlDbgListener.h"

class quPerlDbgListener final : public quIPerlDbgListener {
 public:
  quPerlDbgListener();
  // The implementation's state ends only with Term.
  virtual ~quPerlDbgListener() = default;

  nsresult QueryInterface(const nsIID& iid, void** result) override;
  nsrefcnt AddRef() override;
  nsrefcnt Release() override;

  nsresult Init(const char* text, int* status) override;
  nsresult Term(int* status) override;
  nsresult DoCommand(const char* command, char** result) override;

 private:
  // Updated atomically: listeners may be shared between threads.
  nsAutoRefCnt mRefCnt;
};

// Fails with NS_ERROR_NOT_AVAILABLE when the implementation library or one of the entry
// points a listener calls was not found at load.
nsresult quPerlDbgListenerConstructor(nsISupports* outer, const nsIID& iid, void** result);

#endif  // PERLDBG_LISTENER_QUPERLDBGLISTENER_H_
