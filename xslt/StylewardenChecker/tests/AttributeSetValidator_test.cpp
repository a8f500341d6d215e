// Attribute set checks: which finding a start tag's attributes give, and the registry.
#include "AttributeSetValidator.h"

#include <gtest/gtest.h>

#include <memory>

#include "ElementState.h"

namespace {

const std::wstring kXsl = kXsltNamespace;

Attribute plain(const std::wstring& name, const std::wstring& value) {
  return Attribute(name, name, L"", value);
}

Attribute xslt(const std::wstring& name, const std::wstring& value) {
  return Attribute(name, L"xsl:" + name, kXsl, value);
}

AttributeValidator AnyValue(const std::wstring& name, bool required) {
  return AttributeValidator(name, required, std::make_unique<NULLValidator>());
}

AttributeValidator OneOf(const std::wstring& name, bool required,
                         std::vector<std::wstring> values) {
  return AttributeValidator(name, required, std::make_unique<EnumValidator>(std::move(values)));
}

// A set like that of xsl:number: required r1 and r2, optional enumerated level and free format.
AttributeSetValidator XsltElementSet(bool defaultInNamespace = true) {
  AttributeSetValidator::AttributeMap required{{L"r2", AnyValue(L"r2", true)},
                                               {L"r1", AnyValue(L"r1", true)}};
  AttributeSetValidator::AttributeMap optional{
      {L"level", OneOf(L"level", false, {L"single", L"multiple", L"any"})},
      {L"format", AnyValue(L"format", false)}};
  return AttributeSetValidator(0, required, optional, defaultInNamespace);
}

struct Outcome {
  bool passed;
  StylesheetSyntaxError error;
};

Outcome check(const AttributeSetValidator& set, const std::vector<Attribute>& attributes) {
  Outcome outcome{false, StylesheetSyntaxError(SYNTAXERROR_NONE, SEVERITY_ERROR, L"",
                                               Location{2, 1}, Location{2, 30})};
  outcome.passed = set.validateAttributes(attributes, outcome.error);
  return outcome;
}

TEST(AttributeSetValidation, PassesWhenRequiredPresentAndOthersListed) {
  const Outcome result =
      check(XsltElementSet(), {plain(L"r1", L"x"), plain(L"level", L"any"), plain(L"r2", L"")});
  EXPECT_TRUE(result.passed);
  EXPECT_EQ(result.error.m_code, SYNTAXERROR_NONE);
}

TEST(AttributeSetValidation, NamesTheSmallestMissingRequiredAttribute) {
  const Outcome result = check(XsltElementSet(), {});
  ASSERT_FALSE(result.passed);
  EXPECT_EQ(result.error.m_code, SYNTAXERROR_MISSING_REQUIRED_ATTRIBUTE);
  EXPECT_EQ(result.error.m_message, L"The element is missing the required attribute \"r1\"");
  EXPECT_EQ(result.error.m_start.line, 2);
  EXPECT_EQ(result.error.m_end.column, 30);
}

TEST(AttributeSetValidation, MissingAttributeIsTheOneNotGiven) {
  const Outcome result = check(XsltElementSet(), {plain(L"r1", L"x")});
  EXPECT_EQ(result.error.m_message, L"The element is missing the required attribute \"r2\"");
}

TEST(AttributeSetValidation, ReportsUnlistedAttributeBeforeMissingOne) {
  const Outcome result = check(XsltElementSet(), {plain(L"colour", L"red")});
  ASSERT_FALSE(result.passed);
  EXPECT_EQ(result.error.m_code, SYNTAXERROR_ATTRIBUTE_NOT_ALLOWED);
  EXPECT_EQ(result.error.m_message, L"The attribute \"colour\" is not allowed in this context.");
}

TEST(AttributeSetValidation, NamesOnlyTheFirstUnlistedByQualifiedName) {
  const Outcome result = check(XsltElementSet(), {plain(L"r1", L""), plain(L"r2", L""),
                                                  xslt(L"zeta", L""), plain(L"alpha", L"")});
  EXPECT_EQ(result.error.m_message, L"The attribute \"xsl:zeta\" is not allowed in this context.");
}

TEST(AttributeSetValidation, RejectedValueWinsOverEarlierUnlistedAttribute) {
  const Outcome result = check(
      XsltElementSet(), {plain(L"colour", L"red"), plain(L"level", L"all"), plain(L"size", L"")});
  ASSERT_FALSE(result.passed);
  EXPECT_EQ(result.error.m_code, SYNTAXERROR_ATTRIBUTE_VALUE_NOT_ALLOWED);
  EXPECT_EQ(result.error.m_message,
            L"The attribute \"level\" cannot have the value \"all\" in this context.");
}

TEST(AttributeSetValidation, RejectedRequiredValueStopsAtOnce) {
  AttributeSetValidator::AttributeMap required{{L"mode", OneOf(L"mode", true, {L"a"})}};
  AttributeSetValidator set(1, required, {}, true);
  const Outcome result = check(set, {plain(L"mode", L"b"), plain(L"other", L"")});
  EXPECT_EQ(result.error.m_code, SYNTAXERROR_ATTRIBUTE_VALUE_NOT_ALLOWED);
}

TEST(AttributeSetValidation, IgnoresAttributesInForeignNamespaces) {
  const Outcome result = check(
      XsltElementSet(),
      {plain(L"r1", L""), plain(L"r2", L""),
       Attribute(L"space", L"xml:space", L"http://www.w3.org/XML/1998/namespace", L"preserve"),
       Attribute(L"level", L"x:level", L"urn:x", L"bogus")});
  EXPECT_TRUE(result.passed);
}

TEST(AttributeSetValidation, LiteralElementIgnoresPlainAttributesButExaminesXsltOnes) {
  AttributeSetValidator::AttributeMap required{{L"version", AnyValue(L"version", true)}};
  AttributeSetValidator literal(2, required, {}, false);
  EXPECT_TRUE(check(literal, {plain(L"href", L"x"), xslt(L"version", L"1.0")}).passed);
  const Outcome missing = check(literal, {plain(L"version", L"1.0")});
  EXPECT_EQ(missing.error.m_message, L"The element is missing the required attribute \"version\"");
  const Outcome unlisted = check(literal, {xslt(L"version", L"1.0"), xslt(L"bogus", L"")});
  EXPECT_EQ(unlisted.error.m_code, SYNTAXERROR_ATTRIBUTE_NOT_ALLOWED);
}

TEST(AttributeSetValidation, XsltUseAttributeSetsIsAcceptedUnlessRequired) {
  AttributeSetValidator none(3, {}, {}, false);
  EXPECT_TRUE(check(none, {xslt(L"use-attribute-sets", L"any value")}).passed);

  AttributeSetValidator strict(4, {}, {}, true);
  EXPECT_EQ(check(strict, {plain(L"use-attribute-sets", L"a")}).error.m_code,
            SYNTAXERROR_ATTRIBUTE_NOT_ALLOWED);

  AttributeSetValidator::AttributeMap required{
      {L"use-attribute-sets", OneOf(L"use-attribute-sets", true, {L"ok"})}};
  AttributeSetValidator listed(5, required, {}, false);
  EXPECT_EQ(check(listed, {xslt(L"use-attribute-sets", L"bad")}).error.m_code,
            SYNTAXERROR_ATTRIBUTE_VALUE_NOT_ALLOWED);
  EXPECT_TRUE(check(listed, {xslt(L"use-attribute-sets", L"ok")}).passed);
}

TEST(AttributeSetValidation, ForwardsCompatibleModeIgnoresOnlyUnlistedAttributesOfMarkedSets) {
  AttributeSetValidator::AttributeMap required{{L"r1", AnyValue(L"r1", true)}};
  AttributeSetValidator::AttributeMap optional{{L"level", OneOf(L"level", false, {L"single"})}};
  const AttributeSetValidator marked(0, required, optional, true, true);
  StylesheetSyntaxError error;
  EXPECT_TRUE(
      marked.validateAttributes({plain(L"r1", L""), plain(L"as", L"")}, nullptr, true, error));
  EXPECT_FALSE(
      marked.validateAttributes({plain(L"r1", L""), plain(L"as", L"")}, nullptr, false, error));
  EXPECT_EQ(error.m_code, SYNTAXERROR_ATTRIBUTE_NOT_ALLOWED);
  EXPECT_FALSE(marked.validateAttributes({plain(L"as", L"")}, nullptr, true, error));
  EXPECT_EQ(error.m_code, SYNTAXERROR_MISSING_REQUIRED_ATTRIBUTE);
  EXPECT_FALSE(marked.validateAttributes({plain(L"r1", L""), plain(L"level", L"any")}, nullptr,
                                         true, error));
  EXPECT_EQ(error.m_code, SYNTAXERROR_ATTRIBUTE_VALUE_NOT_ALLOWED);

  const AttributeSetValidator unmarked(1, required, optional, true);
  EXPECT_FALSE(
      unmarked.validateAttributes({plain(L"r1", L""), plain(L"as", L"")}, nullptr, true, error));
  // Copies keep the mark.
  const AttributeSetValidator copy = marked;
  EXPECT_TRUE(copy.ignoresUnlistedWhenForwardsCompatible());
}

TEST(AttributeSetValidation, VersionAttributeSwitchesTheModeOnlyWhereTheSetChecksIt) {
  AttributeValidator version = AnyValue(L"version", false);
  version.setForwardsCompatibleUnless(L"1.0");
  const AttributeSetValidator literal(0, {}, {{L"version", version}}, false);
  EXPECT_TRUE(literal.hasVersionAttribute());
  EXPECT_TRUE(literal.enablesForwardsCompatibleMode({xslt(L"version", L"2.0")}));
  EXPECT_FALSE(literal.enablesForwardsCompatibleMode({xslt(L"version", L"1")}));
  // An unprefixed version on a literal result element is the element's own attribute.
  EXPECT_FALSE(literal.enablesForwardsCompatibleMode({plain(L"version", L"2.0")}));
  EXPECT_FALSE(literal.enablesForwardsCompatibleMode({}));

  const AttributeSetValidator stylesheet(1, {{L"version", version}}, {}, true);
  AttributeSetValidator copy(2, {}, {}, true);
  copy = stylesheet;
  EXPECT_TRUE(copy.enablesForwardsCompatibleMode({plain(L"version", L"1.1")}));
  EXPECT_FALSE(XsltElementSet().hasVersionAttribute());
}

TEST(AttributeSetValidation, NameValuesAreCheckedAgainstTheScopeGiven) {
  const AttributeSetValidator set(
      0, {},
      {{L"mode", AttributeValidator(L"mode", false,
                                    std::make_unique<NameValidator>(NameValidator::kQName))}},
      true);
  NamespaceScope scope;
  StylesheetSyntaxError error;
  EXPECT_FALSE(set.validateAttributes({plain(L"mode", L"p:m")}, &scope, false, error));
  scope.declare(L"p", L"urn:p");
  EXPECT_TRUE(set.validateAttributes({plain(L"mode", L"p:m")}, &scope, false, error));
}

TEST(AttributeSetValidation, RequiredAttributeCountsWithOrWithoutXsltPrefix) {
  EXPECT_TRUE(check(XsltElementSet(), {xslt(L"r1", L""), plain(L"r2", L"")}).passed);
}

TEST(AttributeSetValidation, CopiesAreDeep) {
  AttributeSetValidator copy;
  EXPECT_FALSE(copy.wasCorrectlyConstructed());
  {
    AttributeSetValidator original = XsltElementSet();
    copy = original;
  }
  EXPECT_TRUE(copy.wasCorrectlyConstructed());
  EXPECT_EQ(check(copy, {plain(L"r1", L""), plain(L"r2", L""), plain(L"level", L"x")}).error.m_code,
            SYNTAXERROR_ATTRIBUTE_VALUE_NOT_ALLOWED);
}

TEST(AttributeSetRegistry, ReturnsTheEntryStoredAtItsIndex) {
  auto& registry = AttributeSetValidator::getAttributeSetValidatorVector();
  const auto saved = registry;
  registry.assign(2, AttributeSetValidator());
  registry[1] = AttributeSetValidator(1, {}, {}, false);
  EXPECT_EQ(AttributeSetValidator::getAttributeSetValidator(1).getIndex(), 1);
  EXPECT_FALSE(AttributeSetValidator::getAttributeSetValidator(1).isDefaultInNamespace());
  registry = saved;
}

using AttributeSetRegistryDeathTest = ::testing::Test;

TEST_F(AttributeSetRegistryDeathTest, StopsOnIndexBeyondTheRegistry) {
  EXPECT_DEATH(AttributeSetValidator::getAttributeSetValidator(1 << 20),
               "index < m_attributeSetValidatorVector.size\\( \\)");
  EXPECT_DEATH(AttributeSetValidator::getAttributeSetValidator(-1),
               "index < m_attributeSetValidatorVector.size\\( \\)");
}

TEST_F(AttributeSetRegistryDeathTest, StopsOnUnconstructedEntry) {
  auto& registry = AttributeSetValidator::getAttributeSetValidatorVector();
  const auto saved = registry;
  registry.assign(1, AttributeSetValidator());
  EXPECT_DEATH(AttributeSetValidator::getAttributeSetValidator(0),
               "m_attributeSetValidatorVector\\[index\\].wasCorrectlyConstructed\\( \\)");
  registry = saved;
}

}  // namespace
