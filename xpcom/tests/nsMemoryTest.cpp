#include <gtest/gtest.h>

#include <cstring>

#include "nsMemory.h"

namespace {

TEST(nsMemoryClone, CopiesIntoANewBuffer) {
  const char text[] = "step\0over";
  char* copy = static_cast<char*>(nsMemory::Clone(text, sizeof text));
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, text);
  EXPECT_EQ(std::memcmp(copy, text, sizeof text), 0);
  nsMemory::Free(copy);
}

TEST(nsMemoryClone, OfNothingIsNull) { EXPECT_EQ(nsMemory::Clone(nullptr, 4), nullptr); }

TEST(nsMemoryClone, OfNoBytesIsAFreeableBuffer) {
  void* copy = nsMemory::Clone("", 0);
  EXPECT_NE(copy, nullptr);
  nsMemory::Free(copy);
  nsMemory::Free(nullptr);
}

}  // namespace
