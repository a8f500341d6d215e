// Listeners created and used on eight threads at once: one implementation call at a time.
#include <atomic>
#include <map>
#include <thread>

#include "ListenerFixture.h"
#include "nsMemory.h"

namespace {

constexpr int kThreads = 8;
constexpr int kCommandsPerThread = 25;

void UseOneListener(const std::atomic<bool>& start, std::atomic<int>& texts) {
  while (!start.load()) std::this_thread::yield();
  const Owned<quIPerlDbgListener> listener = CreateListener();
  int status = 0;
  EXPECT_EQ(listener->Init("perl5db.pl", &status), NS_OK);
  for (int i = 0; i < kCommandsPerThread; ++i) {
    char* result = nullptr;
    EXPECT_EQ(listener->DoCommand("n", &result), NS_OK);
    if (result != nullptr && std::string(result) == "stepped") ++texts;
    nsMemory::Free(result);
  }
  EXPECT_EQ(listener->Term(&status), NS_OK);
}

TEST(ListenerConcurrency, EightThreadsNeverRunTwoImplementationCallsTogether) {
  ListenerLibrary();
  TakeRecordedCalls();
  SetScriptedResult(0);
  SetScriptedText("stepped");
  const int overlapsBefore = OverlapCount();
  std::atomic<bool> start{false};
  std::atomic<int> texts{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back(UseOneListener, std::cref(start), std::ref(texts));
  }
  start = true;
  for (std::thread& thread : threads) thread.join();

  EXPECT_EQ(OverlapCount(), overlapsBefore);
  EXPECT_EQ(texts.load(), kThreads * kCommandsPerThread);
  std::map<std::string, int> perFunction;
  for (const RecordedCall& call : TakeRecordedCalls()) ++perFunction[call.function];
  EXPECT_EQ(perFunction,
            (std::map<std::string, int>{{"shim_construct", kThreads},
                                        {"shim_destruct", kThreads},
                                        {"shim_docommand", kThreads * kCommandsPerThread},
                                        {"shim_init", kThreads}}));
}

// One listener shared by eight threads that each take half a million references and then drop them:
// a count kept without atomic operations loses updates (also when a thread is preempted between
// reading and writing it) and ends wrong, or frees the listener while it is in use. Whether the
// threads really overlap depends on the machine's load, so the round is repeated.
TEST(ListenerConcurrency, ReferencesTakenAndDroppedOnEightThreadsKeepTheCount) {
  constexpr int kRounds = 10;
  constexpr int kReferencesPerThread = 500000;
  const Owned<quIPerlDbgListener> listener = CreateListener();
  ASSERT_NE(listener, nullptr);
  quIPerlDbgListener* shared = listener.get();
  for (int round = 0; round < kRounds; ++round) {
    std::atomic<bool> start{false};
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
      threads.emplace_back([shared, &start] {
        while (!start.load()) std::this_thread::yield();
        for (int n = 0; n < kReferencesPerThread; ++n) shared->AddRef();
        for (int n = 0; n < kReferencesPerThread; ++n) shared->Release();
      });
    }
    start = true;
    for (std::thread& thread : threads) thread.join();
    ASSERT_EQ(shared->AddRef(), 2u) << "round " << round;
    ASSERT_EQ(shared->Release(), 1u) << "round " << round;
  }
}

}  // namespace
