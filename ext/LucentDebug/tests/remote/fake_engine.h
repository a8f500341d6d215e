// A stand-in for the engine behind Requester's operations: canned answers in,
// a log of the calls made with their arguments out.
#ifndef LUCENTDEBUG_TESTS_REMOTE_FAKE_ENGINE_H
#define LUCENTDEBUG_TESTS_REMOTE_FAKE_ENGINE_H

#include <string>
#include <vector>

#include "debug_records.h"

struct FakeEngine {
  // Answers.
  unsigned short numFrames = 0;
  FrameVector frames;
  std::string source;
  PropertyInfo propertyInfo;
  PropertyInfoVector children;
  PropertyInfoVector context;
  long breakpointNumber = 1;
  RequestInfo requestInfo;
  StopInfo stopInfo;
  std::string assignmentError;  // empty: assignments succeed
  // Calls, one line each, such as "resumeExecution(4)".
  std::vector<std::string> calls;
  // The last warning raised through the host, and the last line logged.
  std::string warning;
  std::string logged;
};

// Reset before each test.
FakeEngine& fakeEngine();

#endif  // LUCENTDEBUG_TESTS_REMOTE_FAKE_ENGINE_H
