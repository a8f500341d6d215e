// Value rules and the per-attribute rule that owns one.
#include "AttributeValidator.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

StylesheetSyntaxError untouchedRecord() {
  return StylesheetSyntaxError(SYNTAXERROR_NONE, SEVERITY_ERROR, L"", Location{3, 4},
                               Location{3, 9});
}

TEST(EnumValidator, AcceptsExactlyAListedValue) {
  EnumValidator rule({L"yes", L"no"});
  StylesheetSyntaxError error = untouchedRecord();
  EXPECT_TRUE(rule.validateValue(L"indent", L"no", error));
  EXPECT_EQ(error.m_code, SYNTAXERROR_NONE);
}

TEST(EnumValidator, RejectsOtherCaseAndSurroundingSpaces) {
  EnumValidator rule({L"yes", L"no"});
  StylesheetSyntaxError error = untouchedRecord();
  EXPECT_FALSE(rule.validateValue(L"indent", L"Yes", error));
  EXPECT_FALSE(rule.validateValue(L"indent", L" yes", error));
  EXPECT_FALSE(rule.validateValue(L"indent", L"yes ", error));
}

TEST(EnumValidator, RejectsEmptyValueUnlessListed) {
  StylesheetSyntaxError error = untouchedRecord();
  EXPECT_FALSE(EnumValidator({L"yes"}).validateValue(L"indent", L"", error));
  EXPECT_TRUE(EnumValidator({L"yes", L""}).validateValue(L"indent", L"", error));
}

TEST(EnumValidator, RejectionFillsCodeSeverityAndMessageButNotLocations) {
  EnumValidator rule({L"single", L"multiple", L"any"});
  StylesheetSyntaxError error = untouchedRecord();
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
  StylesheetSyntaxError error = untouchedRecord();
  EXPECT_TRUE(rule.validateValue(L"match", L"", error));
  EXPECT_TRUE(rule.validateValue(L"match", L"para[@role='x']|/", error));
  EXPECT_NE(dynamic_cast<MatchPatternValidator*>(rule.clone().get()), nullptr);
}

TEST(AttributeValidator, DefaultRuleAcceptsAnyValue) {
  AttributeValidator rule;
  StylesheetSyntaxError error = untouchedRecord();
  EXPECT_TRUE(rule.validateValue(L"anything", error));
  EXPECT_EQ(rule.getName(), L"");
  EXPECT_FALSE(rule.isRequired());
}

TEST(AttributeValidator, ReportsUnderItsOwnName) {
  AttributeValidator rule(
      L"terminate", true,
      std::make_unique<EnumValidator>(std::vector<std::wstring>{L"yes", L"no"}));
  StylesheetSyntaxError error = untouchedRecord();
  ASSERT_FALSE(rule.validateValue(L"maybe", error));
  EXPECT_EQ(error.m_message,
            L"The attribute \"terminate\" cannot have the value \"maybe\" in this context.");
}

TEST(AttributeValidator, AbsentValueRuleMeansAnyValue) {
  AttributeValidator rule(L"select", false, nullptr);
  StylesheetSyntaxError error = untouchedRecord();
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
  StylesheetSyntaxError error = untouchedRecord();
  EXPECT_TRUE(copied.validateValue(L"ascending", error));
  EXPECT_FALSE(assigned.validateValue(L"descending", error));
  EXPECT_EQ(assigned.getName(), L"order");
}

TEST(AttributeValidator, SelfAssignmentKeepsTheRule) {
  AttributeValidator rule(L"level", true,
                          std::make_unique<EnumValidator>(std::vector<std::wstring>{L"any"}));
  AttributeValidator& alias = rule;
  rule = alias;
  StylesheetSyntaxError error = untouchedRecord();
  EXPECT_TRUE(rule.validateValue(L"any", error));
  EXPECT_TRUE(rule.isRequired());
}

}  // namespace
