// Interface answers, reference counting and forwarding of the regex information component.
// Calls through the second and third interfaces arrive here with the object pointer already
// adjusted to the whole object, which is what the implementation receives.
#include "quRxRegexInfo.h"

#include "autoshim_entry_points.h"
#include "nsGenericConstructor.h"
#include "nsSupportsImpl.h"

quRxRegexInfo::quRxRegexInfo() { quRxRegexInfo_constructor(this); }

nsresult quRxRegexInfo::QueryInterface(const nsIID& iid, void** result) {
  if (result == nullptr) return NS_ERROR_NULL_POINTER;
  const auto answer = [result](auto* interface) {
    interface->AddRef();
    *result = interface;
    return NS_OK;
  };
  if (iid.Equals(quIRxNodeHighlighter::kIID))
    return answer(static_cast<quIRxNodeHighlighter*>(this));
  if (iid.Equals(quIRxNodeTipGenerator::kIID))
    return answer(static_cast<quIRxNodeTipGenerator*>(this));
  if (iid.Equals(quIRxRegexEvaluator::kIID)) return answer(static_cast<quIRxRegexEvaluator*>(this));
  if (iid.Equals(nsISupports::kIID)) return answer(static_cast<quIRxNodeHighlighter*>(this));
  *result = nullptr;
  return NS_ERROR_NO_INTERFACE;
}

nsrefcnt quRxRegexInfo::AddRef() { return ++mRefCnt; }

// Deleting releases the storage only: the implementation has no destructor to run.
nsrefcnt quRxRegexInfo::Release() { return NS_FinishRelease(this, mRefCnt, --mRefCnt); }

nsresult quRxRegexInfo::GetNodeRange(const char* a1, const char* a2, const char* a3,
                                     unsigned int a4, unsigned int* a5, unsigned int* a6, int* a7) {
  return quRxRegexInfo_GetNodeRange(this, a1, a2, a3, a4, a5, a6, a7);
}
nsresult quRxRegexInfo::GetChildNodesRange(const char* a1, const char* a2, const char* a3,
                                           unsigned int* a4, unsigned int* a5, int* a6) {
  return quRxRegexInfo_GetChildNodesRange(this, a1, a2, a3, a4, a5, a6);
}
nsresult quRxRegexInfo::GetMatchingNode(const char* a1, const char* a2, const char* a3, char** a4) {
  return quRxRegexInfo_GetMatchingNode(this, a1, a2, a3, a4);
}
nsresult quRxRegexInfo::GetGroup(const char* a1, const char* a2, const char* a3, unsigned int* a4) {
  return quRxRegexInfo_GetGroup(this, a1, a2, a3, a4);
}
nsresult quRxRegexInfo::NodeExists(const char* a1, const char* a2, unsigned int a3, int* a4) {
  return quRxRegexInfo_NodeExists(this, a1, a2, a3, a4);
}
nsresult quRxRegexInfo::GetNodeId(const char* a1, const char* a2, unsigned int a3, char** a4) {
  return quRxRegexInfo_GetNodeId(this, a1, a2, a3, a4);
}
nsresult quRxRegexInfo::GetNodeLevelCount(const char* a1, const char* a2, unsigned int a3,
                                          unsigned int* a4) {
  return quRxRegexInfo_GetNodeLevelCount(this, a1, a2, a3, a4);
}
nsresult quRxRegexInfo::GetInsertableTokens(const char* a1, const char* a2, unsigned int a3,
                                            unsigned int a4, unsigned int* a5, int** a6, int* a7) {
  return quRxRegexInfo_GetInsertableTokens(this, a1, a2, a3, a4, a5, a6, a7);
}
nsresult quRxRegexInfo::GetAllTokens(unsigned int* a1, char*** a2, char*** a3, unsigned int* a4,
                                     unsigned int** a5, int* a6) {
  return quRxRegexInfo_GetAllTokens(this, a1, a2, a3, a4, a5, a6);
}
nsresult quRxRegexInfo::GetNodeTip(const char* a1, const char* a2, const char* a3, char** a4) {
  return quRxRegexInfo_GetNodeTip(this, a1, a2, a3, a4);
}
nsresult quRxRegexInfo::EvalRegex(const char* a1, const char* a2, const char* a3, unsigned int* a4,
                                  unsigned int* a5, unsigned int** a6, char** a7, int* a8) {
  return quRxRegexInfo_EvalRegex(this, a1, a2, a3, a4, a5, a6, a7, a8);
}
nsresult quRxRegexInfo::IsValidRegex(const char* a1, const char* a2, char** a3, int* a4) {
  return quRxRegexInfo_IsValidRegex(this, a1, a2, a3, a4);
}

nsresult quRxRegexInfoConstructor(nsISupports* outer, const nsIID& iid, void** result) {
  return NS_GenericConstructor<quRxRegexInfo>(outer, iid, result);
}
