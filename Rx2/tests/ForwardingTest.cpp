// Every interface method reaches its implementation function with the object and the
// caller's arguments, and returns that function's result.
#include "RegexShimFixture.h"
#include "autoshim_entry_points.h"

namespace {

class ForwardingTest : public RegexShimTest {
 protected:
  // Runs `call` and expects exactly `expected` to have run and its result to come back.
  template <typename Call>
  void ExpectForwarded(Call call, const RecordedCall& expected) {
    SCOPED_TRACE(expected.function);
    const nsresult scripted = ++nextResult;
    SetScriptedResult(scripted);
    EXPECT_EQ(call(), scripted);
    EXPECT_EQ(TakeRecordedCalls(), std::vector<RecordedCall>{expected});
  }

  nsresult nextResult = 0x00470000;
  const char* t1 = "first";
  const char* t2 = "second";
  const char* t3 = "third";
  unsigned int u1 = 0, u2 = 0, u3 = 0, u4 = 0;
  int i1 = 0, i2 = 0;
  char* s1 = nullptr;
  char** ss1 = nullptr;
  char** ss2 = nullptr;
  unsigned int* up = nullptr;
  int* ip = nullptr;
};

std::uintptr_t W(const volatile void* pointer) { return AsWord(pointer); }

TEST_F(ForwardingTest, EvalManagerMethodsReachTheirImplementation) {
  const Owned<quIRxEvalManager> m = Create<quIRxEvalManager>(kManagerContract);
  const void* self = m.get();
  ExpectForwarded([&] { return m->GetStateCount(&u1); },
                  {"quRxEvalManager::GetStateCount", self, {W(&u1)}});
  ExpectForwarded([&] { return m->GetRunFinished(&i1); },
                  {"quRxEvalManager::GetRunFinished", self, {W(&i1)}});
  ExpectForwarded([&] { return m->InitEval(t1, t2, t3); },
                  {"quRxEvalManager::InitEval", self, {W(t1), W(t2), W(t3)}});
  ExpectForwarded(
      [&] { return m->GetNodeAt(9, &s1, &u1, &u2, &u3, &u4, &up); },
      {"quRxEvalManager::GetNodeAt", self, {9, W(&s1), W(&u1), W(&u2), W(&u3), W(&u4), W(&up)}});
  ExpectForwarded([&] { return m->SetBreakpoint(t1); },
                  {"quRxEvalManager::SetBreakpoint", self, {W(t1)}});
  ExpectForwarded([&] { return m->RemoveBreakpoint(t2); },
                  {"quRxEvalManager::RemoveBreakpoint", self, {W(t2)}});
  ExpectForwarded([&] { return m->SetTargetBreakpoint(5); },
                  {"quRxEvalManager::SetTargetBreakpoint", self, {5}});
  ExpectForwarded([&] { return m->RemoveTargetBreakpoint(6); },
                  {"quRxEvalManager::RemoveTargetBreakpoint", self, {6}});
  ExpectForwarded([&] { return m->RunForwardUntilBreakpoint(7, &u1); },
                  {"quRxEvalManager::RunForwardUntilBreakpoint", self, {7, W(&u1)}});
  ExpectForwarded([&] { return m->RunBackwardUntilBreakpoint(4294967295u, &u2); },
                  {"quRxEvalManager::RunBackwardUntilBreakpoint", self, {4294967295u, W(&u2)}});
}

TEST_F(ForwardingTest, NodeHighlighterMethodsReachTheirImplementation) {
  const Owned<quIRxNodeHighlighter> h = Create<quIRxNodeHighlighter>(kInfoContract);
  const void* self = h.get();
  ExpectForwarded(
      [&] { return h->GetNodeRange(t1, t2, t3, 3, &u1, &u2, &i1); },
      {"quRxRegexInfo::GetNodeRange", self, {W(t1), W(t2), W(t3), 3, W(&u1), W(&u2), W(&i1)}});
  ExpectForwarded(
      [&] { return h->GetChildNodesRange(t1, t2, t3, &u1, &u2, &i1); },
      {"quRxRegexInfo::GetChildNodesRange", self, {W(t1), W(t2), W(t3), W(&u1), W(&u2), W(&i1)}});
  ExpectForwarded([&] { return h->GetMatchingNode(t3, t2, t1, &s1); },
                  {"quRxRegexInfo::GetMatchingNode", self, {W(t3), W(t2), W(t1), W(&s1)}});
  ExpectForwarded([&] { return h->GetGroup(t1, t2, t3, &u3); },
                  {"quRxRegexInfo::GetGroup", self, {W(t1), W(t2), W(t3), W(&u3)}});
  ExpectForwarded([&] { return h->NodeExists(t1, t2, 11, &i2); },
                  {"quRxRegexInfo::NodeExists", self, {W(t1), W(t2), 11, W(&i2)}});
  ExpectForwarded([&] { return h->GetNodeId(t2, t1, 12, &s1); },
                  {"quRxRegexInfo::GetNodeId", self, {W(t2), W(t1), 12, W(&s1)}});
  ExpectForwarded([&] { return h->GetNodeLevelCount(t1, t2, 13, &u4); },
                  {"quRxRegexInfo::GetNodeLevelCount", self, {W(t1), W(t2), 13, W(&u4)}});
  ExpectForwarded(
      [&] { return h->GetInsertableTokens(t1, t2, 14, 15, &u1, &ip, &i1); },
      {"quRxRegexInfo::GetInsertableTokens", self, {W(t1), W(t2), 14, 15, W(&u1), W(&ip), W(&i1)}});
  ExpectForwarded(
      [&] { return h->GetAllTokens(&u1, &ss1, &ss2, &u2, &up, &i1); },
      {"quRxRegexInfo::GetAllTokens", self, {W(&u1), W(&ss1), W(&ss2), W(&u2), W(&up), W(&i1)}});
}

TEST_F(ForwardingTest, SecondAndThirdInterfacesReachTheImplementationWithTheWholeObject) {
  const Owned<quIRxNodeHighlighter> h = Create<quIRxNodeHighlighter>(kInfoContract);
  const void* self = h.get();
  const Owned<quIRxNodeTipGenerator> tips = Query<quIRxNodeTipGenerator>(h.get());
  const Owned<quIRxRegexEvaluator> evaluator = Query<quIRxRegexEvaluator>(h.get());
  ExpectForwarded([&] { return tips->GetNodeTip(t1, t2, t3, &s1); },
                  {"quRxRegexInfo::GetNodeTip", self, {W(t1), W(t2), W(t3), W(&s1)}});
  ExpectForwarded([&] { return evaluator->EvalRegex(t1, t2, t3, &u1, &u2, &up, &s1, &i1); },
                  {"quRxRegexInfo::EvalRegex",
                   self,
                   {W(t1), W(t2), W(t3), W(&u1), W(&u2), W(&up), W(&s1), W(&i1)}});
  ExpectForwarded([&] { return evaluator->IsValidRegex(t2, t3, &s1, &i2); },
                  {"quRxRegexInfo::IsValidRegex", self, {W(t2), W(t3), W(&s1), W(&i2)}});
}

// The primary table lists, after the three nsISupports and nine highlighter methods,
// GetNodeTip, EvalRegex and IsValidRegex: callers holding the object may call them there.
TEST_F(ForwardingTest, PrimaryTableCarriesTipAndEvaluatorMethodsAfterHighlighterOnes) {
  const Owned<quIRxNodeHighlighter> h = Create<quIRxNodeHighlighter>(kInfoContract);
  void* self = h.get();
  void* const* table = *static_cast<void* const* const*>(self);
  const auto slot = [table](auto entry, int index) {
    return reinterpret_cast<decltype(entry)>(table[index]);
  };
  const auto tip = slot(EntryPoint<&quIRxNodeTipGenerator::GetNodeTip>{}, 12);
  const auto eval = slot(EntryPoint<&quIRxRegexEvaluator::EvalRegex>{}, 13);
  const auto valid = slot(EntryPoint<&quIRxRegexEvaluator::IsValidRegex>{}, 14);
  ExpectForwarded([&] { return tip(self, t1, t2, t3, &s1); },
                  {"quRxRegexInfo::GetNodeTip", self, {W(t1), W(t2), W(t3), W(&s1)}});
  ExpectForwarded([&] { return eval(self, t3, t2, t1, &u1, &u2, &up, &s1, &i1); },
                  {"quRxRegexInfo::EvalRegex",
                   self,
                   {W(t3), W(t2), W(t1), W(&u1), W(&u2), W(&up), W(&s1), W(&i1)}});
  ExpectForwarded([&] { return valid(self, t1, t3, &s1, &i1); },
                  {"quRxRegexInfo::IsValidRegex", self, {W(t1), W(t3), W(&s1), W(&i1)}});
}

}  // namespace
