// Value rules and the per-attribute rule that owns one.
#include "AttributeValidator.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

StylesheetSyntaxError UntouchedRecord() {
  return StylesheetSyntaxError(SYNTAXERROR_NONE, SEVERITY_ERROR, L"", Location{3, 4},
                               Location{3, 9});
}

TEST(EnumValidator, AcceptsExactlyAListedValue) {
  EnumValidator rule({L"yes", L"no"});
  StylesheetSyntaxError error = UntouchedRecord();
  EXPECT_TRUE(rule.validateValue(L"indent", L"no", error));
  EXPECT_EQ(error.m_code, SYNTAXERROR_NONE);
}

TEST(EnumValidator, RejectsOtherCaseAndSurroundingSpaces) {
  EnumValidator rule({L"yes", L"no"});
  StylesheetSyntaxError error = UntouchedRecord();
  EXPECT_FALSE(rule.validateValue(L"indent", L"Yes", error));
  EXPECT_FALSE(rule.validateValue(L"indent", L" yes", error));
  EXPECT_FALSE(rule.validateValue(L"indent", L"yes ", error));
}

TEST(EnumValidator, RejectsEmptyValueUnlessListed) {
  StylesheetSyntaxError error = UntouchedRecord();
  EXPECT_FALSE(EnumValidator({L"yes"}).validateValue(L"indent", L"", error));
  EXPECT_TRUE(EnumValidator({L"yes", L""}).validateValue(L"indent", L"", error));
}

TEST(EnumValidator, RejectionFillsCodeSeverityAndMessageButNotLocations) {
  EnumValidator rule({L"single", L"multiple", L"any"});
  StylesheetSyntaxError error = UntouchedRecord();
  error.m_severity = SEVERITY_WARNING;
  ASSERT_FALSE(rule.validateValue(L"level", L"all", error));
  EXPECT_EQ(error.m_code, SYNTAXERROR_ATTRIBUTE_VALUE_NOT_ALLOWED);
  EXPECT_EQ(error.m_severity, SEVERITY_ERROR);
  EXPECT_EQ(error.m_message,
            L"The attribute \"level\" cannot have the value \"all\" in this context.");
  EXPECT_EQ(error.m_start.line, 3);
  EXPECT_EQ(error.m_end.column, 9);
}

TEST(EnumValidator, CloneKeepsTheListInOrderWithDuplicates) {
  EnumValidator rule({L"a", L"b", L"a"});
  std::unique_ptr<AttributeValueValidator> copy = rule.clone();
  auto* asEnum = dynamic_cast<EnumValidator*>(copy.get());
  ASSERT_NE(asEnum, nullptr);
  EXPECT_EQ(asEnum->getValues(), (std::vector<std::wstring>{L"a", L"b", L"a"}));
}

TEST(MatchPatternValidator, AcceptsAnyValueIncludingEmpty) {
  MatchPatternValidator rule;
  StylesheetSyntaxError error = UntouchedRecord();
  EXPECT_TRUE(rule.validateValue(L"match", L"", error));
  EXPECT_TRUE(rule.validateValue(L"match", L"para[@role='x']|/", error));
  EXPECT_NE(dynamic_cast<MatchPatternValidator*>(rule.clone().get()), nullptr);
}

TEST(AttributeValidator, DefaultRuleAcceptsAnyValue) {
  AttributeValidator rule;
  StylesheetSyntaxError error = UntouchedRecord();
  EXPECT_TRUE(rule.validateValue(L"anything", error));
  EXPECT_EQ(rule.getName(), L"");
  EXPECT_FALSE(rule.isRequired());
}

TEST(AttributeValidator, ReportsUnderItsOwnName) {
  AttributeValidator rule(
      L"terminate", true,
      std::make_unique<EnumValidator>(std::vector<std::wstring>{L"yes", L"no"}));
  StylesheetSyntaxError error = UntouchedRecord();
  ASSERT_FALSE(rule.validateValue(L"maybe", error));
  EXPECT_EQ(error.m_message,
            L"The attribute \"terminate\" cannot have the value \"maybe\" in this context.");
}

TEST(AttributeValidator, AbsentValueRuleMeansAnyValue) {
  AttributeValidator rule(L"select", false, nullptr);
  StylesheetSyntaxError error = UntouchedRecord();
  EXPECT_TRUE(rule.validateValue(L"x", error));
}

TEST(AttributeValidator, CopiesOwnIndependentValueRules) {
  auto original = std::make_unique<AttributeValidator>(
      L"order", false, std::make_unique<EnumValidator>(std::vector<std::wstring>{L"ascending"}));
  AttributeValidator copied(*original);
  AttributeValidator assigned;
  assigned = *original;
  EXPECT_NE(&copied.getValueValidator(), &original->getValueValidator());
  original.reset();
  StylesheetSyntaxError error = UntouchedRecord();
  EXPECT_TRUE(copied.validateValue(L"ascending", error));
  EXPECT_FALSE(assigned.validateValue(L"descending", error));
  EXPECT_EQ(assigned.getName(), L"order");
}

TEST(AttributeValidator, SelfAssignmentKeepsTheRule) {
  AttributeValidator rule(L"level", true,
                          std::make_unique<EnumValidator>(std::vector<std::wstring>{L"any"}));
  AttributeValidator& alias = rule;
  rule = alias;
  StylesheetSyntaxError error = UntouchedRecord();
  EXPECT_TRUE(rule.validateValue(L"any", error));
  EXPECT_TRUE(rule.isRequired());
}

}  // namespace

namespace {

// Declares p (and the default namespace when asked) and checks `value` as `kind`.
bool AcceptsName(NameValidator::Kind kind, const std::wstring& value, bool defaultNamespace = false,
                 bool scopeKnown = true) {
  NamespaceScope scope;
  scope.declare(L"p", L"urn:p");
  if (defaultNamespace) {
    scope.declare(L"", L"urn:d");
  }
  StylesheetSyntaxError error;
  return NameValidator(kind).validateValueInScope(L"n", value, scopeKnown ? &scope : nullptr,
                                                  error);
}

TEST(NameValidator, QualifiedNameNeedsItsFormAndADeclaredPrefix) {
  for (const wchar_t* good : {L"a", L"p:a", L"_a.b-c", L"xml:lang", L"\u00e9t\u00e9"}) {
    EXPECT_TRUE(AcceptsName(NameValidator::kQName, good)) << good;
  }
  for (const wchar_t* bad :
       {L"", L"1a", L"q:a", L"p:", L":a", L"p:a:b", L"a b", L" a", L"{$n}", L"xmlns:a"}) {
    EXPECT_FALSE(AcceptsName(NameValidator::kQName, bad)) << bad;
  }
  // Without a known scope only the form counts.
  EXPECT_TRUE(AcceptsName(NameValidator::kQName, L"q:a", false, false));
  EXPECT_FALSE(AcceptsName(NameValidator::kQName, L"1a", false, false));
}

TEST(NameValidator, ListsAcceptAnyWhitespaceAndNoNameAtAll) {
  EXPECT_TRUE(AcceptsName(NameValidator::kQNames, L""));
  EXPECT_TRUE(AcceptsName(NameValidator::kQNames, L" a\tp:b\r\n c "));
  EXPECT_FALSE(AcceptsName(NameValidator::kQNames, L"a q:b"));
  EXPECT_FALSE(AcceptsName(NameValidator::kQNames, L"a,b"));
}

TEST(NameValidator, DefaultPrefixInAListNeedsADefaultNamespace) {
  EXPECT_FALSE(AcceptsName(NameValidator::kPrefixes, L"#default"));
  EXPECT_TRUE(AcceptsName(NameValidator::kPrefixes, L"#default p", true));
  EXPECT_TRUE(AcceptsName(NameValidator::kPrefixes, L"p xml"));
  EXPECT_FALSE(AcceptsName(NameValidator::kPrefixes, L"p q"));
  EXPECT_FALSE(AcceptsName(NameValidator::kPrefixes, L"p:a"));
  EXPECT_FALSE(AcceptsName(NameValidator::kPrefixes, L"#DEFAULT", true));
}

TEST(NameValidator, SinglePrefixMayAlwaysBeTheDefault) {
  EXPECT_TRUE(AcceptsName(NameValidator::kPrefix, L"#default"));
  EXPECT_TRUE(AcceptsName(NameValidator::kPrefix, L"p"));
  EXPECT_FALSE(AcceptsName(NameValidator::kPrefix, L"q"));
  EXPECT_FALSE(AcceptsName(NameValidator::kPrefix, L"p p"));
  EXPECT_FALSE(AcceptsName(NameValidator::kPrefix, L""));
}

TEST(NameValidator, NameTestsAreStarsPrefixStarsAndNames) {
  EXPECT_TRUE(AcceptsName(NameValidator::kNameTests, L"* p:* a p:b"));
  EXPECT_FALSE(AcceptsName(NameValidator::kNameTests, L"q:*"));
  EXPECT_FALSE(AcceptsName(NameValidator::kNameTests, L"*:a"));
  EXPECT_FALSE(AcceptsName(NameValidator::kNameTests, L"p:**"));
}

TEST(NameValidator, RejectionIsTheValueRecordWithTheWholeValue) {
  NamespaceScope scope;
  StylesheetSyntaxError error;
  const AttributeValidator rule(L"mode", false,
                                std::make_unique<NameValidator>(NameValidator::kQNames));
  EXPECT_FALSE(rule.validateValue(L"a q:b", &scope, error));
  EXPECT_EQ(error.m_code, SYNTAXERROR_ATTRIBUTE_VALUE_NOT_ALLOWED);
  EXPECT_EQ(error.m_message,
            L"The attribute \"mode\" cannot have the value \"a q:b\" in this context.");
  // A rule without a scope sees no declaration missing; a copy keeps the kind.
  EXPECT_TRUE(AttributeValidator(rule).validateValue(L"a q:b", error));
}

TEST(AttributeValidator, VersionsAreComparedAsNumbers) {
  AttributeValidator version(L"version", true, nullptr);
  EXPECT_FALSE(version.enablesForwardsCompatibleMode(L"2.0"));  // not a version attribute
  version.setForwardsCompatibleUnless(L"1.0");
  for (const wchar_t* same : {L"1.0", L"1", L"01.00", L" 1.0 ", L"1."}) {
    EXPECT_FALSE(version.enablesForwardsCompatibleMode(same)) << same;
  }
  for (const wchar_t* other : {L"1.1", L"2.0", L"10", L"0.1", L"", L"one", L"1.0.0", L"1,0"}) {
    EXPECT_TRUE(version.enablesForwardsCompatibleMode(other)) << other;
  }
  AttributeValidator copy(version);
  EXPECT_EQ(copy.getForwardsCompatibleUnless(), L"1.0");
}

}  // namespace
