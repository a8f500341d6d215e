#include "path_map.h"

#include <gtest/gtest.h>

TEST(PathMap, LongestWholeComponentPrefixWinsBothWays) {
  PathMap map;
  std::string error;
  ASSERT_TRUE(map.read(nlohmann::json::parse(R"({"/srv/app/": "/home/me/app",
                                                  "/srv/app/vendor": "/home/me/deps",
                                                  "/": "/mnt/server"})"),
                       error));
  EXPECT_EQ(map.toLocal("/srv/app/index.php"), "/home/me/app/index.php");
  EXPECT_EQ(map.toLocal("/srv/app/vendor/x.php"), "/home/me/deps/x.php");
  EXPECT_EQ(map.toLocal("/srv/application/a.php"), "/mnt/server/srv/application/a.php");
  EXPECT_EQ(map.toServer("/home/me/app/lib/A.php"), "/srv/app/lib/A.php");
  EXPECT_EQ(map.toServer("/home/me/deps/x.php"), "/srv/app/vendor/x.php");
  EXPECT_EQ(map.toServer("/mnt/server/etc/a.php"), "/etc/a.php");
  EXPECT_EQ(map.toServer("/home/me/apples.php"), "/home/me/apples.php");
  EXPECT_EQ(PathMap().toLocal("/srv/app/index.php"), "/srv/app/index.php");
}

TEST(PathMap, WrongShapesAreRefused) {
  std::string error;
  PathMap map;
  EXPECT_TRUE(map.read(nullptr, error));
  EXPECT_FALSE(map.read(nlohmann::json::array({"/a"}), error));
  EXPECT_NE(error.find("must be an object"), std::string::npos);
  EXPECT_FALSE(map.read(nlohmann::json::parse(R"({"/a": 3})"), error));
  EXPECT_FALSE(map.read(nlohmann::json::parse(R"({"/a": ""})"), error));
}

TEST(PathMap, EvaluatedFileNamesAreMappedBothWays) {
  PathMap map;
  map.add("/srv/app", "/home/me/app");
  EXPECT_EQ(map.toServerInLiterals(R"(__FILE__ === '/home/me/app/a.php' . "/home/me/app")"),
            R"(__FILE__ === '/srv/app/a.php' . "/srv/app")");
  // Escapes, interpolation, relative names, other folders and an open quote stay as written.
  for (const char* kept : {R"("/home/me/app/$f")", R"('/home/me/app/it\'s')", "'home/me/app'",
                           "'/home/me/apples'", "\"/home/me/app", "strlen('')"}) {
    EXPECT_EQ(map.toServerInLiterals(kept), kept);
  }
  EXPECT_EQ(map.valueToLocal("/srv/app/index.php"), "/home/me/app/index.php");
  EXPECT_EQ(map.valueToLocal("srv/app"), "srv/app");
}
