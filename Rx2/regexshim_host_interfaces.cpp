// The interface table of the regex evaluator components, for host programs.
#include "regexshim_host_interfaces.h"

#include "quIRxEvalManager.h"
#include "quIRxNodeHighlighter.h"
#include "quIRxNodeTipGenerator.h"
#include "quIRxRegexEvaluator.h"

std::vector<KnownInterface> RegexShimInterfaces() {
  return {
      {"quIRxEvalManager",
       quIRxEvalManager::kIID,
       {KNOWN_METHOD(quIRxEvalManager, GetStateCount),
        KNOWN_METHOD(quIRxEvalManager, GetRunFinished), KNOWN_METHOD(quIRxEvalManager, InitEval),
        KNOWN_METHOD(quIRxEvalManager, GetNodeAt), KNOWN_METHOD(quIRxEvalManager, SetBreakpoint),
        KNOWN_METHOD(quIRxEvalManager, RemoveBreakpoint),
        KNOWN_METHOD(quIRxEvalManager, SetTargetBreakpoint),
        KNOWN_METHOD(quIRxEvalManager, RemoveTargetBreakpoint),
        KNOWN_METHOD(quIRxEvalManager, RunForwardUntilBreakpoint),
        KNOWN_METHOD(quIRxEvalManager, RunBackwardUntilBreakpoint)}},
      {"quIRxNodeHighlighter",
       quIRxNodeHighlighter::kIID,
       {KNOWN_METHOD(quIRxNodeHighlighter, GetNodeRange),
        KNOWN_METHOD(quIRxNodeHighlighter, GetChildNodesRange),
        KNOWN_METHOD(quIRxNodeHighlighter, GetMatchingNode),
        KNOWN_METHOD(quIRxNodeHighlighter, GetGroup),
        KNOWN_METHOD(quIRxNodeHighlighter, NodeExists),
        KNOWN_METHOD(quIRxNodeHighlighter, GetNodeId),
        KNOWN_METHOD(quIRxNodeHighlighter, GetNodeLevelCount),
        KNOWN_METHOD(quIRxNodeHighlighter, GetInsertableTokens),
        KNOWN_METHOD(quIRxNodeHighlighter, GetAllTokens)}},
      {"quIRxNodeTipGenerator",
       quIRxNodeTipGenerator::kIID,
       {KNOWN_METHOD(quIRxNodeTipGenerator, GetNodeTip)}},
      {"quIRxRegexEvaluator",
       quIRxRegexEvaluator::kIID,
       {KNOWN_METHOD(quIRxRegexEvaluator, EvalRegex),
        KNOWN_METHOD(quIRxRegexEvaluator, IsValidRegex)}},
  };
}
