// xpcomhost: shows what a component library offers and calls its components, the way a
// component manager would load and use them. It knows the interfaces of the project's component
// libraries through the tables their own folders provide.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "ComponentLibrary.h"
#include "KnownInterfaces.h"
#include "perldbgshim_host_interfaces.h"
#include "regexshim_host_interfaces.h"

namespace {

constexpr int kUsageError = 1;
constexpr int kLoadError = 2;
constexpr int kCallFailed = 3;

const std::vector<KnownInterface>& KnownInterfaces() {
  static const std::vector<KnownInterface> interfaces = [] {
    std::vector<KnownInterface> all = {{"nsISupports", nsISupports::kIID, {}}};
    for (std::vector<KnownInterface> table : {RegexShimInterfaces(), PerlDbgShimInterfaces()}) {
      all.insert(all.end(), table.begin(), table.end());
    }
    return all;
  }();
  return interfaces;
}

int Usage() {
  std::cerr
      << "usage: xpcomhost LIBRARY\n"
         "       xpcomhost LIBRARY create ID\n"
         "       xpcomhost LIBRARY call ID INTERFACE METHOD [ARG...] [-- METHOD [ARG...]]...\n"
         "ID is a contract ID or a class ID; INTERFACE a name or an IID.\n";
  return kUsageError;
}

std::string Hex(nsresult rv) {
  char text[11];
  std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(rv));
  return text;
}

void List(const ComponentLibrary& library) {
  for (const ComponentRecord& record : library.Components()) {
    std::cout << record.description << "\n  class ID:    " << record.cid.ToString()
              << "\n  contract ID: " << record.contractID << '\n';
  }
}

using Instance = std::unique_ptr<nsISupports, nsReleaser>;

Instance Create(ComponentLibrary& library, const std::string& id, int* status) {
  const ComponentRecord* record = library.Find(id);
  if (record == nullptr) {
    std::cerr << "xpcomhost: no component " << id << '\n';
    *status = kUsageError;
    return nullptr;
  }
  void* object = nullptr;
  const nsresult rv = library.CreateInstance(record->cid, nsISupports::kIID, &object);
  if (NS_FAILED(rv)) {
    std::cerr << "xpcomhost: creating " << id << " failed: " << Hex(rv) << '\n';
    *status = kLoadError;
    return nullptr;
  }
  return Instance(static_cast<nsISupports*>(object));
}

void ShowInterfaces(nsISupports* object) {
  for (const KnownInterface& known : KnownInterfaces()) {
    void* answer = nullptr;
    if (NS_FAILED(object->QueryInterface(known.iid, &answer))) continue;
    static_cast<nsISupports*>(answer)->Release();
    std::cout << known.name << ' ' << known.iid.ToString() << '\n';
  }
}

// Runs the methods of `words` ("METHOD ARG... -- METHOD ARG...") one after the other.
int CallMethods(nsISupports* object, const KnownInterface& known,
                const std::vector<std::string>& words) {
  void* target = nullptr;
  const nsresult answered = object->QueryInterface(known.iid, &target);
  if (NS_FAILED(answered)) {
    std::cerr << "xpcomhost: the component has no interface " << known.name << '\n';
    return kCallFailed;
  }
  const Instance hold(static_cast<nsISupports*>(target));
  int status = 0;
  for (std::size_t i = 0; i < words.size();) {
    std::size_t end = i + 1;
    while (end < words.size() && words[end] != "--") ++end;
    const MethodEntry* method = known.FindMethod(words[i]);
    if (method == nullptr) {
      std::cerr << "xpcomhost: " << known.name << " has no method " << words[i] << '\n';
      return kUsageError;
    }
    const std::vector<std::string> inputs(words.begin() + i + 1, words.begin() + end);
    nsresult rv = NS_OK;
    std::cout << method->name << '\n';
    if (!method->call(target, inputs, std::cout, &rv)) {
      std::cerr << "xpcomhost: " << method->name << " takes " << method->inputCount
                << " argument(s): texts and unsigned numbers\n";
      return kUsageError;
    }
    std::cout << "  result: " << Hex(rv) << '\n';
    if (NS_FAILED(rv)) status = kCallFailed;
    i = end + 1;
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const std::string command = args.size() > 1 ? args[1] : "list";
  const bool wellFormed = (command == "list" && args.size() == 1) ||
                          (command == "create" && args.size() == 3) ||
                          (command == "call" && args.size() >= 5);
  if (!wellFormed) return Usage();
  const KnownInterface* known = nullptr;
  if (command == "call") {
    known = FindKnownInterface(KnownInterfaces(), args[3]);
    if (known == nullptr) {
      std::cerr << "xpcomhost: unknown interface " << args[3] << '\n';
      return kUsageError;
    }
  }

  std::string error;
  std::unique_ptr<ComponentLibrary> library = ComponentLibrary::Load(args[0], &error);
  if (library == nullptr) {
    std::cerr << "xpcomhost: " << error << '\n';
    return kLoadError;
  }
  if (command == "list") {
    List(*library);
    return 0;
  }
  int status = 0;
  const Instance object = Create(*library, args[2], &status);
  if (object == nullptr) return status;
  if (known == nullptr) {
    ShowInterfaces(object.get());
    return 0;
  }
  return CallMethods(object.get(), *known, std::vector<std::string>(args.begin() + 4, args.end()));
}
