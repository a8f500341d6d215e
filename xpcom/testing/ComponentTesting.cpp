#include "ComponentTesting.h"

#include <cstdlib>
#include <map>
#include <string>

void PrintTo(const RecordedCall& call, std::ostream* out) {
  *out << call.function << " on " << call.object << " with";
  for (std::uintptr_t arg : call.args) *out << ' ' << std::hex << arg << std::dec;
}

ComponentLibrary& LoadedLibrary(const char* path) {
  static std::map<std::string, std::unique_ptr<ComponentLibrary>> loaded;
  std::unique_ptr<ComponentLibrary>& library = loaded[path];
  if (library == nullptr) {
    std::string error;
    library = ComponentLibrary::Load(path, &error);
    if (library == nullptr) {
      ADD_FAILURE() << error;
      std::abort();
    }
  }
  return *library;
}

const nsCID& ClassOf(ComponentLibrary& library, const char* contract) {
  const ComponentRecord* record = library.Find(contract);
  if (record == nullptr) {
    ADD_FAILURE() << "no component " << contract;
    std::abort();
  }
  return record->cid;
}
