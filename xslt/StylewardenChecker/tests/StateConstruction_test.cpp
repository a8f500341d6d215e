// Identifier numbering, storing at each record's own index, reverse lookups and the
// consistency report of the state table builder.
#include "StateConstruction.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

class Builder : public ::testing::Test {
 protected:
  std::vector<ElementState> states_;
  std::vector<ChildrenStates> children_;
  std::vector<AttributeSetValidator> sets_;
  StateConstruction builder_{states_, children_, sets_};

  // Defines the two required states, both with a defined children set and attribute set.
  void DefineRootAndDefault() {
    builder_.initializeElementStateAndAdd(L"ELEMENTSTATE_ROOT", L"none", L"ELEMENTSTATE_INVALID",
                                          L"top", false);
    builder_.initializeElementStateAndAdd(L"ELEMENTSTATE_DEFAULT", L"none", L"ELEMENTSTATE_DEFAULT",
                                          L"top", true);
    builder_.initializeChildrenStatesAndAdd(L"top", {});
    builder_.initializeAttributeSetValidatorAndAdd(L"none", {}, {}, true);
  }

  std::string report(bool* result = nullptr) {
    ::testing::internal::CaptureStderr();
    const bool passed = builder_.verifyInteralConsistancy(true);
    if (result != nullptr) {
      *result = passed;
    }
    return ::testing::internal::GetCapturedStderr();
  }
};

TEST_F(Builder, NumbersIdentifiersInOrderOfFirstMention) {
  EXPECT_EQ(builder_.getElementStateIndexFromIdentifier(L"ELEMENTSTATE_UNCHANGED"), 0);
  EXPECT_EQ(builder_.getElementStateIndexFromIdentifier(L"ELEMENTSTATE_ROOT"), 3);
  EXPECT_EQ(builder_.getElementStateIndexFromIdentifier(L"body"), 4);
  EXPECT_EQ(builder_.getElementStateIndexFromIdentifier(L"Body"), 5);
  EXPECT_EQ(builder_.getElementStateIndexFromIdentifier(L""), 6);
  EXPECT_EQ(builder_.getElementStateIndexFromIdentifier(L"body"), 4);
}

TEST_F(Builder, KeepsThreeSeparateIdentifierSpaces) {
  EXPECT_EQ(builder_.getChildrenStatesIndexFromIdentifier(L"body"), 0);
  EXPECT_EQ(builder_.getAttributeSetValidatorIndexFromIdentifier(L"x"), 0);
  EXPECT_EQ(builder_.getAttributeSetValidatorIndexFromIdentifier(L"body"), 1);
  EXPECT_EQ(builder_.getElementStateIndexFromIdentifier(L"body"), 4);
  EXPECT_EQ(builder_.getChildrenStatesIndexFromIdentifier(L"x"), 1);
}

TEST_F(Builder, ElementStateMentionsIdentifierLiteralChildrenThenAttributeSet) {
  const ElementState state = builder_.initializeElementState(L"a", L"set", L"lit", L"kids", true);
  EXPECT_EQ(state.getStateIndex(), 4);
  EXPECT_EQ(state.getLiteralStateIndex(), 5);
  EXPECT_EQ(state.getChildrenStatesIndex(), 0);
  EXPECT_EQ(state.getAttributeSetIndex(), 0);
  EXPECT_TRUE(state.isEndable());
}

TEST_F(Builder, ChildStateMentionsParentStateFirst) {
  const ChildState transition = builder_.initializeChildState(L"after", L"child");
  EXPECT_EQ(transition.getNewStateIndex(), 4);
  EXPECT_EQ(transition.getChildStateIndex(), 5);
}

TEST_F(Builder, StoresAtTheIndexFixedByAnEarlierReference) {
  builder_.initializeElementStateAndAdd(L"first", L"s", L"later", L"c", true);
  builder_.initializeElementStateAndAdd(L"later", L"s", L"ELEMENTSTATE_INVALID", L"c", false);
  ASSERT_EQ(states_.size(), 6u);
  EXPECT_FALSE(states_[0].wasCorrectlyConstructed());
  EXPECT_FALSE(states_[3].wasCorrectlyConstructed());
  EXPECT_EQ(states_[5].getStateIndex(), 5);
  EXPECT_FALSE(states_[5].isEndable());
}

TEST_F(Builder, LaterDefinitionReplacesEarlierOne) {
  builder_.initializeChildrenStatesAndAdd(L"kids", {{L"sort", ChildState(0, 4)}});
  builder_.initializeChildrenStatesAndAdd(L"kids", {});
  ASSERT_EQ(children_.size(), 1u);
  EXPECT_TRUE(children_[0].getChildStates().empty());
  builder_.initializeAttributeSetValidatorAndAdd(L"one", {}, {}, true);
  builder_.initializeAttributeSetValidatorAndAdd(L"two", {}, {}, true);
  builder_.initializeAttributeSetValidatorAndAdd(L"one", {}, {}, false);
  ASSERT_EQ(sets_.size(), 2u);
  EXPECT_FALSE(sets_[0].isDefaultInNamespace());
}

TEST_F(Builder, ReverseLookupFindsIdentifierOrEmpty) {
  builder_.getElementStateIndexFromIdentifier(L"body");
  builder_.getChildrenStatesIndexFromIdentifier(L"kids");
  EXPECT_EQ(builder_.getIdentifierForElementStateIndex(4), L"body");
  EXPECT_EQ(builder_.getIdentifierForElementStateIndex(1), L"ELEMENTSTATE_INVALID");
  EXPECT_EQ(builder_.getIdentifierForElementStateIndex(9), L"");
  EXPECT_EQ(builder_.getIdentifierForChildrenStatesIndex(0), L"kids");
  EXPECT_EQ(builder_.getIdentifierForChildrenStatesIndex(1), L"");
}

TEST_F(Builder, EmptyTablesGiveTheFullReport) {
  bool passed = true;
  EXPECT_EQ(report(&passed),
            "The element state vector does not contain the required elements.\n"
            "The element state referenced through \"ELEMENTSTATE_DEFAULT\" (assigned: 2) were "
            "not correctly constructed.\n"
            "The element state referenced through \"ELEMENTSTATE_ROOT\" (assigned: 3) were not "
            "correctly constructed.\n"
            "Number of ElementState identifiers: \t4\n"
            "Number of ChildrenState identifiers:\t0\n"
            "Number of AttributeSet identifiers: \t0\n"
            "3 errors found in state machine data.\n");
  EXPECT_FALSE(passed);
}

TEST_F(Builder, RootAndDefaultAloneAreConsistentAndSilent) {
  DefineRootAndDefault();
  bool passed = false;
  EXPECT_EQ(report(&passed), "");
  EXPECT_TRUE(passed);
  EXPECT_EQ(states_.size(), 4u);
}

TEST_F(Builder, DefiningAReservedPlaceholderIsAnErrorPerDefinition) {
  DefineRootAndDefault();
  builder_.initializeElementStateAndAdd(L"ELEMENTSTATE_INVALID", L"none", L"ELEMENTSTATE_DEFAULT",
                                        L"top", true);
  const std::string once = report();
  EXPECT_EQ(once,
            "Definition cannot be provided for \"ELEMENTSTATE_UNCHANGED\" or "
            "\"ELEMENTSTATE_INVALID\"\n"
            "Number of ElementState identifiers: \t4\n"
            "Number of ChildrenState identifiers:\t1\n"
            "Number of AttributeSet identifiers: \t1\n"
            "1 errors found in state machine data.\n");
  builder_.initializeElementStateAndAdd(L"ELEMENTSTATE_UNCHANGED", L"none", L"ELEMENTSTATE_DEFAULT",
                                        L"top", true);
  EXPECT_NE(report().find("2 errors found"), std::string::npos);
}

TEST_F(Builder, ReportsFollowKeyOrderWithinEachSpace) {
  builder_.initializeElementStateAndAdd(L"ELEMENTSTATE_INVALID", L"none", L"ELEMENTSTATE_DEFAULT",
                                        L"top", true);
  builder_.initializeElementStateAndAdd(L"ELEMENTSTATE_ROOT", L"none", L"zeta", L"top", true);
  const std::string text = report();
  const auto defaultLine = text.find("\"ELEMENTSTATE_DEFAULT\" (assigned: 2)");
  const auto invalidLine = text.find("Definition cannot be provided");
  const auto zetaLine = text.find("\"zeta\" (assigned: 4)");
  ASSERT_NE(defaultLine, std::string::npos);
  EXPECT_LT(defaultLine, invalidLine);
  EXPECT_LT(invalidLine, zetaLine);
  EXPECT_NE(text.find("The children states referenced through \"top\" (assigned: 0) were not "
                      "correctly constructed.\n"),
            std::string::npos);
  EXPECT_NE(text.find("The attribute set referenced through \"none\" (assigned: 0) were not "
                      "correctly constructed.\n"),
            std::string::npos);
}

TEST_F(Builder, QuietCheckPrintsNothingAndGivesTheSameResult) {
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(builder_.verifyInteralConsistancy(false));
  DefineRootAndDefault();
  EXPECT_TRUE(builder_.verifyInteralConsistancy(false));
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

// State data whose lookups would stop the program or never end is rejected at start-up.
class UnusableStates : public Builder {
 protected:
  void SetUp() override { DefineRootAndDefault(); }

  void ExpectRejectedWith(const std::string& line) {
    bool passed = true;
    const std::string text = report(&passed);
    EXPECT_FALSE(passed);
    EXPECT_NE(text.find(line), std::string::npos) << text;
    EXPECT_NE(text.find("1 errors found in state machine data.\n"), std::string::npos) << text;
  }
};

TEST_F(UnusableStates, RejectsUnchangedAsLiteralState) {
  builder_.initializeElementStateAndAdd(L"body", L"none", L"ELEMENTSTATE_UNCHANGED", L"top", true);
  ExpectRejectedWith(
      "The element state \"body\" cannot have \"ELEMENTSTATE_UNCHANGED\" as its literal state.\n");
}

TEST_F(UnusableStates, RejectsDefaultStateWithoutLiteralState) {
  builder_.initializeElementStateAndAdd(L"ELEMENTSTATE_DEFAULT", L"none", L"ELEMENTSTATE_INVALID",
                                        L"top", true);
  ExpectRejectedWith(
      "The element state \"ELEMENTSTATE_DEFAULT\" cannot have \"ELEMENTSTATE_INVALID\" as its "
      "literal state.\n");
}

TEST_F(UnusableStates, RejectsPlaceholderAsChildState) {
  const ChildState toUnchanged =
      builder_.initializeChildState(L"ELEMENTSTATE_UNCHANGED", L"ELEMENTSTATE_UNCHANGED");
  builder_.initializeChildrenStatesAndAdd(L"top", {{L"sort", toUnchanged}});
  ExpectRejectedWith(
      "The children states \"top\" cannot give the element \"sort\" the state "
      "\"ELEMENTSTATE_UNCHANGED\".\n");
}

TEST_F(UnusableStates, RejectsInvalidAsChildState) {
  const ChildState toInvalid =
      builder_.initializeChildState(L"ELEMENTSTATE_UNCHANGED", L"ELEMENTSTATE_INVALID");
  builder_.initializeChildrenStatesAndAdd(L"top", {{L"sort", toInvalid}});
  ExpectRejectedWith(
      "The children states \"top\" cannot give the element \"sort\" the state "
      "\"ELEMENTSTATE_INVALID\".\n");
}

TEST_F(UnusableStates, RejectsInvalidAsNewParentState) {
  const ChildState parentInvalid =
      builder_.initializeChildState(L"ELEMENTSTATE_INVALID", L"ELEMENTSTATE_DEFAULT");
  builder_.initializeChildrenStatesAndAdd(L"top", {{L"sort", parentInvalid}});
  ExpectRejectedWith(
      "The children states \"top\" cannot give the parent of the element \"sort\" the state "
      "\"ELEMENTSTATE_INVALID\".\n");
}

// The optional parts of an element state, each set to a state that cannot serve there.
class UnusableExtras : public UnusableStates {
 protected:
  void ExpectRejected(const std::wstring& identifier,
                      std::wstring StateConstruction::ElementStateExtras::*part,
                      const std::string& line) {
    StateConstruction::ElementStateExtras extras;
    extras.unknownXsltElementState = L"ELEMENTSTATE_DEFAULT";
    extras.*part = L"ELEMENTSTATE_INVALID";
    builder_.initializeElementStateAndAdd(identifier, L"none", L"ELEMENTSTATE_DEFAULT", L"top",
                                          true, extras);
    ExpectRejectedWith(line);
  }
};

TEST_F(UnusableExtras, RejectsInvalidForUnknownXsltElements) {
  ExpectRejected(L"body", &StateConstruction::ElementStateExtras::unknownXsltElementState,
                 "The element state \"body\" cannot give unknown XSLT elements the state "
                 "\"ELEMENTSTATE_INVALID\".\n");
}

TEST_F(UnusableExtras, RejectsInvalidAsStateAfterAnUnknownXsltElement) {
  ExpectRejected(L"body", &StateConstruction::ElementStateExtras::unknownXsltElementParentState,
                 "The element state \"body\" cannot continue in \"ELEMENTSTATE_INVALID\" after an "
                 "unknown XSLT element.\n");
}

TEST_F(UnusableExtras, RejectsInvalidAsStateAfterALiteralElement) {
  ExpectRejected(L"body", &StateConstruction::ElementStateExtras::literalParentState,
                 "The element state \"body\" cannot continue in \"ELEMENTSTATE_INVALID\" after a "
                 "literal element.\n");
}

TEST_F(UnusableExtras, RejectsInvalidAsStateAfterText) {
  ExpectRejected(L"body", &StateConstruction::ElementStateExtras::textParentState,
                 "The element state \"body\" cannot continue in \"ELEMENTSTATE_INVALID\" after "
                 "text.\n");
}

TEST_F(UnusableExtras, RejectsDefaultStateWithoutStateForElementsWithoutNamespace) {
  ExpectRejected(
      L"ELEMENTSTATE_DEFAULT", &StateConstruction::ElementStateExtras::literalWithoutNamespaceState,
      "The element state \"ELEMENTSTATE_DEFAULT\" cannot have \"ELEMENTSTATE_INVALID\" as "
      "its state for elements without a namespace.\n");
}

TEST_F(UnusableStates, AcceptsUnchangedParentAndInvalidLiteralElsewhere) {
  const ChildState usual =
      builder_.initializeChildState(L"ELEMENTSTATE_UNCHANGED", L"ELEMENTSTATE_DEFAULT");
  builder_.initializeChildrenStatesAndAdd(L"top", {{L"sort", usual}});
  bool passed = false;
  EXPECT_EQ(report(&passed), "");
  EXPECT_TRUE(passed);
}

}  // namespace
