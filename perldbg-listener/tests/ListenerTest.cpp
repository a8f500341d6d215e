// The listener's calls into its implementation, the text DoCommand hands back, and its
// interface answers and reference counting.
#include <cstring>

#include "FreeWatch.h"
#include "ListenerFixture.h"
#include "nsIFactory.h"
#include "nsMemory.h"

namespace {

class ListenerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    listener = CreateListener();
    TakeRecordedCalls();
    SetScriptedResult(0);
    SetScriptedText(std::nullopt);
  }

  Owned<quIPerlDbgListener> listener;
};

std::uintptr_t W(const volatile void* pointer) { return AsWord(pointer); }

TEST_F(ListenerTest, ListsTheListenerWithItsIdentifiers) {
  const std::vector<ComponentRecord>& components = ListenerLibrary().Components();
  ASSERT_EQ(components.size(), 1u);
  EXPECT_EQ(components[0].description, "Perl Debugger Component");
  EXPECT_EQ(components[0].cid.ToString(), "{6b2be1b2-b860-49d8-b125-a1afc9319279}");
  EXPECT_EQ(components[0].contractID, kListenerContract);
}

TEST_F(ListenerTest, ConstructionCallsTheImplementationConstructor) {
  const Owned<quIPerlDbgListener> another = CreateListener();
  EXPECT_EQ(TakeRecordedCalls(), (std::vector<RecordedCall>{{"shim_construct", nullptr, {}}}));
}

TEST_F(ListenerTest, InitPassesItsArgumentsAndSucceedsOnStatusZero) {
  const char* text = "perl5db.pl";
  int status = 0;
  EXPECT_EQ(listener->Init(text, &status), NS_OK);
  EXPECT_EQ(TakeRecordedCalls(),
            (std::vector<RecordedCall>{{"shim_init", nullptr, {W(text), W(&status)}}}));
}

TEST_F(ListenerTest, InitFailsOnANonZeroStatusByte) {
  int status = 0;
  SetScriptedResult(1);
  EXPECT_EQ(listener->Init("x", &status), NS_ERROR_FAILURE);
  SetScriptedResult(0x100);  // only one byte of status reaches the listener
  EXPECT_EQ(listener->Init("x", &status), NS_OK);
}

TEST_F(ListenerTest, TermEndsTheImplementationAndLeavesItsStatusAlone) {
  int status = 42;
  SetScriptedResult(1);
  EXPECT_EQ(listener->Term(&status), NS_OK);
  EXPECT_EQ(status, 42);
  EXPECT_EQ(TakeRecordedCalls(), (std::vector<RecordedCall>{{"shim_destruct", nullptr, {}}}));
}

TEST_F(ListenerTest, DoCommandWithoutTextSucceedsWithANullResult) {
  char stale[] = "left from before";
  char* result = stale;
  EXPECT_EQ(listener->DoCommand("s", &result), NS_OK);
  EXPECT_EQ(result, nullptr);
}

TEST_F(ListenerTest, DoCommandReturnsAnEqualTextInABufferOfItsOwn) {
  const char* command = "x $frame";
  SetScriptedText("frame 1 at main.pl line 3");
  char* result = nullptr;
  ASSERT_EQ(listener->DoCommand(command, &result), NS_OK);
  const std::vector<RecordedCall> calls = TakeRecordedCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].function, "shim_docommand");
  EXPECT_EQ(calls[0].args[0], W(command));
  EXPECT_EQ(calls[0].args[1], W(&result));
  ASSERT_NE(result, nullptr);
  EXPECT_NE(W(result), calls[0].args[2]);  // the implementation's buffer went back
  EXPECT_STREQ(result, "frame 1 at main.pl line 3");
  nsMemory::Free(result);
}

TEST_F(ListenerTest, DoCommandFailureLeavesTheImplementationsText) {
  SetScriptedResult(1);
  SetScriptedText("no such command");
  char* result = nullptr;
  EXPECT_EQ(listener->DoCommand("?", &result), NS_ERROR_FAILURE);
  const std::vector<RecordedCall> calls = TakeRecordedCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(W(result), calls[0].args[2]);
  nsMemory::Free(result);
}

TEST_F(ListenerTest, DoCommandWithoutResultPointerDoesNotFail) {
  EXPECT_EQ(listener->DoCommand("c", nullptr), NS_OK);
}

TEST_F(ListenerTest, AnswersItsInterfaceAndNsISupportsWithTheObject) {
  EXPECT_EQ(static_cast<void*>(QueryAs<nsISupports>(listener.get()).get()), listener.get());
  EXPECT_EQ(QueryAs<quIPerlDbgListener>(listener.get()).get(), listener.get());
}

TEST_F(ListenerTest, RefusesOtherInterfacesWithANullResult) {
  void* answer = &answer;
  EXPECT_EQ(listener->QueryInterface(kUnknownIID, &answer), NS_ERROR_NO_INTERFACE);
  EXPECT_EQ(answer, nullptr);
  EXPECT_EQ(listener->QueryInterface(quIPerlDbgListener::kIID, nullptr), NS_ERROR_NULL_POINTER);
}

TEST_F(ListenerTest, LastReleaseDeletesTheObjectWithoutCallingTheImplementation) {
  quIPerlDbgListener* object = listener.release();
  EXPECT_EQ(object->AddRef(), 2u);
  EXPECT_EQ(object->Release(), 1u);
  WatchFreesOfSize(2 * sizeof(void*));  // the interface table pointer and the count
  EXPECT_EQ(object->Release(), 0u);
  EXPECT_EQ(LastFreedBlock(), static_cast<void*>(object));
  EXPECT_TRUE(TakeRecordedCalls().empty());
}

TEST_F(ListenerTest, AggregationIsRefusedBeforeAnythingIsCreated) {
  void* factory = nullptr;
  ASSERT_EQ(ListenerLibrary().GetClassObject(ClassOf(ListenerLibrary(), kListenerContract),
                                             nsIFactory::kIID, &factory),
            NS_OK);
  const Owned<nsIFactory> owned(static_cast<nsIFactory*>(factory));
  void* object = &object;
  EXPECT_EQ(owned->CreateInstance(listener.get(), nsISupports::kIID, &object),
            NS_ERROR_NO_AGGREGATION);
  EXPECT_EQ(object, nullptr);
  EXPECT_TRUE(TakeRecordedCalls().empty());
}

}  // namespace
