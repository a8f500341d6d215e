// Shipped state folder lookup: the installed folder beside the program comes first.
#include "ShippedStates.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

namespace {

TEST(ShippedStatesTest, PrefersAnInstalledFolderAndFallsBackToTheSources) {
  char folder[] = "/tmp/stylewarden-ls-prefix-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string prefix = folder;
  const std::string program = prefix + "/bin/stylewarden-ls";
  // Nothing installed: the source tree's data folder, which holds the 1.0 file.
  const std::string sources = ShippedStateFolder(program);
  EXPECT_EQ(access((sources + "/xslt10-states.xml").c_str(), R_OK), 0) << sources;

  ASSERT_EQ(mkdir((prefix + "/bin").c_str(), 0700), 0);
  ASSERT_EQ(mkdir((prefix + "/share").c_str(), 0700), 0);
  ASSERT_EQ(mkdir((prefix + "/share/stylewarden").c_str(), 0700), 0);
  const std::string installed = prefix + "/share/stylewarden/xslt10-states.xml";
  std::ofstream(installed) << "<states/>";
  EXPECT_EQ(ShippedStateFolder(program), prefix + "/bin/../share/stylewarden");

  unlink(installed.c_str());
  rmdir((prefix + "/share/stylewarden").c_str());
  rmdir((prefix + "/share").c_str());
  rmdir((prefix + "/bin").c_str());
  rmdir(folder);
}

TEST(ShippedStatesTest, FindsTheRunningProgram) {
  const std::string path = RunningProgramPath("ignored");
  EXPECT_NE(path.find("stylewarden_ls_tests"), std::string::npos);
}

}  // namespace
