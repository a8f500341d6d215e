// The compiled copies of the shipped state files: found by content only, and holding the
// very elements a parse of the file gives.
#include "CompiledStates.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RegularFile.h"
#include "StateDocument.h"

namespace {

std::vector<char> Bytes(const std::string& path) {
  std::vector<char> bytes;
  EXPECT_EQ(OpenRegularFile(path, &bytes), FileOpening::kRegular) << path;
  return bytes;
}

TEST(CompiledStates, EachShippedFileMatchesItsParse) {
  for (const char* name : {"xslt10-states.xml", "xslt20-states.xml", "xslt30-states.xml"}) {
    const std::string path = std::string(STYLEWARDEN_DATA_DIR) + "/" + name;
    const CompiledStateFile* compiled = FindCompiledStateFile(Bytes(path));
    ASSERT_NE(compiled, nullptr) << name;
    EXPECT_STREQ(compiled->name, name);
    StateDocument parsed;
    ASSERT_TRUE(parsed.parse(path));
    const StateDocument copy(compiled->document);
    ASSERT_EQ(copy.size(), parsed.size()) << name;
    for (std::size_t i = 0; i < parsed.size(); ++i) {
      const StateDocument::Element& a = parsed.element(i);
      const StateDocument::Element& b = copy.element(i);
      ASSERT_EQ(copy.name(i), parsed.name(i)) << name << " element " << i;
      ASSERT_EQ(copy.ownText(i), parsed.ownText(i)) << name << " element " << i;
      ASSERT_EQ(b.end, a.end) << name << " element " << i;
      ASSERT_EQ(b.attributeCount, a.attributeCount) << name << " element " << i;
      for (std::uint32_t k = 0; k < a.attributeCount; ++k) {
        const auto& pa = parsed.parts().attributes[a.firstAttribute + k];
        const auto& pb = copy.parts().attributes[b.firstAttribute + k];
        ASSERT_EQ(copy.text(pb.name), parsed.text(pa.name));
        ASSERT_EQ(copy.text(pb.value), parsed.text(pa.value));
      }
    }
  }
}

TEST(CompiledStates, AnyOtherContentIsNotFound) {
  std::vector<char> bytes = Bytes(std::string(STYLEWARDEN_DATA_DIR) + "/xslt10-states.xml");
  bytes.back() = bytes.back() == ' ' ? '\n' : ' ';
  EXPECT_EQ(FindCompiledStateFile(bytes), nullptr);
  bytes.pop_back();
  EXPECT_EQ(FindCompiledStateFile(bytes), nullptr);
  EXPECT_EQ(FindCompiledStateFile({}), nullptr);
}

}  // namespace
