#include <gtest/gtest.h>

#include "ComponentLibrary.h"

namespace {

TEST(ComponentLibraryLoad, SaysWhyAMissingFileFails) {
  std::string error;
  EXPECT_EQ(ComponentLibrary::Load("/nonexistent/libnothing.so", &error), nullptr);
  EXPECT_NE(error.find("libnothing.so"), std::string::npos) << error;
}

TEST(ComponentLibraryLoad, RefusesALibraryWithoutModuleExport) {
  std::string error;
  EXPECT_EQ(ComponentLibrary::Load(NOT_A_COMPONENT_LIBRARY, &error), nullptr);
  EXPECT_NE(error.find("NSGetModule"), std::string::npos) << error;
}

}  // namespace
