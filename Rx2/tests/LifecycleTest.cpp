// Registration, creation, interface answers and reference counting of the regex components.
#include "FreeWatch.h"
#include "RegexShimFixture.h"
#include "nsIFactory.h"
#include "quIRxEvalManager.h"
#include "quIRxNodeHighlighter.h"
#include "quIRxNodeTipGenerator.h"
#include "quIRxRegexEvaluator.h"
#include "quRxObjectLayout.h"

namespace {

using Factory = Owned<nsIFactory>;

class RegexLifecycleTest : public RegexShimTest {
 protected:
  Factory FactoryOf(const char* contract) {
    void* factory = nullptr;
    EXPECT_EQ(Library().GetClassObject(ClassOf(contract), nsIFactory::kIID, &factory), NS_OK);
    return Factory(static_cast<nsIFactory*>(factory));
  }
};

TEST_F(RegexLifecycleTest, ListsBothComponentsWithTheirIdentifiers) {
  const std::vector<ComponentRecord>& components = Library().Components();
  ASSERT_EQ(components.size(), 2u);
  EXPECT_EQ(components[0].description, "Regular Expression Evaluation Engine Manager Component");
  EXPECT_EQ(components[0].cid.ToString(), "{6b6b51b3-b860-49d8-b125-a1afc9319279}");
  EXPECT_EQ(components[0].contractID, kManagerContract);
  EXPECT_EQ(components[1].description, "Regular Expression Info Component");
  EXPECT_EQ(components[1].cid.ToString(), "{bb75b570-39bb-42bd-b2e1-c34e19ab2634}");
  EXPECT_EQ(components[1].contractID, kInfoContract);
}

TEST_F(RegexLifecycleTest, CreationRunsTheImplementationConstructorOnTheObject) {
  void* manager = nullptr;
  ASSERT_EQ(Library().CreateInstance(ClassOf(kManagerContract), quIRxEvalManager::kIID, &manager),
            NS_OK);
  const Owned<quIRxEvalManager> ownedManager(static_cast<quIRxEvalManager*>(manager));
  void* info = nullptr;
  ASSERT_EQ(Library().CreateInstance(ClassOf(kInfoContract), nsISupports::kIID, &info), NS_OK);
  const Owned<nsISupports> ownedInfo(static_cast<nsISupports*>(info));
  EXPECT_EQ(TakeRecordedCalls(),
            (std::vector<RecordedCall>{{"quRxEvalManager::quRxEvalManager", manager, {}},
                                       {"quRxRegexInfo::quRxRegexInfo", info, {}}}));
}

TEST_F(RegexLifecycleTest, ImplementationStorageOutlivesTheConstructor) {
  const Owned<quIRxEvalManager> manager = Create<quIRxEvalManager>(kManagerContract);
  unsigned int count = 0;
  ASSERT_EQ(manager->GetStateCount(&count), NS_OK);
  EXPECT_EQ(count, 7u);  // left there by the test implementation's constructor
}

TEST_F(RegexLifecycleTest, EvalManagerAnswersItsInterfaceAndNsISupportsWithTheObject) {
  const Owned<quIRxEvalManager> manager = Create<quIRxEvalManager>(kManagerContract);
  EXPECT_EQ(static_cast<void*>(Query<nsISupports>(manager.get()).get()), manager.get());
  EXPECT_EQ(Query<quIRxEvalManager>(manager.get()).get(), manager.get());
}

TEST_F(RegexLifecycleTest, RegexInfoAnswersEachInterfaceWithItsOwnTable) {
  const Owned<quIRxNodeHighlighter> primary = Create<quIRxNodeHighlighter>(kInfoContract);
  const void* tips = Query<quIRxNodeTipGenerator>(primary.get()).get();
  const void* evaluator = Query<quIRxRegexEvaluator>(primary.get()).get();
  EXPECT_EQ(static_cast<void*>(Query<nsISupports>(primary.get()).get()), primary.get());
  EXPECT_NE(tips, static_cast<void*>(primary.get()));
  EXPECT_NE(evaluator, static_cast<void*>(primary.get()));
  EXPECT_NE(tips, evaluator);
  // The second and third interfaces lead back to the same object.
  const Owned<quIRxRegexEvaluator> fromTips =
      Query<quIRxRegexEvaluator>(static_cast<quIRxNodeTipGenerator*>(const_cast<void*>(tips)));
  EXPECT_EQ(static_cast<const void*>(fromTips.get()), evaluator);
}

TEST_F(RegexLifecycleTest, UnknownInterfaceIsRefusedWithANullResult) {
  const Owned<quIRxEvalManager> manager = Create<quIRxEvalManager>(kManagerContract);
  const Owned<quIRxNodeHighlighter> info = Create<quIRxNodeHighlighter>(kInfoContract);
  void* answer = &answer;
  EXPECT_EQ(manager->QueryInterface(quIRxRegexEvaluator::kIID, &answer), NS_ERROR_NO_INTERFACE);
  EXPECT_EQ(answer, nullptr);
  answer = &answer;
  EXPECT_EQ(info->QueryInterface(quIRxEvalManager::kIID, &answer), NS_ERROR_NO_INTERFACE);
  EXPECT_EQ(answer, nullptr);
  EXPECT_EQ(manager->AddRef(), 2u);  // a refusal adds no reference
  manager->Release();
}

TEST_F(RegexLifecycleTest, QueryWithoutResultPointerIsANullPointerError) {
  const Owned<quIRxEvalManager> manager = Create<quIRxEvalManager>(kManagerContract);
  const Owned<quIRxNodeHighlighter> info = Create<quIRxNodeHighlighter>(kInfoContract);
  EXPECT_EQ(manager->QueryInterface(quIRxEvalManager::kIID, nullptr), NS_ERROR_NULL_POINTER);
  EXPECT_EQ(info->QueryInterface(quIRxRegexEvaluator::kIID, nullptr), NS_ERROR_NULL_POINTER);
}

TEST_F(RegexLifecycleTest, CountsReferencesThroughEveryInterface) {
  quIRxNodeHighlighter* info = Create<quIRxNodeHighlighter>(kInfoContract).release();
  EXPECT_EQ(info->AddRef(), 2u);
  quIRxRegexEvaluator* evaluator = Query<quIRxRegexEvaluator>(info).release();
  EXPECT_EQ(evaluator->AddRef(), 4u);
  EXPECT_EQ(evaluator->Release(), 3u);
  EXPECT_EQ(evaluator->Release(), 2u);
  EXPECT_EQ(info->Release(), 1u);
  EXPECT_EQ(info->Release(), 0u);
}

TEST_F(RegexLifecycleTest, LastReleaseFreesTheWholeObjectWithoutCallingTheImplementation) {
  quIRxEvalManager* manager = Create<quIRxEvalManager>(kManagerContract).release();
  WatchFreesOfSize(kRxEvalManagerObjectSize);
  EXPECT_EQ(manager->Release(), 0u);
  EXPECT_EQ(LastFreedBlock(), static_cast<void*>(manager));

  quIRxNodeHighlighter* info = Create<quIRxNodeHighlighter>(kInfoContract).release();
  quIRxNodeTipGenerator* tips = Query<quIRxNodeTipGenerator>(info).release();
  info->Release();
  WatchFreesOfSize(kRxRegexInfoObjectSize);
  EXPECT_EQ(tips->Release(), 0u);
  EXPECT_EQ(LastFreedBlock(), static_cast<void*>(info));
  EXPECT_TRUE(TakeRecordedCalls().empty());
}

TEST_F(RegexLifecycleTest, AggregationIsRefusedBeforeAnythingIsCreated) {
  const Owned<quIRxEvalManager> outer = Create<quIRxEvalManager>(kManagerContract);
  for (const char* contract : {kManagerContract, kInfoContract}) {
    void* object = &object;
    EXPECT_EQ(FactoryOf(contract)->CreateInstance(outer.get(), nsISupports::kIID, &object),
              NS_ERROR_NO_AGGREGATION);
    EXPECT_EQ(object, nullptr);
  }
  EXPECT_TRUE(TakeRecordedCalls().empty());
}

TEST_F(RegexLifecycleTest, CreationForAnUnknownInterfaceFreesTheNewObject) {
  WatchFreesOfSize(kRxRegexInfoObjectSize);
  void* object = &object;
  EXPECT_EQ(FactoryOf(kInfoContract)->CreateInstance(nullptr, kUnknownIID, &object),
            NS_ERROR_NO_INTERFACE);
  EXPECT_EQ(object, nullptr);
  const std::vector<RecordedCall> calls = TakeRecordedCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(LastFreedBlock(), calls[0].object);
}

TEST_F(RegexLifecycleTest, CreationWithoutResultPointerIsANullPointerError) {
  EXPECT_EQ(FactoryOf(kManagerContract)->CreateInstance(nullptr, nsISupports::kIID, nullptr),
            NS_ERROR_NULL_POINTER);
  EXPECT_TRUE(TakeRecordedCalls().empty());
}

}  // namespace
