#include "variable_table.h"

#include <gtest/gtest.h>

namespace {

TEST(VariableTable, SameContainerSameNumberWithinAStop) {
  VariableTable table;
  int locals = table.reference({"locals", 0, ""});
  int child = table.reference({"locals", 0, "$a"});
  EXPECT_NE(locals, child);
  EXPECT_EQ(table.reference({"locals", 0, ""}), locals);
  ASSERT_NE(table.find(child), nullptr);
  EXPECT_EQ(table.find(child)->expression, "$a");
}

TEST(VariableTable, NumbersOfAnEarlierStopAreUnknownAndNeverReused) {
  VariableTable table;
  int old = table.reference({"locals", 0, ""});
  table.clear();
  EXPECT_EQ(table.find(old), nullptr);
  EXPECT_NE(table.reference({"locals", 0, ""}), old);
  EXPECT_EQ(table.find(0), nullptr);
}

}  // namespace
