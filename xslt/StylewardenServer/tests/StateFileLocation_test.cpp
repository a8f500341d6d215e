// Default state file lookup: the installed file beside the program comes first.
#include "StateFileLocation.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

namespace {

TEST(StateFileLocationTest, LooksBesideTheProgramThenInTheSources) {
  const std::vector<std::string> candidates =
      DefaultStateFileCandidates("/opt/sw/bin/stylewarden-ls");
  ASSERT_EQ(candidates.size(), 2u);
  EXPECT_EQ(candidates[0], "/opt/sw/bin/../share/stylewarden/xslt10-states.xml");
  EXPECT_NE(candidates[1].find("data/xslt10-states.xml"), std::string::npos);
}

TEST(StateFileLocationTest, PrefersAnInstalledFileAndFallsBackToTheSources) {
  char folder[] = "/tmp/stylewarden-ls-prefix-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string prefix = folder;
  const std::string program = prefix + "/bin/stylewarden-ls";
  const std::vector<std::string> candidates = DefaultStateFileCandidates(program);
  // Nothing installed: the source tree's file, which exists in a build from the sources.
  EXPECT_EQ(DefaultStateFile(program), candidates[1]);

  ASSERT_EQ(mkdir((prefix + "/bin").c_str(), 0700), 0);
  ASSERT_EQ(mkdir((prefix + "/share").c_str(), 0700), 0);
  ASSERT_EQ(mkdir((prefix + "/share/stylewarden").c_str(), 0700), 0);
  const std::string installed = prefix + "/share/stylewarden/xslt10-states.xml";
  std::ofstream(installed) << "<states/>";
  EXPECT_EQ(DefaultStateFile(program), candidates[0]);

  unlink(installed.c_str());
  rmdir((prefix + "/share/stylewarden").c_str());
  rmdir((prefix + "/share").c_str());
  rmdir((prefix + "/bin").c_str());
  rmdir(folder);
}

TEST(StateFileLocationTest, FindsTheRunningProgram) {
  const std::string path = RunningProgramPath("ignored");
  EXPECT_NE(path.find("stylewarden_ls_tests"), std::string::npos);
}

}  // namespace
