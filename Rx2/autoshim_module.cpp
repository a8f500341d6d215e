// The module export: the two regex components as the component manager sees them.
#include "nsIGenericFactory.h"
#include "quRxEvalManager.h"
#include "quRxRegexInfo.h"

namespace {

constexpr nsModuleComponentInfo components[] = {
    NS_PlainComponentInfo(
        "Regular Expression Evaluation Engine Manager Component",
        {0x6b6b51b3, 0xb860, 0x49d8, {0xb1, 0x25, 0xa1, 0xaf, 0xc9, 0x31, 0x92, 0x79}},
        "@brightwater.example/quRxEvalManager;1", quRxEvalManagerConstructor),
    NS_PlainComponentInfo(
        "Regular Expression Info Component",
        {0xbb75b570, 0x39bb, 0x42bd, {0xb2, 0xe1, 0xc3, 0x4e, 0x19, 0xab, 0x26, 0x34}},
        "@brightwater.example/quRxRegexInfo;1", quRxRegexInfoConstructor),
};

}  // namespace

// Written as a string, the name keeps its double-quote characters.
NS_IMPL_NSGETMODULE("quRxFactory", components)
