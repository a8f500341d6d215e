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

}  // namespace

// Written as a string, the name keeps its double-quote characters.
NS_IMPL_NSGETMODULE("qupdbglFactory", components)
