// Test implementation of the regex components: records every call with its object and
// arguments and returns the scripted result. Each class mirrors the component object: the
// shim's interface table pointers and count come first and are never touched here.
#include <cstdint>

#include "CallLog.h"
#include "quRxObjectLayout.h"

// What the constructor leaves in the storage, read back by GetStateCount.
constexpr unsigned int kConstructedStateCount = 7;

class quRxEvalManager {
 public:
  quRxEvalManager();
  nsresult GetStateCount(unsigned int* a1);
  nsresult GetRunFinished(int* a1);
  nsresult InitEval(const char* a1, const char* a2, const char* a3);
  nsresult GetNodeAt(unsigned int a1, char** a2, unsigned int* a3, unsigned int* a4,
                     unsigned int* a5, unsigned int* a6, unsigned int** a7);
  nsresult SetBreakpoint(const char* a1);
  nsresult RemoveBreakpoint(const char* a1);
  nsresult SetTargetBreakpoint(unsigned int a1);
  nsresult RemoveTargetBreakpoint(unsigned int a1);
  nsresult RunForwardUntilBreakpoint(unsigned int a1, unsigned int* a2);
  nsresult RunBackwardUntilBreakpoint(unsigned int a1, unsigned int* a2);

 private:
  void* mShimTable;
  std::uint32_t mShimCount;
  unsigned int mStateCount;
  // Fills the storage the object size promises, so that a smaller object would overflow.
  unsigned char mRest[kRxEvalManagerObjectSize - 2 * sizeof(void*) - sizeof(unsigned int)];
};
static_assert(sizeof(quRxEvalManager) <= kRxEvalManagerObjectSize,
              "the evaluation manager's storage does not fit the component object");

class quRxRegexInfo {
 public:
  quRxRegexInfo();
  nsresult GetNodeRange(const char* a1, const char* a2, const char* a3, unsigned int a4,
                        unsigned int* a5, unsigned int* a6, int* a7);
  nsresult GetChildNodesRange(const char* a1, const char* a2, const char* a3, unsigned int* a4,
                              unsigned int* a5, int* a6);
  nsresult GetMatchingNode(const char* a1, const char* a2, const char* a3, char** a4);
  nsresult GetGroup(const char* a1, const char* a2, const char* a3, unsigned int* a4);
  nsresult NodeExists(const char* a1, const char* a2, unsigned int a3, int* a4);
  nsresult GetNodeId(const char* a1, const char* a2, unsigned int a3, char** a4);
  nsresult GetNodeLevelCount(const char* a1, const char* a2, unsigned int a3, unsigned int* a4);
  nsresult GetInsertableTokens(const char* a1, const char* a2, unsigned int a3, unsigned int a4,
                               unsigned int* a5, int** a6, int* a7);
  nsresult GetAllTokens(unsigned int* a1, char*** a2, char*** a3, unsigned int* a4,
                        unsigned int** a5, int* a6);
  nsresult GetNodeTip(const char* a1, const char* a2, const char* a3, char** a4);
  nsresult EvalRegex(const char* a1, const char* a2, const char* a3, unsigned int* a4,
                     unsigned int* a5, unsigned int** a6, char** a7, int* a8);
  nsresult IsValidRegex(const char* a1, const char* a2, char** a3, int* a4);

 private:
  void* mShimTables[3];
  std::uint32_t mShimCount;
  unsigned char mStorage[kRxRegexInfoObjectSize - 4 * sizeof(void*)];
};
static_assert(sizeof(quRxRegexInfo) <= kRxRegexInfoObjectSize,
              "the regex information's storage does not fit the component object");

#define RECORD(Function, ...) Record(#Function, this, __VA_ARGS__)

quRxEvalManager::quRxEvalManager() : mStateCount(kConstructedStateCount), mRest() {
  Record("quRxEvalManager::quRxEvalManager", this);
}
nsresult quRxEvalManager::GetStateCount(unsigned int* a1) {
  RECORD(quRxEvalManager::GetStateCount, a1);
  *a1 = mStateCount;
  return ScriptedResult();
}
nsresult quRxEvalManager::GetRunFinished(int* a1) {
  RECORD(quRxEvalManager::GetRunFinished, a1);
  return ScriptedResult();
}
nsresult quRxEvalManager::InitEval(const char* a1, const char* a2, const char* a3) {
  RECORD(quRxEvalManager::InitEval, a1, a2, a3);
  return ScriptedResult();
}
nsresult quRxEvalManager::GetNodeAt(unsigned int a1, char** a2, unsigned int* a3, unsigned int* a4,
                                    unsigned int* a5, unsigned int* a6, unsigned int** a7) {
  RECORD(quRxEvalManager::GetNodeAt, a1, a2, a3, a4, a5, a6, a7);
  return ScriptedResult();
}
nsresult quRxEvalManager::SetBreakpoint(const char* a1) {
  RECORD(quRxEvalManager::SetBreakpoint, a1);
  return ScriptedResult();
}
nsresult quRxEvalManager::RemoveBreakpoint(const char* a1) {
  RECORD(quRxEvalManager::RemoveBreakpoint, a1);
  return ScriptedResult();
}
nsresult quRxEvalManager::SetTargetBreakpoint(unsigned int a1) {
  RECORD(quRxEvalManager::SetTargetBreakpoint, a1);
  return ScriptedResult();
}
nsresult quRxEvalManager::RemoveTargetBreakpoint(unsigned int a1) {
  RECORD(quRxEvalManager::RemoveTargetBreakpoint, a1);
  return ScriptedResult();
}
nsresult quRxEvalManager::RunForwardUntilBreakpoint(unsigned int a1, unsigned int* a2) {
  RECORD(quRxEvalManager::RunForwardUntilBreakpoint, a1, a2);
  return ScriptedResult();
}
nsresult quRxEvalManager::RunBackwardUntilBreakpoint(unsigned int a1, unsigned int* a2) {
  RECORD(quRxEvalManager::RunBackwardUntilBreakpoint, a1, a2);
  return ScriptedResult();
}

quRxRegexInfo::quRxRegexInfo() : mStorage() { Record("quRxRegexInfo::quRxRegexInfo", this); }
nsresult quRxRegexInfo::GetNodeRange(const char* a1, const char* a2, const char* a3,
                                     unsigned int a4, unsigned int* a5, unsigned int* a6, int* a7) {
  RECORD(quRxRegexInfo::GetNodeRange, a1, a2, a3, a4, a5, a6, a7);
  return ScriptedResult();
}
nsresult quRxRegexInfo::GetChildNodesRange(const char* a1, const char* a2, const char* a3,
                                           unsigned int* a4, unsigned int* a5, int* a6) {
  RECORD(quRxRegexInfo::GetChildNodesRange, a1, a2, a3, a4, a5, a6);
  return ScriptedResult();
}
nsresult quRxRegexInfo::GetMatchingNode(const char* a1, const char* a2, const char* a3, char** a4) {
  RECORD(quRxRegexInfo::GetMatchingNode, a1, a2, a3, a4);
  return ScriptedResult();
}
nsresult quRxRegexInfo::GetGroup(const char* a1, const char* a2, const char* a3, unsigned int* a4) {
  RECORD(quRxRegexInfo::GetGroup, a1, a2, a3, a4);
  return ScriptedResult();
}
nsresult quRxRegexInfo::NodeExists(const char* a1, const char* a2, unsigned int a3, int* a4) {
  RECORD(quRxRegexInfo::NodeExists, a1, a2, a3, a4);
  return ScriptedResult();
}
nsresult quRxRegexInfo::GetNodeId(const char* a1, const char* a2, unsigned int a3, char** a4) {
  RECORD(quRxRegexInfo::GetNodeId, a1, a2, a3, a4);
  return ScriptedResult();
}
nsresult quRxRegexInfo::GetNodeLevelCount(const char* a1, const char* a2, unsigned int a3,
                                          unsigned int* a4) {
  RECORD(quRxRegexInfo::GetNodeLevelCount, a1, a2, a3, a4);
  return ScriptedResult();
}
nsresult quRxRegexInfo::GetInsertableTokens(const char* a1, const char* a2, unsigned int a3,
                                            unsigned int a4, unsigned int* a5, int** a6, int* a7) {
  RECORD(quRxRegexInfo::GetInsertableTokens, a1, a2, a3, a4, a5, a6, a7);
  return ScriptedResult();
}
nsresult quRxRegexInfo::GetAllTokens(unsigned int* a1, char*** a2, char*** a3, unsigned int* a4,
                                     unsigned int** a5, int* a6) {
  RECORD(quRxRegexInfo::GetAllTokens, a1, a2, a3, a4, a5, a6);
  return ScriptedResult();
}
nsresult quRxRegexInfo::GetNodeTip(const char* a1, const char* a2, const char* a3, char** a4) {
  RECORD(quRxRegexInfo::GetNodeTip, a1, a2, a3, a4);
  return ScriptedResult();
}
nsresult quRxRegexInfo::EvalRegex(const char* a1, const char* a2, const char* a3, unsigned int* a4,
                                  unsigned int* a5, unsigned int** a6, char** a7, int* a8) {
  RECORD(quRxRegexInfo::EvalRegex, a1, a2, a3, a4, a5, a6, a7, a8);
  return ScriptedResult();
}
nsresult quRxRegexInfo::IsValidRegex(const char* a1, const char* a2, char** a3, int* a4) {
  RECORD(quRxRegexInfo::IsValidRegex, a1, a2, a3, a4);
  return ScriptedResult();
}
