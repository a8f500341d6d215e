// The process-wide call log of the test implementation libraries.
#include "CallLog.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <utility>

namespace {

std::mutex mutex;
std::vector<RecordedCall> calls;
nsresult scriptedResult = 0;
std::optional<std::string> scriptedText;

std::atomic<int> running{0};
std::atomic<int> overlaps{0};

}  // namespace

void RecordCall(RecordedCall call) {
  const std::lock_guard<std::mutex> hold(mutex);
  calls.push_back(std::move(call));
}

std::vector<RecordedCall> TakeRecordedCalls() {
  const std::lock_guard<std::mutex> hold(mutex);
  return std::exchange(calls, {});
}

void SetScriptedResult(nsresult result) {
  const std::lock_guard<std::mutex> hold(mutex);
  scriptedResult = result;
}

nsresult ScriptedResult() {
  const std::lock_guard<std::mutex> hold(mutex);
  return scriptedResult;
}

void SetScriptedText(std::optional<std::string> text) {
  const std::lock_guard<std::mutex> hold(mutex);
  scriptedText = std::move(text);
}

std::optional<std::string> ScriptedText() {
  const std::lock_guard<std::mutex> hold(mutex);
  return scriptedText;
}

ExclusiveSection::ExclusiveSection() {
  if (running.fetch_add(1) != 0) overlaps.fetch_add(1);
  // Widens the window in which a second caller would be caught.
  std::this_thread::sleep_for(std::chrono::microseconds(50));
}

ExclusiveSection::~ExclusiveSection() { running.fetch_sub(1); }

int OverlapCount() { return overlaps.load(); }
