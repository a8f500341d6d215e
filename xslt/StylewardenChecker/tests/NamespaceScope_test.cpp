// Namespace declarations in scope: nesting, shadowing and the default namespace.
#include "NamespaceScope.h"

#include <gtest/gtest.h>

namespace {

TEST(NamespaceScope, InnerDeclarationEndsWithoutTakingTheOuterOne) {
  NamespaceScope scope;
  scope.declare(L"a", L"urn:outer");
  scope.declare(L"a", L"urn:inner");
  scope.declare(L"b", L"urn:b");
  scope.undeclare(L"b");
  scope.undeclare(L"a");
  EXPECT_TRUE(scope.isDeclared(L"a"));
  EXPECT_FALSE(scope.isDeclared(L"b"));
  scope.undeclare(L"a");
  EXPECT_FALSE(scope.isDeclared(L"a"));
}

TEST(NamespaceScope, DefaultNamespaceIsTakenAwayByAnEmptyDeclaration) {
  NamespaceScope scope;
  EXPECT_FALSE(scope.isDeclared(L""));
  scope.declare(L"", L"urn:d");
  EXPECT_TRUE(scope.isDeclared(L""));
  scope.declare(L"", L"");
  EXPECT_FALSE(scope.isDeclared(L""));
  scope.undeclare(L"");
  EXPECT_TRUE(scope.isDeclared(L""));
}

TEST(NamespaceScope, XmlPrefixIsAlwaysDeclaredAndClearForgetsTheRest) {
  NamespaceScope scope;
  scope.declare(L"p", L"urn:p");
  scope.clear();
  EXPECT_FALSE(scope.isDeclared(L"p"));
  EXPECT_TRUE(scope.isDeclared(L"xml"));
  EXPECT_FALSE(scope.isDeclared(L"xmlns"));
}

}  // namespace
