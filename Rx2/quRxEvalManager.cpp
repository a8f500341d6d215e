// Reference counting and forwarding of the evaluation manager.
#include "quRxEvalManager.h"

#include "autoshim_entry_points.h"
#include "nsGenericConstructor.h"
#include "nsSupportsImpl.h"

quRxEvalManager::quRxEvalManager() { quRxEvalManager_constructor(this); }

nsresult quRxEvalManager::QueryInterface(const nsIID& iid, void** result) {
  return NS_QuerySingleInterface<quIRxEvalManager>(this, iid, result);
}

nsrefcnt quRxEvalManager::AddRef() { return ++mRefCnt; }

// Deleting releases the storage only: the implementation has no destructor to run.
nsrefcnt quRxEvalManager::Release() { return NS_FinishRelease(this, mRefCnt, --mRefCnt); }

nsresult quRxEvalManager::GetStateCount(unsigned int* a1) {
  return quRxEvalManager_GetStateCount(this, a1);
}
nsresult quRxEvalManager::GetRunFinished(int* a1) {
  return quRxEvalManager_GetRunFinished(this, a1);
}
nsresult quRxEvalManager::InitEval(const char* a1, const char* a2, const char* a3) {
  return quRxEvalManager_InitEval(this, a1, a2, a3);
}
nsresult quRxEvalManager::GetNodeAt(unsigned int a1, char** a2, unsigned int* a3, unsigned int* a4,
                                    unsigned int* a5, unsigned int* a6, unsigned int** a7) {
  return quRxEvalManager_GetNodeAt(this, a1, a2, a3, a4, a5, a6, a7);
}
nsresult quRxEvalManager::SetBreakpoint(const char* a1) {
  return quRxEvalManager_SetBreakpoint(this, a1);
}
nsresult quRxEvalManager::RemoveBreakpoint(const char* a1) {
  return quRxEvalManager_RemoveBreakpoint(this, a1);
}
nsresult quRxEvalManager::SetTargetBreakpoint(unsigned int a1) {
  return quRxEvalManager_SetTargetBreakpoint(this, a1);
}
nsresult quRxEvalManager::RemoveTargetBreakpoint(unsigned int a1) {
  return quRxEvalManager_RemoveTargetBreakpoint(this, a1);
}
nsresult quRxEvalManager::RunForwardUntilBreakpoint(unsigned int a1, unsigned int* a2) {
  return quRxEvalManager_RunForwardUntilBreakpoint(this, a1, a2);
}
nsresult quRxEvalManager::RunBackwardUntilBreakpoint(unsigned int a1, unsigned int* a2) {
  return quRxEvalManager_RunBackwardUntilBreakpoint(this, a1, a2);
}

nsresult quRxEvalManagerConstructor(nsISupports* outer, const nsIID& iid, void** result) {
  return NS_GenericConstructor<quRxEvalManager>(outer, iid, result);
}
