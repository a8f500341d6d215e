// Binds the implementation library while the component library loads. The component cannot
// work with part of its implementation, so any failure ends the process.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

#include "SymbolBinding.h"
#include "autoshim_entry_points.h"

ConstructorEntry quRxEvalManager_constructor;
EntryPoint<&quIRxEvalManager::GetStateCount> quRxEvalManager_GetStateCount;
EntryPoint<&quIRxEvalManager::GetRunFinished> quRxEvalManager_GetRunFinished;
EntryPoint<&quIRxEvalManager::InitEval> quRxEvalManager_InitEval;
EntryPoint<&quIRxEvalManager::GetNodeAt> quRxEvalManager_GetNodeAt;
EntryPoint<&quIRxEvalManager::SetBreakpoint> quRxEvalManager_SetBreakpoint;
EntryPoint<&quIRxEvalManager::RemoveBreakpoint> quRxEvalManager_RemoveBreakpoint;
EntryPoint<&quIRxEvalManager::SetTargetBreakpoint> quRxEvalManager_SetTargetBreakpoint;
EntryPoint<&quIRxEvalManager::RemoveTargetBreakpoint> quRxEvalManager_RemoveTargetBreakpoint;
EntryPoint<&quIRxEvalManager::RunForwardUntilBreakpoint> quRxEvalManager_RunForwardUntilBreakpoint;
EntryPoint<&quIRxEvalManager::RunBackwardUntilBreakpoint>
    quRxEvalManager_RunBackwardUntilBreakpoint;

ConstructorEntry quRxRegexInfo_constructor;
EntryPoint<&quIRxNodeHighlighter::GetNodeRange> quRxRegexInfo_GetNodeRange;
EntryPoint<&quIRxNodeHighlighter::GetChildNodesRange> quRxRegexInfo_GetChildNodesRange;
EntryPoint<&quIRxNodeHighlighter::GetMatchingNode> quRxRegexInfo_GetMatchingNode;
EntryPoint<&quIRxNodeHighlighter::GetGroup> quRxRegexInfo_GetGroup;
EntryPoint<&quIRxNodeHighlighter::NodeExists> quRxRegexInfo_NodeExists;
EntryPoint<&quIRxNodeHighlighter::GetNodeId> quRxRegexInfo_GetNodeId;
EntryPoint<&quIRxNodeHighlighter::GetNodeLevelCount> quRxRegexInfo_GetNodeLevelCount;
EntryPoint<&quIRxNodeHighlighter::GetInsertableTokens> quRxRegexInfo_GetInsertableTokens;
EntryPoint<&quIRxNodeHighlighter::GetAllTokens> quRxRegexInfo_GetAllTokens;
EntryPoint<&quIRxNodeTipGenerator::GetNodeTip> quRxRegexInfo_GetNodeTip;
EntryPoint<&quIRxRegexEvaluator::EvalRegex> quRxRegexInfo_EvalRegex;
EntryPoint<&quIRxRegexEvaluator::IsValidRegex> quRxRegexInfo_IsValidRegex;

namespace {

constexpr char kSourcePath[] = "build/release/Rx2/autoshim";

// Never closed: the components call into it for the life of the process.
void* implementation;

[[noreturn]] void Fail(int line, const char* error) {
  std::fprintf(stderr, "%s:%d: %s\n", kSourcePath, line, error);
  std::exit(1);
}

template <typename Pointer>
void Bind(Pointer* slot, const char* symbol, int line) {
  const char* error = nullptr;
  // A symbol found at a null address would be called later: refuse it like a missing one.
  if (!BindSymbol(implementation, symbol, slot, &error)) {
    Fail(line, error != nullptr ? error : symbol);
  }
}

__attribute__((constructor)) void BindImplementation() {
  implementation = dlopen("libqurximpl.so", RTLD_LAZY | RTLD_GLOBAL);
  if (implementation == nullptr) Fail(__LINE__ - 1, dlerror());

  Bind(&quRxEvalManager_constructor, "_ZN15quRxEvalManagerC1Ev", __LINE__);
  Bind(&quRxEvalManager_GetStateCount, "_ZN15quRxEvalManager13GetStateCountEPj", __LINE__);
  Bind(&quRxEvalManager_GetRunFinished, "_ZN15quRxEvalManager14GetRunFinishedEPi", __LINE__);
  Bind(&quRxEvalManager_InitEval, "_ZN15quRxEvalManager8InitEvalEPKcS1_S1_", __LINE__);
  Bind(&quRxEvalManager_GetNodeAt, "_ZN15quRxEvalManager9GetNodeAtEjPPcPjS2_S2_S2_PS2_", __LINE__);
  Bind(&quRxEvalManager_SetBreakpoint, "_ZN15quRxEvalManager13SetBreakpointEPKc", __LINE__);
  Bind(&quRxEvalManager_RemoveBreakpoint, "_ZN15quRxEvalManager16RemoveBreakpointEPKc", __LINE__);
  Bind(&quRxEvalManager_SetTargetBreakpoint, "_ZN15quRxEvalManager19SetTargetBreakpointEj",
       __LINE__);
  Bind(&quRxEvalManager_RemoveTargetBreakpoint, "_ZN15quRxEvalManager22RemoveTargetBreakpointEj",
       __LINE__);
  Bind(&quRxEvalManager_RunForwardUntilBreakpoint,
       "_ZN15quRxEvalManager25RunForwardUntilBreakpointEjPj", __LINE__);
  Bind(&quRxEvalManager_RunBackwardUntilBreakpoint,
       "_ZN15quRxEvalManager26RunBackwardUntilBreakpointEjPj", __LINE__);

  Bind(&quRxRegexInfo_constructor, "_ZN13quRxRegexInfoC2Ev", __LINE__);
  Bind(&quRxRegexInfo_GetNodeRange, "_ZN13quRxRegexInfo12GetNodeRangeEPKcS1_S1_jPjS2_Pi", __LINE__);
  Bind(&quRxRegexInfo_GetChildNodesRange, "_ZN13quRxRegexInfo18GetChildNodesRangeEPKcS1_S1_PjS2_Pi",
       __LINE__);
  Bind(&quRxRegexInfo_GetMatchingNode, "_ZN13quRxRegexInfo15GetMatchingNodeEPKcS1_S1_PPc",
       __LINE__);
  Bind(&quRxRegexInfo_GetGroup, "_ZN13quRxRegexInfo8GetGroupEPKcS1_S1_Pj", __LINE__);
  Bind(&quRxRegexInfo_NodeExists, "_ZN13quRxRegexInfo10NodeExistsEPKcS1_jPi", __LINE__);
  Bind(&quRxRegexInfo_GetNodeId, "_ZN13quRxRegexInfo9GetNodeIdEPKcS1_jPPc", __LINE__);
  Bind(&quRxRegexInfo_GetNodeLevelCount, "_ZN13quRxRegexInfo17GetNodeLevelCountEPKcS1_jPj",
       __LINE__);
  Bind(&quRxRegexInfo_GetInsertableTokens,
       "_ZN13quRxRegexInfo19GetInsertableTokensEPKcS1_jjPjPPiS3_", __LINE__);
  Bind(&quRxRegexInfo_GetAllTokens, "_ZN13quRxRegexInfo12GetAllTokensEPjPPPcS3_S0_PS0_Pi",
       __LINE__);
  Bind(&quRxRegexInfo_GetNodeTip, "_ZN13quRxRegexInfo10GetNodeTipEPKcS1_S1_PPc", __LINE__);
  Bind(&quRxRegexInfo_EvalRegex, "_ZN13quRxRegexInfo9EvalRegexEPKcS1_S1_PjS2_PS2_PPcPi", __LINE__);
  Bind(&quRxRegexInfo_IsValidRegex, "_ZN13quRxRegexInfo12IsValidRegexEPKcS1_PPcPi", __LINE__);
}

}  // namespace
