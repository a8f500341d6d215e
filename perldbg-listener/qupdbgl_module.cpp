// The module export: the Perl debugger listener as the component manager sees it.
#include "nsIGenericFactory.h"
#include "quPerlDbgListener.h"

namespace {

constexpr nsModuleComponentInfo components[] = {
    NS_PlainComponentInfo(
        "Perl Debugger Component",
        {0x6b2be1b2, 0xb860, 0x49d8, {0xb1, 0x25, 0xa1, 0xaf, 0xc9, 0x31, 0x92, 0x79}},
        "@brightwater.example/quPerlDebuggerListener;1", quPerlDbgListenerConstructor),
};

// The name carries its double-quote characters.
constexpr nsModuleInfo gModuleInfo = {
    NS_MODULEINFO_VERSION, "\"qupdbglFactory\"", components, 1, nullptr, nullptr};

}  // namespace

extern "C" NS_EXPORT nsresult NSGetModule(nsIComponentManager*, nsIFile*, nsIModule** result) {
  return NS_NewGenericModule2(&gModuleInfo, result);
}
