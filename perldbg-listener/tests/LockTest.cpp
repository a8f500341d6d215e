// The process-wide lock: created once by the first constructions, even when they race, and
// its absence answered without calling the implementation. Each case runs in a fresh process,
// where no listener was constructed yet. This program replaces NSPR's PR_NewLock to count and
// fail the listener's lock creations.
#include <dlfcn.h>
#include <prlock.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "ListenerFixture.h"

namespace {

std::atomic<int> listenerLockCreations{0};
std::atomic<bool> failListenerLockCreation{false};
// Holds the listener's lock creation back, so constructions that do not wait for the first
// one to finish creating the lock pass by and create their own.
std::atomic<bool> slowListenerLockCreation{false};

bool CalledFromTheListenerLibrary(const void* returnAddress) {
  Dl_info info;
  return dladdr(returnAddress, &info) != 0 && info.dli_fname != nullptr &&
         std::strstr(info.dli_fname, "perldbgshim") != nullptr;
}

// A fresh process that hangs (constructions waiting on a lock nobody releases) ends with a
// signal instead of keeping the test waiting.
void EndIfHanging() { alarm(30); }

// Ends the fresh process with status 0 when `failure` is empty, else says why and exits 1.
[[noreturn]] void Finish(const std::string& failure) {
  if (!failure.empty()) std::fprintf(stderr, "%s\n", failure.c_str());
  std::exit(failure.empty() ? 0 : 1);
}

void ConstructAtOnceOnEightThreads() {
  std::atomic<bool> start{false};
  std::vector<std::thread> threads;
  for (int i = 0; i < 8; ++i) {
    threads.emplace_back([&start] {
      while (!start.load()) std::this_thread::yield();
      CreateListener();
    });
  }
  start = true;
  for (std::thread& thread : threads) thread.join();
}

class ListenerLockDeathTest : public ::testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

// In the fresh process: eight constructions at once, then exit 0 when they created the lock
// once, all reached the implementation and never two calls ran together.
[[noreturn]] void ConstructOnEightThreadsAndCheckTheLock() {
  ListenerLibrary();
  TakeRecordedCalls();
  ConstructAtOnceOnEightThreads();
  const int creations = listenerLockCreations.load();
  const std::size_t constructions = TakeRecordedCalls().size();
  Finish(creations == 1 && constructions == 8 && OverlapCount() == 0
             ? ""
             : "lock created " + std::to_string(creations) + " times, " +
                   std::to_string(constructions) + " constructions, " +
                   std::to_string(OverlapCount()) + " overlaps");
}

TEST_F(ListenerLockDeathTest, ConcurrentFirstConstructionsCreateTheLockExactlyOnce) {
  EXPECT_EXIT(ConstructOnEightThreadsAndCheckTheLock(), ::testing::ExitedWithCode(0), "");
}

TEST_F(ListenerLockDeathTest, ConstructionsWaitForASlowFirstLockCreation) {
  EXPECT_EXIT(
      {
        EndIfHanging();
        slowListenerLockCreation = true;
        ConstructOnEightThreadsAndCheckTheLock();
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(ListenerLockDeathTest, WithoutALockNothingReachesTheImplementation) {
  EXPECT_EXIT(
      {
        failListenerLockCreation = true;
        ListenerLibrary();
        TakeRecordedCalls();
        const Owned<quIPerlDbgListener> listener = CreateListener();
        int status = 5;
        char* result = nullptr;
        const bool refused = listener != nullptr &&
                             listener->Init("x", &status) == NS_ERROR_OUT_OF_MEMORY &&
                             listener->DoCommand("s", &result) == NS_ERROR_OUT_OF_MEMORY &&
                             listener->Term(&status) == NS_ERROR_OUT_OF_MEMORY;
        const std::size_t calls = TakeRecordedCalls().size();
        Finish(refused && calls == 0 && listenerLockCreations.load() == 1
                   ? ""
                   : "implementation calls: " + std::to_string(calls));
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace

// Counts, and on request fails, the lock creations of the listener library; every other
// caller gets NSPR's own.
extern "C" PRLock* PR_NewLock(void) {
  static const auto real = reinterpret_cast<PRLock* (*)()>(dlsym(RTLD_NEXT, "PR_NewLock"));
  if (CalledFromTheListenerLibrary(__builtin_return_address(0))) {
    ++listenerLockCreations;
    if (failListenerLockCreation) return nullptr;
    if (slowListenerLockCreation) std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  return real();
}
