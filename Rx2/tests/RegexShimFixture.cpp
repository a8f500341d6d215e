#include "RegexShimFixture.h"

#include <cstdlib>

void PrintTo(const RecordedCall& call, std::ostream* out) {
  *out << call.function << " on " << call.object << " with";
  for (std::uintptr_t arg : call.args) *out << ' ' << std::hex << arg << std::dec;
}

ComponentLibrary& RegexShimTest::Library() {
  static ComponentLibrary* library = [] {
    std::string error;
    // Kept for the whole program, as the shim and its implementation stay loaded.
    ComponentLibrary* loaded = ComponentLibrary::Load(REGEXSHIM_PATH, &error).release();
    if (loaded == nullptr) {
      ADD_FAILURE() << error;
      std::abort();
    }
    return loaded;
  }();
  return *library;
}

const nsCID& RegexShimTest::ClassOf(const char* contract) {
  const ComponentRecord* record = Library().Find(contract);
  if (record == nullptr) {
    ADD_FAILURE() << "no component " << contract;
    std::abort();
  }
  return record->cid;
}

void RegexShimTest::SetUp() {
  Library();
  TakeRecordedCalls();
  SetScriptedResult(NS_OK);
}
