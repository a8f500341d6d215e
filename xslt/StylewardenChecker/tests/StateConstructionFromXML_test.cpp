// The state file loader: its passes, each of its messages, and the text of name and enum
// elements.
#include "StateConstructionFromXML.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

// The worked example: a root that allows stylesheet, its body, and a default state.
const char kRootState[] = R"(
  <element-state identifier="ELEMENTSTATE_ROOT" endable="FALSE">
    <attribute-set ref="none-allowed"/>
    <literal-state ref="ELEMENTSTATE_INVALID"/>
    <children-states ref="root-children"/>
  </element-state>
  <element-state identifier="body" endable="TRUE">
    <attribute-set ref="body-attributes"/>
    <literal-state ref="ELEMENTSTATE_INVALID"/>
    <children-states ref="top-level"/>
  </element-state>)";
const char kDefaultState[] = R"(
  <element-state identifier="ELEMENTSTATE_DEFAULT" endable="TRUE">
    <attribute-set ref="none-allowed"/>
    <literal-state ref="ELEMENTSTATE_DEFAULT"/>
    <children-states ref="top-level"/>
  </element-state>)";
const char kRestOfExample[] = R"(
  <children-states identifier="root-children">
    <child-state element-name="stylesheet" parent-state="ELEMENTSTATE_UNCHANGED" state="body"/>
  </children-states>
  <children-states identifier="top-level"/>
  <attribute-set identifier="none-allowed"/>
  <attribute-set identifier="body-attributes" default-in-namespace="FALSE">
    <attribute required="TRUE"><name>version</name></attribute>
  </attribute-set>)";

std::string StateFile(const std::string& body) {
  return "<?xml version=\"1.0\"?>\n<states>" + body + "</states>\n";
}

std::string WorkedExample() {
  return StateFile(std::string(kRootState) + kDefaultState + kRestOfExample);
}

// The worked example with one more attribute set holding `attributes`.
std::string WithAttributeSet(const std::string& attributes, const std::string& setAttributes = "") {
  return StateFile(std::string(kRootState) + kDefaultState + kRestOfExample +
                   "<attribute-set identifier=\"extra\" " + setAttributes + ">" + attributes +
                   "</attribute-set>");
}

std::string elementState(const std::string& endable, const std::string& references) {
  return "<element-state identifier=\"x\" endable=\"" + endable + "\">" + references +
         "</element-state>";
}

const char kThreeReferences[] =
    "<attribute-set ref=\"none-allowed\"/><literal-state ref=\"ELEMENTSTATE_INVALID\"/>"
    "<children-states ref=\"top-level\"/>";

class Loader : public ::testing::Test {
 protected:
  std::vector<ElementState> states_;
  std::vector<ChildrenStates> children_;
  std::vector<AttributeSetValidator> sets_;
  std::string path_;

  void TearDown() override {
    if (!path_.empty()) {
      std::remove(path_.c_str());
    }
  }

  std::string WriteFile(const std::string& content) {
    if (path_.empty()) {
      char pattern[] = "/tmp/stylewarden-states-XXXXXX";
      const int descriptor = mkstemp(pattern);
      if (descriptor >= 0) {
        close(descriptor);
      }
      path_ = pattern;
    }
    std::ofstream(path_, std::ios::binary | std::ios::trunc) << content;
    return path_;
  }

  // Loads `content` and returns what went to standard error; `result` gets the outcome.
  std::string load(const std::string& content, bool* result = nullptr, bool verbose = true) {
    const std::string path = WriteFile(content);
    StateConstructionFromXML loader(states_, children_, sets_);
    ::testing::internal::CaptureStderr();
    const bool loaded = loader.doConstruction(path, verbose);
    if (result != nullptr) {
      *result = loaded;
    }
    return ::testing::internal::GetCapturedStderr();
  }

  void ExpectOnlyMessage(const std::string& content, const std::string& message) {
    bool loaded = true;
    EXPECT_EQ(load(content, &loaded), message);
    EXPECT_FALSE(loaded);
  }
};

TEST_F(Loader, WorkedExampleLoadsSilently) {
  bool loaded = false;
  EXPECT_EQ(load(WorkedExample(), &loaded), "");
  EXPECT_TRUE(loaded);
  ASSERT_EQ(states_.size(), 5u);
  EXPECT_FALSE(states_[0].wasCorrectlyConstructed());
  EXPECT_FALSE(states_[1].wasCorrectlyConstructed());
  EXPECT_EQ(states_[4].getChildrenStatesIndex(), 1);
  EXPECT_EQ(states_[4].getAttributeSetIndex(), 1);
  EXPECT_EQ(states_[2].getLiteralStateIndex(), 2);
  ChildState toBody;
  ASSERT_TRUE(children_.at(0).getChildState(L"stylesheet", toBody));
  EXPECT_EQ(toBody.getChildStateIndex(), 4);
  EXPECT_EQ(toBody.getNewStateIndex(), 0);
  ASSERT_EQ(sets_.size(), 2u);
  EXPECT_TRUE(sets_[0].isDefaultInNamespace());
  EXPECT_FALSE(sets_[1].isDefaultInNamespace());
  ASSERT_EQ(sets_[1].getRequiredAttributes().count(L"version"), 1u);
}

TEST_F(Loader, WorkedExampleWithoutDefaultStateFails) {
  bool loaded = true;
  const std::string text = load(StateFile(std::string(kRootState) + kRestOfExample), &loaded);
  EXPECT_FALSE(loaded);
  EXPECT_EQ(text,
            "The element state referenced through \"ELEMENTSTATE_DEFAULT\" (assigned: 2) were not "
            "correctly constructed.\n"
            "Number of ElementState identifiers: \t5\n"
            "Number of ChildrenState identifiers:\t2\n"
            "Number of AttributeSet identifiers: \t2\n"
            "1 errors found in state machine data.\n");
}

TEST_F(Loader, FileWithoutDefinitionsGivesTheEmptyTablesReport) {
  bool loaded = true;
  const std::string text = load(StateFile(""), &loaded);
  EXPECT_FALSE(loaded);
  EXPECT_EQ(text.rfind("The element state vector does not contain the required elements.\n", 0),
            0u);
  EXPECT_NE(text.find("(assigned: 2)"), std::string::npos);
  EXPECT_NE(text.find("(assigned: 3)"), std::string::npos);
  EXPECT_NE(text.find("\t4\n"), std::string::npos);
  EXPECT_NE(text.find("3 errors found in state machine data.\n"), std::string::npos);
}

TEST_F(Loader, QuietLoadPrintsNothingWithTheSameResult) {
  bool loaded = true;
  EXPECT_EQ(load(StateFile(""), &loaded, false), "");
  EXPECT_FALSE(loaded);
  EXPECT_EQ(load("<states", &loaded, false), "");
  EXPECT_FALSE(loaded);
  EXPECT_EQ(load(WorkedExample(), &loaded, false), "");
  EXPECT_TRUE(loaded);
}

TEST_F(Loader, MalformedFileCannotBeParsed) {
  ExpectOnlyMessage("<states><element-state></states>", "Could not parse state machine.\n");
}

TEST_F(Loader, MissingFileCannotBeParsed) {
  StateConstructionFromXML loader(states_, children_, sets_);
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(loader.doConstruction("/nonexistent/states.xml", true));
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Could not parse state machine.\n");
}

TEST_F(Loader, EntityExpansionIsBounded) {
  std::string entities = "<!DOCTYPE states [<!ENTITY a0 \"xxxxxxxxxx\">";
  for (int level = 1; level < 12; ++level) {
    const std::string previous = "&a" + std::to_string(level - 1) + ";";
    std::string ten;
    for (int i = 0; i < 10; ++i) {
      ten += previous;
    }
    entities += "<!ENTITY a" + std::to_string(level) + " \"" + ten + "\">";
  }
  entities += "]>";
  ExpectOnlyMessage(entities + "<states>&a11;</states>", "Could not parse state machine.\n");
}

TEST_F(Loader, ElementStateNeedsExactlyOneOfEachReference) {
  ExpectOnlyMessage(StateFile(elementState("TRUE", "")),
                    "Element does not contain \"attribute-set\" subelement\n");
  ExpectOnlyMessage(
      StateFile(elementState("TRUE", "<attribute-set ref=\"a\"/><children-states ref=\"c\"/>")),
      "Element does not contain \"literal-state\" subelement\n");
  ExpectOnlyMessage(
      StateFile(elementState("TRUE",
                             "<attribute-set ref=\"a\"/><literal-state ref=\"l\"/><group>"
                             "<literal-state ref=\"m\"/></group><children-states ref=\"c\"/>")),
      "Element does not contain \"literal-state\" subelement\n");
  ExpectOnlyMessage(
      StateFile(elementState("TRUE", "<attribute-set ref=\"a\"/><literal-state ref=\"l\"/>")),
      "Element does not contain \"children-states\" subelement\n");
}

TEST_F(Loader, EndableMustBeUpperCaseTrueOrFalse) {
  ExpectOnlyMessage(StateFile(elementState("true", kThreeReferences)),
                    "The \"endable\" property was not \"TRUE\" or \"FALSE\"\n");
  ExpectOnlyMessage(
      StateFile("<element-state>" + std::string(kThreeReferences) + "</element-state>"),
      "The \"endable\" property was not \"TRUE\" or \"FALSE\"\n");
}

TEST_F(Loader, TextAllowedMustBeTrueOrFalseWhenGiven) {
  ExpectOnlyMessage(StateFile("<element-state identifier=\"x\" endable=\"TRUE\" "
                              "text-allowed=\"no\">" +
                              std::string(kThreeReferences) + "</element-state>"),
                    "The \"text-allowed\" property was not \"TRUE\" or \"FALSE\"\n");
}

TEST_F(Loader, UnknownXsltElementIsOneSubelementThatNamesAState) {
  ExpectOnlyMessage(StateFile(elementState("TRUE", std::string(kThreeReferences) +
                                                       "<unknown-xslt-element state=\"a\"/>"
                                                       "<unknown-xslt-element state=\"b\"/>")),
                    "Element contains more than one \"unknown-xslt-element\" subelement\n");
  ExpectOnlyMessage(
      StateFile(elementState(
          "TRUE", std::string(kThreeReferences) + "<unknown-xslt-element parent-state=\"b\"/>")),
      "The \"unknown-xslt-element\" subelement must name a state\n");
}

TEST_F(Loader, ForwardsCompatibleFlagMustBeTrueOrFalseWhenGiven) {
  ExpectOnlyMessage(WithAttributeSet("", "forwards-compatible-ignores-unlisted=\"yes\""),
                    "The \"forwards-compatible-ignores-unlisted\" property was not \"TRUE\" or "
                    "\"FALSE\"\n");
}

TEST_F(Loader, ReadsTheOptionalPartsOfStatesAndRules) {
  const std::string extendedBody =
      "<element-state identifier=\"body\" endable=\"TRUE\" text-allowed=\"FALSE\""
      " text-parent-state=\"ELEMENTSTATE_DEFAULT\">"
      "<attribute-set ref=\"body-attributes\"/><literal-state ref=\"ELEMENTSTATE_INVALID\""
      " parent-state=\"ELEMENTSTATE_ROOT\" without-namespace=\"ELEMENTSTATE_DEFAULT\"/>"
      "<children-states ref=\"top-level\"/>"
      "<unknown-xslt-element state=\"ELEMENTSTATE_DEFAULT\" parent-state=\"body\"/>"
      "</element-state>";
  std::string root(kRootState);
  root.replace(root.find("<element-state identifier=\"body\""), std::string::npos, extendedBody);
  std::string rest(kRestOfExample);
  rest.replace(rest.find("<attribute-set identifier=\"body-attributes\""), std::string::npos,
               "<attribute-set identifier=\"body-attributes\" default-in-namespace=\"FALSE\" "
               "forwards-compatible-ignores-unlisted=\"TRUE\">"
               "<attribute required=\"TRUE\" forwards-compatible-unless=\"1.0\">"
               "<name>version</name></attribute>"
               "<attribute required=\"FALSE\"><name>q</name><value type=\"qname\"/></attribute>"
               "<attribute required=\"FALSE\"><name>qs</name><value type=\"qnames\"/></attribute>"
               "<attribute required=\"FALSE\"><name>p</name><value type=\"prefix\"/></attribute>"
               "<attribute required=\"FALSE\"><name>ps</name><value type=\"prefixes\"/></attribute>"
               "<attribute required=\"FALSE\"><name>t</name><value type=\"name-tests\"/>"
               "</attribute></attribute-set>");
  bool loaded = false;
  EXPECT_EQ(load(StateFile(root + kDefaultState + rest), &loaded), "");
  ASSERT_TRUE(loaded);
  EXPECT_FALSE(states_.at(4).isTextAllowed());
  EXPECT_EQ(states_.at(4).getExtras().unknownXsltElementState, ELEMENTSTATE_DEFAULT);
  EXPECT_EQ(states_.at(4).getExtras().unknownXsltElementParentState, 4);
  EXPECT_EQ(states_.at(4).getExtras().literalParentState, ELEMENTSTATE_ROOT);
  EXPECT_EQ(states_.at(4).getExtras().textParentState, ELEMENTSTATE_DEFAULT);
  EXPECT_EQ(states_.at(4).getExtras().literalWithoutNamespaceState, ELEMENTSTATE_DEFAULT);
  EXPECT_EQ(states_.at(2).getExtras().literalWithoutNamespaceState, ELEMENTSTATE_UNCHANGED);
  EXPECT_TRUE(states_.at(2).isTextAllowed());
  EXPECT_EQ(states_.at(2).getExtras().unknownXsltElementState, ELEMENTSTATE_UNCHANGED);
  const AttributeSetValidator& set = sets_.at(1);
  EXPECT_TRUE(set.ignoresUnlistedWhenForwardsCompatible());
  EXPECT_FALSE(sets_.at(0).ignoresUnlistedWhenForwardsCompatible());
  EXPECT_EQ(set.getRequiredAttributes().at(L"version").getForwardsCompatibleUnless(), L"1.0");
  const std::pair<const wchar_t*, NameValidator::Kind> kinds[] = {
      {L"q", NameValidator::kQName},
      {L"qs", NameValidator::kQNames},
      {L"p", NameValidator::kPrefix},
      {L"ps", NameValidator::kPrefixes},
      {L"t", NameValidator::kNameTests}};
  for (const auto& [name, kind] : kinds) {
    const auto* rule = dynamic_cast<const NameValidator*>(
        &set.getOptionalAttributes().at(name).getValueValidator());
    ASSERT_NE(rule, nullptr);
    EXPECT_EQ(rule->getKind(), kind);
  }
}

TEST_F(Loader, ElementStateErrorComesBeforeAnyAttributeSetError) {
  ExpectOnlyMessage(StateFile("<attribute-set identifier=\"s\" default-in-namespace=\"no\"/>" +
                              elementState("yes", kThreeReferences)),
                    "The \"endable\" property was not \"TRUE\" or \"FALSE\"\n");
}

TEST_F(Loader, DefaultInNamespaceMustBeTrueOrFalseWhenGiven) {
  ExpectOnlyMessage(WithAttributeSet("", "default-in-namespace=\"False\""),
                    "The \"default-in-namespace\" property was not \"TRUE\" or \"FALSE\"\n");
  bool loaded = false;
  EXPECT_EQ(load(WithAttributeSet("", "default-in-namespace=\"\""), &loaded), "");
  EXPECT_TRUE(loaded);
  EXPECT_TRUE(sets_.at(2).isDefaultInNamespace());
}

TEST_F(Loader, RequiredMustBeTrueOrFalse) {
  ExpectOnlyMessage(WithAttributeSet("<attribute><name>select</name></attribute>"),
                    "The \"required\" property was not \"TRUE\" or \"FALSE\"\n");
}

TEST_F(Loader, AttributeNeedsExactlyOneName) {
  ExpectOnlyMessage(WithAttributeSet("<attribute required=\"TRUE\"/>"),
                    "The must be exactly one \"name\" element.\n");
  ExpectOnlyMessage(
      WithAttributeSet("<attribute required=\"TRUE\"><name>a</name><name>b</name></attribute>"),
      "The must be exactly one \"name\" element.\n");
}

TEST_F(Loader, NameNeedsDirectText) {
  ExpectOnlyMessage(WithAttributeSet("<attribute required=\"TRUE\"><name/></attribute>"),
                    "The \"name\" element must contain at least one character of text.\n");
  ExpectOnlyMessage(
      WithAttributeSet("<attribute required=\"TRUE\"><name><b>mode</b></name></attribute>"),
      "The \"name\" element must contain at least one character of text.\n");
}

TEST_F(Loader, AttributeHasAtMostOneValue) {
  ExpectOnlyMessage(WithAttributeSet("<attribute required=\"FALSE\"><name>a</name>"
                                     "<value type=\"match-pattern\"/><value type=\"enum\"/>"
                                     "</attribute>"),
                    "The \"attribute\" element can have a most one  \"value\" child.\n");
}

TEST_F(Loader, ValueTypeMustBeKnownExactly) {
  ExpectOnlyMessage(
      WithAttributeSet("<attribute required=\"FALSE\"><name>a</name><value type=\"Enum\">"
                       "<enum>x</enum></value></attribute>"),
      "The attribute type is not understood.\n");
}

TEST_F(Loader, EnumerationNeedsValues) {
  ExpectOnlyMessage(WithAttributeSet("<attribute required=\"FALSE\"><name>a</name>"
                                     "<value type=\"enum\"/></attribute>"),
                    "Attribute enumeration lists must contain at list one \"enum\" element.\n");
  ExpectOnlyMessage(WithAttributeSet("<attribute required=\"FALSE\"><name>a</name>"
                                     "<value type=\"enum\"><enum>x</enum><enum/></value>"
                                     "</attribute>"),
                    "Empty enumeration values are not allowed.\n");
}

TEST_F(Loader, BuildsTheRulesThatTheFileDescribes) {
  bool loaded = false;
  EXPECT_EQ(load(WithAttributeSet(
                     "<attribute required=\"TRUE\"><name>  </name></attribute>"
                     "<attribute required=\"FALSE\"><name><![CDATA[match]]></name>"
                     "<value type=\"match-pattern\"/></attribute>"
                     "<attribute required=\"FALSE\"><name>level</name>"
                     "<value type=\"enum\"><enum>a</enum><enum>b</enum><enum>a</enum></value>"
                     "</attribute>"
                     "<attribute required=\"TRUE\"><name>level</name></attribute>"),
                 &loaded),
            "");
  ASSERT_TRUE(loaded);
  const AttributeSetValidator& set = sets_.at(2);
  EXPECT_EQ(set.getRequiredAttributes().count(L"  "), 1u);
  const auto& optional = set.getOptionalAttributes();
  ASSERT_EQ(optional.count(L"match"), 1u);
  EXPECT_NE(dynamic_cast<const MatchPatternValidator*>(&optional.at(L"match").getValueValidator()),
            nullptr);
  const auto* levels =
      dynamic_cast<const EnumValidator*>(&optional.at(L"level").getValueValidator());
  ASSERT_NE(levels, nullptr);
  EXPECT_EQ(levels->getValues(), (std::vector<std::wstring>{L"a", L"b", L"a"}));
  EXPECT_NE(dynamic_cast<const NULLValidator*>(
                &set.getRequiredAttributes().at(L"level").getValueValidator()),
            nullptr);
}

TEST_F(Loader, LaterTransitionForTheSameNameWins) {
  bool loaded = false;
  load(StateFile(std::string(kRootState) + kDefaultState + kRestOfExample +
                 "<children-states identifier=\"top-level\">"
                 "<child-state element-name=\"import\" parent-state=\"ELEMENTSTATE_UNCHANGED\" "
                 "state=\"ELEMENTSTATE_ROOT\"/>"
                 "<child-state element-name=\"import\" parent-state=\"ELEMENTSTATE_UNCHANGED\" "
                 "state=\"body\"/></children-states>"
                 "<children-states><child-state element-name=\"x\" state=\"nowhere\"/>"
                 "</children-states>"),
       &loaded);
  EXPECT_TRUE(loaded);
  ChildState import;
  ASSERT_TRUE(children_.at(1).getChildState(L"import", import));
  EXPECT_EQ(import.getChildStateIndex(), 4);
}

TEST_F(Loader, UndefinedReferenceFailsTheConsistencyCheck) {
  bool loaded = true;
  const std::string text = load(StateFile(std::string(kRootState) + kDefaultState + kRestOfExample +
                                          elementState("TRUE", kThreeReferences) +
                                          "<children-states identifier=\"c\">"
                                          "<child-state element-name=\"when\" "
                                          "parent-state=\"ELEMENTSTATE_UNCHANGED\" "
                                          "state=\"when-body\"/></children-states>"),
                                &loaded);
  EXPECT_FALSE(loaded);
  EXPECT_NE(text.find("The element state referenced through \"when-body\" (assigned: 6) were "
                      "not correctly constructed.\n"),
            std::string::npos)
      << text;
}

TEST(ValueToBool, AcceptsOnlyExactTrueAndFalse) {
  bool value = false;
  EXPECT_TRUE(StateConstructionFromXML::valueToBool(u"TRUE", value));
  EXPECT_TRUE(value);
  EXPECT_TRUE(StateConstructionFromXML::valueToBool(u"FALSE", value));
  EXPECT_FALSE(value);
  value = true;
  EXPECT_FALSE(StateConstructionFromXML::valueToBool(u"True", value));
  EXPECT_FALSE(StateConstructionFromXML::valueToBool(u" TRUE", value));
  EXPECT_FALSE(StateConstructionFromXML::valueToBool(u"", value));
  EXPECT_TRUE(value);
}

TEST_F(Loader, DocumentKeepsDirectTextAndCdataOnly) {
  // Text from an entity reference stays with the reference, as the object tree kept it.
  StateDocument document;
  ASSERT_TRUE(document.parse(
      WriteFile("<!DOCTYPE name [<!ENTITY e 'entity'>]>"
                "<name>a<b>hidden</b><!--hidden--><![CDATA[<c>]]>&e;&amp;<d/></name>")));
  ASSERT_EQ(document.size(), 3u);
  EXPECT_EQ(document.ownText(0), u"a<c>&");
  EXPECT_EQ(document.name(1), u"b");
  EXPECT_EQ(document.ownText(1), u"hidden");
  EXPECT_EQ(document.element(0).end, 3u);
  EXPECT_EQ(document.element(1).end, 2u);
  EXPECT_EQ(document.countDescendants(0, u"d"), 1u);
  EXPECT_FALSE(document.parse(WriteFile("<name>a</nome>")));
  EXPECT_EQ(document.size(), 0u);
}

}  // namespace
