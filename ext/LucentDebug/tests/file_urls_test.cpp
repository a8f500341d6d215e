#include "file_urls.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string LocalPath(const char* url) {
  char out[kPathBufferSize];
  return LocalPathFromUrl(url, out);
}

std::string Uri(const char* path, bool signalled = false) {
  char out[kPathBufferSize];
  return FileUriFromPath(path, signalled, out);
}

std::string Decoded(std::string text) {
  int length = ludbg_raw_url_decode(&text[0], static_cast<int>(text.size()));
  return text.substr(0, static_cast<size_t>(length));
}

TEST(UrlToLocalPath, DropsSchemeOfUnixUrl) {
  EXPECT_EQ(LocalPath("file:///usr/web/a.php"), "/usr/web/a.php");
}

TEST(UrlToLocalPath, DropsSlashBeforeDriveLetter) {
  EXPECT_EQ(LocalPath("file:///C:/web/a.php"), "C:/web/a.php");
}

TEST(UrlToLocalPath, DecodesEscapesOfUrls) {
  EXPECT_EQ(LocalPath("file:///usr/x%20y.php"), "/usr/x y.php");
}

TEST(UrlToLocalPath, LeavesPlainPathUndecoded) {
  EXPECT_EQ(LocalPath("/usr/x%20y.php"), "/usr/x%20y.php");
}

TEST(UrlToLocalPath, FindsSchemeAnywhereInText) {
  EXPECT_EQ(LocalPath("xfile:///a.php"), "/a.php");
}

TEST(UrlToLocalPath, CutsAtFiveHundredNineCharacters) {
  std::string longPath(700, 'a');
  EXPECT_EQ(LocalPath(longPath.c_str()), std::string(509, 'a'));
  EXPECT_EQ(LocalPath(("file://" + longPath).c_str()), std::string(509 - 7, 'a'));
}

TEST(PercentDecoding, DecodesHexInEitherCase) { EXPECT_EQ(Decoded("%41%6a%6A"), "Ajj"); }

TEST(PercentDecoding, KeepsPercentWithoutTwoHexDigits) {
  EXPECT_EQ(Decoded("a%4"), "a%4");
  EXPECT_EQ(Decoded("a%"), "a%");
  EXPECT_EQ(Decoded("%zz1"), "%zz1");
}

TEST(PercentDecoding, KeepsPlusSign) { EXPECT_EQ(Decoded("a+b"), "a+b"); }

TEST(PercentDecoding, ReadsTwoHexDigits) {
  EXPECT_EQ(ludbg_htoi("ff"), 255);
  EXPECT_EQ(ludbg_htoi("A0"), 160);
}

TEST(LocalPathToUrl, AbsoluteUnixPathGetsThreeSlashes) {
  EXPECT_EQ(Uri("/usr/a.php"), "file:///usr/a.php");
}

TEST(LocalPathToUrl, DrivePathGetsSlashesTurned) {
  EXPECT_EQ(Uri("C:\\web\\a.php"), "file:///C:/web/a.php");
}

TEST(LocalPathToUrl, SharePathKeepsItsTwoSlashes) {
  EXPECT_EQ(Uri("\\\\srv\\share\\a.php"), "file://///srv/share/a.php");
}

TEST(LocalPathToUrl, RelativePathStays) { EXPECT_EQ(Uri("a/b.php"), "a/b.php"); }

TEST(LocalPathToUrl, SignalledIdeGetsPathUnchanged) {
  EXPECT_EQ(Uri("/usr/a.php", true), "/usr/a.php");
  EXPECT_EQ(Uri("C:\\web\\a.php", true), "C:\\web\\a.php");
}

TEST(LocalPathToUrl, CutsAtFiveHundredNineCharacters) {
  std::string longPath = "/" + std::string(700, 'b');
  EXPECT_EQ(Uri(longPath.c_str()).size(), 509u);
}

}  // namespace
