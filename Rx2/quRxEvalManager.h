// The evaluation manager component: an object laid out for the implementation library, whose
// constructor and member functions do all the work.
#ifndef RX2_QURXEVALMANAGER_H_
#define RX2_QURXEVALMANAGER_H_

#include "quIRxEvalManager.h"
#include "quRxObjectLayout.h"

class quRxEvalManager final : public quIRxEvalManager {
 public:
  quRxEvalManager();

  nsresult QueryInterface(const nsIID& iid, void** result) override;
  nsrefcnt AddRef() override;
  nsrefcnt Release() override;

  nsresult GetStateCount(unsigned int* a1) override;
  nsresult GetRunFinished(int* a1) override;
  nsresult InitEval(const char* a1, const char* a2, const char* a3) override;
  nsresult GetNodeAt(unsigned int a1, char** a2, unsigned int* a3, unsigned int* a4,
                     unsigned int* a5, unsigned int* a6, unsigned int** a7) override;
  nsresult SetBreakpoint(const char* a1) override;
  nsresult RemoveBreakpoint(const char* a1) override;
  nsresult SetTargetBreakpoint(unsigned int a1) override;
  nsresult RemoveTargetBreakpoint(unsigned int a1) override;
  nsresult RunForwardUntilBreakpoint(unsigned int a1, unsigned int* a2) override;
  nsresult RunBackwardUntilBreakpoint(unsigned int a1, unsigned int* a2) override;

 private:
  // Plain count: an object belongs to one thread.
  nsAutoRefCnt mRefCnt;
  // Used only by the implementation's constructor and member functions.
  alignas(void*) unsigned char mImplementationStorage[kRxEvalManagerStorage];
};
static_assert(sizeof(quRxEvalManager) == kRxEvalManagerObjectSize);

nsresult quRxEvalManagerConstructor(nsISupports* outer, const nsIID& iid, void** result);

#endif  // RX2_QURXEVALMANAGER_H_
