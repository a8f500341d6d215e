// The implementation library's constructors and member functions, bound once at load. A
// member function is called with the object as its first argument.
#ifndef RX2_AUTOSHIM_ENTRY_POINTS_H_
#define RX2_AUTOSHIM_ENTRY_POINTS_H_

#include "quIRxEvalManager.h"
#include "quIRxNodeHighlighter.h"
#include "quIRxNodeTipGenerator.h"
#include "quIRxRegexEvaluator.h"

template <typename Method>
struct MemberEntry;
template <typename Interface, typename... Args>
struct MemberEntry<nsresult (Interface::*)(Args...)> {
  using Pointer = nsresult (*)(void* self, Args...);
};
// The entry point that carries out interface method `Method`.
template <auto Method>
using EntryPoint = typename MemberEntry<decltype(Method)>::Pointer;
using ConstructorEntry = void (*)(void* self);

extern ConstructorEntry quRxEvalManager_constructor;
extern EntryPoint<&quIRxEvalManager::GetStateCount> quRxEvalManager_GetStateCount;
extern EntryPoint<&quIRxEvalManager::GetRunFinished> quRxEvalManager_GetRunFinished;
extern EntryPoint<&quIRxEvalManager::InitEval> quRxEvalManager_InitEval;
extern EntryPoint<&quIRxEvalManager::GetNodeAt> quRxEvalManager_GetNodeAt;
extern EntryPoint<&quIRxEvalManager::SetBreakpoint> quRxEvalManager_SetBreakpoint;
extern EntryPoint<&quIRxEvalManager::RemoveBreakpoint> quRxEvalManager_RemoveBreakpoint;
extern EntryPoint<&quIRxEvalManager::SetTargetBreakpoint> quRxEvalManager_SetTargetBreakpoint;
extern EntryPoint<&quIRxEvalManager::RemoveTargetBreakpoint> quRxEvalManager_RemoveTargetBreakpoint;
extern EntryPoint<&quIRxEvalManager::RunForwardUntilBreakpoint>
    quRxEvalManager_RunForwardUntilBreakpoint;
extern EntryPoint<&quIRxEvalManager::RunBackwardUntilBreakpoint>
    quRxEvalManager_RunBackwardUntilBreakpoint;

extern ConstructorEntry quRxRegexInfo_constructor;
extern EntryPoint<&quIRxNodeHighlighter::GetNodeRange> quRxRegexInfo_GetNodeRange;
extern EntryPoint<&quIRxNodeHighlighter::GetChildNodesRange> quRxRegexInfo_GetChildNodesRange;
extern EntryPoint<&quIRxNodeHighlighter::GetMatchingNode> quRxRegexInfo_GetMatchingNode;
extern EntryPoint<&quIRxNodeHighlighter::GetGroup> quRxRegexInfo_GetGroup;
extern EntryPoint<&quIRxNodeHighlighter::NodeExists> quRxRegexInfo_NodeExists;
extern EntryPoint<&quIRxNodeHighlighter::GetNodeId> quRxRegexInfo_GetNodeId;
extern EntryPoint<&quIRxNodeHighlighter::GetNodeLevelCount> quRxRegexInfo_GetNodeLevelCount;
extern EntryPoint<&quIRxNodeHighlighter::GetInsertableTokens> quRxRegexInfo_GetInsertableTokens;
extern EntryPoint<&quIRxNodeHighlighter::GetAllTokens> quRxRegexInfo_GetAllTokens;
extern EntryPoint<&quIRxNodeTipGenerator::GetNodeTip> quRxRegexInfo_GetNodeTip;
extern EntryPoint<&quIRxRegexEvaluator::EvalRegex> quRxRegexInfo_EvalRegex;
extern EntryPoint<&quIRxRegexEvaluator::IsValidRegex> quRxRegexInfo_IsValidRegex;

#endif  // RX2_AUTOSHIM_ENTRY_POINTS_H_
