// The child lookup: which state a child gets, whether its parent changes, whether it was
// allowed; and the checked registries of element states and children states.
#include "ElementState.h"

#include <gtest/gtest.h>

namespace {

const std::wstring kXsl = kXsltNamespace;

// Element state indexes of the small machine below.
enum {
  kBody = 4,
  kChooseStart = 5,
  kChooseAfterWhen = 6,
  kWhenBody = 7,
  kLiteral = 8,
  kOnlyXslt = 9
};
// Children states indexes.
enum { kNothing = 0, kBodyChildren = 1, kChooseChildren = 2, kDefaultChildren = 3 };

// Installs a small machine in the global registries and restores them afterwards:
// body allows choose; choose must see a when (which moves it on) before it may end;
// the default state knows when and text.
class ChildLookup : public ::testing::Test {
 protected:
  void SetUp() override {
    savedStates_ = ElementState::getElementStateVector();
    savedChildren_ = ChildrenStates::getChildrenStatesVector();
    auto& states = ElementState::getElementStateVector();
    states.assign(10, ElementState());
    states[ELEMENTSTATE_DEFAULT] = ElementState(2, 0, kLiteral, kDefaultChildren, true);
    states[ELEMENTSTATE_ROOT] = ElementState(3, 0, ELEMENTSTATE_INVALID, kBodyChildren, true);
    states[kBody] = ElementState(kBody, 0, kLiteral, kBodyChildren, true);
    states[kChooseStart] =
        ElementState(kChooseStart, 0, ELEMENTSTATE_INVALID, kChooseChildren, false);
    states[kChooseAfterWhen] =
        ElementState(kChooseAfterWhen, 0, ELEMENTSTATE_INVALID, kChooseChildren, true);
    states[kWhenBody] = ElementState(kWhenBody, 0, kLiteral, kBodyChildren, true);
    states[kLiteral] = ElementState(kLiteral, 0, kLiteral, kBodyChildren, true);
    states[kOnlyXslt] = ElementState(kOnlyXslt, 0, ELEMENTSTATE_INVALID, kNothing, true);
    auto& children = ChildrenStates::getChildrenStatesVector();
    children.assign(4, ChildrenStates());
    children[kNothing] = ChildrenStates(kNothing, {});
    children[kBodyChildren] = ChildrenStates(
        kBodyChildren, {{L"choose", ChildState(ELEMENTSTATE_UNCHANGED, kChooseStart)}});
    children[kChooseChildren] =
        ChildrenStates(kChooseChildren, {{L"when", ChildState(kChooseAfterWhen, kWhenBody)}});
    children[kDefaultChildren] = ChildrenStates(
        kDefaultChildren,
        {{L"when", ChildState(kChooseAfterWhen, kWhenBody)}, {L"text", ChildState(0, kOnlyXslt)}});
  }

  void TearDown() override {
    ElementState::getElementStateVector() = savedStates_;
    ChildrenStates::getChildrenStatesVector() = savedChildren_;
  }

  struct Answer {
    int state;
    int newParent;
    bool usedDefault;
  };

  static Answer LookUp(int parentState, const std::wstring& uri, const std::wstring& name) {
    Answer answer{-1, -1, true};
    answer.state = ElementState::getElementState(parentState)
                       .getChildElementStateIndex(uri, name, L"q:" + name, answer.newParent,
                                                  answer.usedDefault);
    return answer;
  }

 private:
  std::vector<ElementState> savedStates_;
  std::vector<ChildrenStates> savedChildren_;
};

TEST_F(ChildLookup, ListedXsltChildGetsTheTransitionsStates) {
  const Answer choose = LookUp(kBody, kXsl, L"choose");
  EXPECT_EQ(choose.state, kChooseStart);
  EXPECT_EQ(choose.newParent, ELEMENTSTATE_UNCHANGED);
  EXPECT_FALSE(choose.usedDefault);

  const Answer when = LookUp(kChooseStart, kXsl, L"when");
  EXPECT_EQ(when.state, kWhenBody);
  EXPECT_EQ(when.newParent, kChooseAfterWhen);
  EXPECT_FALSE(when.usedDefault);
}

TEST_F(ChildLookup, UnlistedXsltChildGetsTheDefaultStatesAnswerWithoutParentChange) {
  const Answer when = LookUp(kBody, kXsl, L"when");
  EXPECT_EQ(when.state, kWhenBody);
  EXPECT_EQ(when.newParent, ELEMENTSTATE_UNCHANGED);
  EXPECT_TRUE(when.usedDefault);
}

TEST_F(ChildLookup, XsltChildUnknownEverywhereGetsTheDefaultState) {
  EXPECT_EQ(LookUp(kBody, kXsl, L"bogus").state, ELEMENTSTATE_DEFAULT);
  const Answer inDefault = LookUp(ELEMENTSTATE_DEFAULT, kXsl, L"bogus");
  EXPECT_EQ(inDefault.state, ELEMENTSTATE_DEFAULT);
  EXPECT_TRUE(inDefault.usedDefault);
}

TEST_F(ChildLookup, ForwardsCompatibleModeAllowsOnlyElementsTheDefaultStateDoesNotKnow) {
  ElementState::Extras relaxed;
  relaxed.unknownXsltElementState = kLiteral;
  relaxed.unknownXsltElementParentState = kWhenBody;
  ElementState::getElementStateVector()[kBody] =
      ElementState(kBody, 0, kLiteral, kBodyChildren, true, relaxed);
  const auto lookUpIn = [](int parent, const std::wstring& uri, const std::wstring& name,
                           bool forwardsCompatible) {
    Answer answer{-1, -1, true};
    answer.state = ElementState::getElementState(parent).getChildElementStateIndex(
        uri, name, name, forwardsCompatible, answer.newParent, answer.usedDefault);
    return answer;
  };
  const Answer later = lookUpIn(kBody, kXsl, L"sequence", true);
  EXPECT_EQ(later.state, kLiteral);
  EXPECT_EQ(later.newParent, kWhenBody);
  EXPECT_FALSE(later.usedDefault);
  // The same element outside forwards-compatible mode, or where no state is named for it.
  EXPECT_TRUE(lookUpIn(kBody, kXsl, L"sequence", false).usedDefault);
  EXPECT_TRUE(lookUpIn(kChooseStart, kXsl, L"sequence", true).usedDefault);
  // An element the default state knows stays misplaced; listed and literal ones are unchanged.
  const Answer misplaced = lookUpIn(kBody, kXsl, L"when", true);
  EXPECT_TRUE(misplaced.usedDefault);
  EXPECT_EQ(misplaced.state, kWhenBody);
  EXPECT_EQ(misplaced.newParent, ELEMENTSTATE_UNCHANGED);
  EXPECT_EQ(lookUpIn(kBody, kXsl, L"choose", true).state, kChooseStart);
  EXPECT_EQ(lookUpIn(kBody, L"urn:other", L"sequence", true).state, kLiteral);
  EXPECT_EQ(lookUpIn(kBody, L"urn:other", L"sequence", true).newParent, ELEMENTSTATE_UNCHANGED);
}

TEST_F(ChildLookup, LiteralChildMayMoveItsParentAndElementsWithoutNamespaceMayDiffer) {
  ElementState::Extras extras;
  extras.literalParentState = kWhenBody;
  extras.literalWithoutNamespaceState = ELEMENTSTATE_INVALID;
  ElementState::getElementStateVector()[kBody] =
      ElementState(kBody, 0, kLiteral, kBodyChildren, true, extras);
  const Answer namespaced = LookUp(kBody, L"urn:data", L"d");
  EXPECT_EQ(namespaced.state, kLiteral);
  EXPECT_EQ(namespaced.newParent, kWhenBody);
  EXPECT_FALSE(namespaced.usedDefault);
  // In no namespace the child is not allowed, takes the default state's literal state and
  // leaves its parent alone.
  const Answer plain = LookUp(kBody, L"", L"d");
  EXPECT_TRUE(plain.usedDefault);
  EXPECT_EQ(plain.state, kLiteral);
  EXPECT_EQ(plain.newParent, ELEMENTSTATE_UNCHANGED);
  // XSLT children keep their own transitions.
  EXPECT_EQ(LookUp(kBody, kXsl, L"choose").newParent, ELEMENTSTATE_UNCHANGED);
}

TEST_F(ChildLookup, ElementOutsideXsltGetsTheLiteralState) {
  for (const std::wstring uri : {L"", L"http://www.w3.org/1999/xhtml"}) {
    const Answer literal = LookUp(kBody, uri, L"choose");
    EXPECT_EQ(literal.state, kLiteral);
    EXPECT_EQ(literal.newParent, ELEMENTSTATE_UNCHANGED);
    EXPECT_FALSE(literal.usedDefault);
  }
}

TEST_F(ChildLookup, ElementOutsideXsltWhereNoneAllowedGetsTheDefaultsLiteralState) {
  const Answer literal = LookUp(kChooseStart, L"", L"p");
  EXPECT_EQ(literal.state, kLiteral);
  EXPECT_TRUE(literal.usedDefault);
}

TEST_F(ChildLookup, OnlyTheExactNamespaceCountsAsXslt) {
  EXPECT_EQ(LookUp(kBody, kXsl + L"/", L"choose").state, kLiteral);
  EXPECT_EQ(LookUp(kBody, L"HTTP://www.w3.org/1999/XSL/Transform", L"choose").state, kLiteral);
}

TEST_F(ChildLookup, LocalNamesAreCaseSensitive) {
  const Answer upper = LookUp(kBody, kXsl, L"Choose");
  EXPECT_EQ(upper.state, ELEMENTSTATE_DEFAULT);
  EXPECT_TRUE(upper.usedDefault);
}

TEST_F(ChildLookup, DefaultLookupDiscardsItsOutputs) {
  EXPECT_EQ(ElementState::getDefaultStateIndex(kXsl, L"when", L"xsl:when"), kWhenBody);
  EXPECT_EQ(ElementState::getDefaultStateIndex(L"", L"p", L"p"), kLiteral);
}

TEST_F(ChildLookup, DefaultStateWithoutLiteralStateStillEnds) {
  ElementState::getElementStateVector()[ELEMENTSTATE_DEFAULT] =
      ElementState(2, 0, ELEMENTSTATE_INVALID, kDefaultChildren, true);
  EXPECT_EQ(LookUp(kChooseStart, L"", L"p").state, ELEMENTSTATE_DEFAULT);
  EXPECT_EQ(LookUp(ELEMENTSTATE_DEFAULT, L"", L"p").state, ELEMENTSTATE_DEFAULT);
}

TEST_F(ChildLookup, ChildElementStateIsTheRegistryEntry) {
  int newParent = -1;
  bool usedDefault = true;
  const ElementState& when =
      ElementState::getElementState(kChooseStart)
          .getChildElementState(kXsl, L"when", L"xsl:when", newParent, usedDefault);
  EXPECT_EQ(when.getStateIndex(), kWhenBody);
  EXPECT_TRUE(when.isEndable());
  EXPECT_FALSE(ElementState::getElementState(kChooseStart).isEndable());
}

TEST(ChildrenStates, MissLeavesTheOutputUntouched) {
  const ChildrenStates states(0, {{L"sort", ChildState(7, 8)}});
  ChildState found(1, 2);
  EXPECT_FALSE(states.getChildState(L"Sort", found));
  EXPECT_EQ(found.getNewStateIndex(), 1);
  EXPECT_EQ(found.getChildStateIndex(), 2);
  EXPECT_TRUE(states.getChildState(L"sort", found));
  EXPECT_EQ(found.getNewStateIndex(), 7);
  EXPECT_EQ(found.getChildStateIndex(), 8);
}

using StateRegistryDeathTest = ChildLookup;

TEST_F(StateRegistryDeathTest, StopsOnElementStateIndexBeyondTheRegistry) {
  EXPECT_DEATH(ElementState::getElementState(10), "index < m_elementStateVector.size\\( \\)");
}

TEST_F(StateRegistryDeathTest, StopsOnReservedElementStateThatIsNeverConstructed) {
  EXPECT_DEATH(ElementState::getElementState(ELEMENTSTATE_INVALID),
               "m_elementStateVector\\[index\\].wasCorrectlyConstructed\\( \\)");
}

TEST_F(StateRegistryDeathTest, StopsOnBadChildrenStatesIndex) {
  EXPECT_DEATH(ChildrenStates::getChildrenStates(4), "index < childrenStatesVector.size\\( \\)");
  ChildrenStates::getChildrenStatesVector()[kNothing] = ChildrenStates();
  EXPECT_DEATH(ChildrenStates::getChildrenStates(kNothing),
               "childrenStatesVector\\[index\\].wasCorrectlyConstructed\\( \\)");
}

}  // namespace
