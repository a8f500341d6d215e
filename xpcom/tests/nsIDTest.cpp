#include <gtest/gtest.h>

#include "nsID.h"

namespace {

constexpr nsID kSample = {
    0x9cdc47d8, 0x0b36, 0x4bc5, {0x9f, 0x86, 0x18, 0x2b, 0x0c, 0x1b, 0x70, 0xfc}};

TEST(nsIDText, WritesLowerCaseGroupsInBraces) {
  EXPECT_EQ(kSample.ToString(), "{9cdc47d8-0b36-4bc5-9f86-182b0c1b70fc}");
}

TEST(nsIDText, ReadsWithAndWithoutBracesInAnyCase) {
  nsID id{};
  ASSERT_TRUE(nsID::Parse("{9cdc47d8-0b36-4bc5-9f86-182b0c1b70fc}", &id));
  EXPECT_EQ(id, kSample);
  id = {};
  ASSERT_TRUE(nsID::Parse("9CDC47D8-0B36-4BC5-9F86-182B0C1B70FC", &id));
  EXPECT_EQ(id, kSample);
}

TEST(nsIDText, RejectsMalformedTextAndLeavesTheIdAlone) {
  for (const char* bad :
       {"", "{}", "{", "9cdc47d8-0b36-4bc5-9f86-182b0c1b70f",
        "9cdc47d8-0b36-4bc5-9f86-182b0c1b70fcc", "9cdc47d8-0b36-4bc5-9f86182b0c1b70fc",
        "9cdc47d8 0b36-4bc5-9f86-182b0c1b70fc", "9cdc47g8-0b36-4bc5-9f86-182b0c1b70fc",
        "{9cdc47d8-0b36-4bc5-9f86-182b0c1b70fc", "@brightwater.example/x;1"}) {
    nsID id = kSample;
    EXPECT_FALSE(nsID::Parse(bad, &id)) << bad;
    EXPECT_EQ(id, kSample) << bad;
  }
}

TEST(nsIDCompare, DiffersInAnyByte) {
  nsID other = kSample;
  other.m3[7] ^= 1;
  EXPECT_NE(other, kSample);
  EXPECT_TRUE(kSample.Equals(nsID(kSample)));
}

}  // namespace
