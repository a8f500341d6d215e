// Test implementation of the Perl debugger listener's entry points: each records its call,
// answers what the test scripted and notices when it runs at the same time as another.
#include "CallLog.h"
#include "nsMemory.h"

namespace {

// The scripted result's low byte is the status.
unsigned char ScriptedStatus() { return static_cast<unsigned char>(ScriptedResult() & 0xff); }

}  // namespace

extern "C" {

void shim_construct() {
  const ExclusiveSection section;
  Record("shim_construct", nullptr);
}

void shim_destruct() {
  const ExclusiveSection section;
  Record("shim_destruct", nullptr);
}

unsigned char shim_init(const char* text, int* status) {
  const ExclusiveSection section;
  Record("shim_init", nullptr, text, status);
  return ScriptedStatus();
}

void shim_term() {
  const ExclusiveSection section;
  Record("shim_term", nullptr);
}

// Hands back the scripted text, if any, in a buffer of the shared allocator; the recorded
// last argument is that buffer's address.
unsigned char shim_docommand(const char* command, char** result) {
  const ExclusiveSection section;
  char* text = nullptr;
  if (const auto scripted = ScriptedText()) {
    text = static_cast<char*>(nsMemory::Clone(scripted->c_str(), scripted->size() + 1));
    *result = text;
  }
  Record("shim_docommand", nullptr, command, result, text);
  return ScriptedStatus();
}

}  // extern "C"
