// Module references: how an href leads to a file, and the records of the graph's walk.
#include "ModuleGraph.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

class ModuleGraphTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char folder[] = "/tmp/module-graph-XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    m_folder = folder;
    std::ofstream(m_folder + "/m.xsl") << "<x/>";
  }
  void TearDown() override {
    std::remove((m_folder + "/m.xsl").c_str());
    ::rmdir(m_folder.c_str());
  }
  std::string m_folder;
};

TEST_F(ModuleGraphTest, HrefsResolveToLocalFilesOnly) {
  const std::string includer = m_folder + "/sub/../main.xsl";
  EXPECT_EQ(ResolveModule(includer, L" m.xsl#part ").path, m_folder + "/m.xsl");
  EXPECT_EQ(
      ResolveModule(includer, L"file://localhost" + std::wstring(m_folder.begin(), m_folder.end()) +
                                  L"/%6D.xsl")
          .identity,
      FileIdentity(m_folder + "/m.xsl"));
  EXPECT_TRUE(ResolveModule(includer, L"#embedded").sameDocument);
  EXPECT_EQ(ResolveModule(includer, L"file://host/m.xsl").problem,
            L"is not read: only local files are read");
  EXPECT_EQ(ResolveModule(includer, L"urn:x:m.xsl").problem,
            L"is not read: only local files are read");
  EXPECT_EQ(ResolveModule(includer, L"sub").problem, L"is not read: there is no such file");
  EXPECT_EQ(ResolveModule(m_folder + "/m.xsl", L"..").problem,
            L"is not read: it is not a regular file");
  // An empty reference is the including file itself.
  EXPECT_EQ(ResolveModule(m_folder + "/m.xsl", L"").path, m_folder + "/m.xsl");
}

TEST_F(ModuleGraphTest, ASelfReferenceIsACycleAndEveryNodeIsOrderedOnce) {
  ModuleGraph graph;
  const int root = graph.add(m_folder + "/m.xsl", FileIdentity(m_folder + "/m.xsl"));
  graph.nodes()[root].references = {ModuleReference{L"m.xsl", Location{2, 1}, Location{2, 9}},
                                    ModuleReference{L"", Location{3, 1}, Location{3, 9}}};
  graph.link(root);
  EXPECT_EQ(graph.nodes().size(), 1u);
  EXPECT_EQ(graph.order({root, root}), std::vector<int>{root});
  ASSERT_EQ(graph.nodes()[root].records.size(), 2u);
  EXPECT_EQ(graph.nodes()[root].records[1].m_code, SYNTAXERROR_ATTRIBUTE_VALUE_NOT_ALLOWED);
  EXPECT_EQ(graph.nodes()[root].records[1].m_start.line, 3);
  EXPECT_EQ(graph.firstWithRecords(root), root);
}

}  // namespace
