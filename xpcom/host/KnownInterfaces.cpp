// The interface table of the host program: nsISupports and the interfaces of the project's
// component libraries, with their callable methods.
#include "KnownInterfaces.h"

#include "quIPerlDbgListener.h"
#include "quIRxEvalManager.h"
#include "quIRxNodeHighlighter.h"
#include "quIRxNodeTipGenerator.h"
#include "quIRxRegexEvaluator.h"

#define METHOD(Interface, Name) MakeMethodEntry(#Name, &Interface::Name)

const std::vector<KnownInterface>& KnownInterfaces() {
  static const std::vector<KnownInterface> interfaces = {
      {"nsISupports", nsISupports::kIID, {}},
      {"quIRxEvalManager",
       quIRxEvalManager::kIID,
       {METHOD(quIRxEvalManager, GetStateCount), METHOD(quIRxEvalManager, GetRunFinished),
        METHOD(quIRxEvalManager, InitEval), METHOD(quIRxEvalManager, GetNodeAt),
        METHOD(quIRxEvalManager, SetBreakpoint), METHOD(quIRxEvalManager, RemoveBreakpoint),
        METHOD(quIRxEvalManager, SetTargetBreakpoint),
        METHOD(quIRxEvalManager, RemoveTargetBreakpoint),
        METHOD(quIRxEvalManager, RunForwardUntilBreakpoint),
        METHOD(quIRxEvalManager, RunBackwardUntilBreakpoint)}},
      {"quIRxNodeHighlighter",
       quIRxNodeHighlighter::kIID,
       {METHOD(quIRxNodeHighlighter, GetNodeRange),
        METHOD(quIRxNodeHighlighter, GetChildNodesRange),
        METHOD(quIRxNodeHighlighter, GetMatchingNode), METHOD(quIRxNodeHighlighter, GetGroup),
        METHOD(quIRxNodeHighlighter, NodeExists), METHOD(quIRxNodeHighlighter, GetNodeId),
        METHOD(quIRxNodeHighlighter, GetNodeLevelCount),
        METHOD(quIRxNodeHighlighter, GetInsertableTokens),
        METHOD(quIRxNodeHighlighter, GetAllTokens)}},
      {"quIRxNodeTipGenerator",
       quIRxNodeTipGenerator::kIID,
       {METHOD(quIRxNodeTipGenerator, GetNodeTip)}},
      {"quIRxRegexEvaluator",
       quIRxRegexEvaluator::kIID,
       {METHOD(quIRxRegexEvaluator, EvalRegex), METHOD(quIRxRegexEvaluator, IsValidRegex)}},
      {"quIPerlDbgListener",
       quIPerlDbgListener::kIID,
       {METHOD(quIPerlDbgListener, Init), METHOD(quIPerlDbgListener, Term),
        METHOD(quIPerlDbgListener, DoCommand)}},
  };
  return interfaces;
}

const MethodEntry* KnownInterface::FindMethod(std::string_view wanted) const {
  for (const MethodEntry& method : methods) {
    if (wanted == method.name) return &method;
  }
  return nullptr;
}

const KnownInterface* FindKnownInterface(std::string_view name) {
  nsIID iid;
  const bool isIID = nsIID::Parse(name, &iid);
  for (const KnownInterface& known : KnownInterfaces()) {
    if (isIID ? known.iid.Equals(iid) : name == known.name) return &known;
  }
  return nullptr;
}
