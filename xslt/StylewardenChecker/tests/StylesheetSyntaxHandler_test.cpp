// The stylesheet walk over a small state machine: element placement, endability, attribute
// findings, parser reports and the positions each record carries.
#include "StylesheetSyntaxHandler.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "AttributeSetValidator.h"
#include "AttributeValidator.h"
#include "ChildState.h"
#include "ElementState.h"
#include "StylesheetSyntaxChecker.h"

namespace {

// Element states of the test machine.
enum : int { kTop = 4, kBody = 5, kChoose = 6, kWhen = 7, kChooseAfterWhen = 8 };
// Children sets and attribute sets of the test machine.
enum : int { kRootChildren, kDefaultChildren, kTopChildren, kBodyChildren, kChooseChildren };
enum : int { kNoAttributes, kTopAttributes, kBodyAttributes, kWhenAttributes };

AttributeValidator rule(
    const std::wstring& name, bool required,
    std::unique_ptr<AttributeValueValidator> value = std::make_unique<NULLValidator>()) {
  return AttributeValidator(name, required, std::move(value));
}

// stylesheet (needs version) holds template and choose; template holds choose and literal
// elements; choose needs a when first (then it may end); the default state knows template.
void BuildMachine() {
  auto& states = ElementState::getElementStateVector();
  states.assign(9, ElementState());
  states[ELEMENTSTATE_DEFAULT] = ElementState(ELEMENTSTATE_DEFAULT, kNoAttributes,
                                              ELEMENTSTATE_DEFAULT, kDefaultChildren, true);
  states[ELEMENTSTATE_ROOT] =
      ElementState(ELEMENTSTATE_ROOT, kNoAttributes, ELEMENTSTATE_INVALID, kRootChildren, false);
  states[kTop] = ElementState(kTop, kTopAttributes, ELEMENTSTATE_INVALID, kTopChildren, true);
  states[kBody] = ElementState(kBody, kBodyAttributes, kBody, kBodyChildren, true);
  states[kChoose] =
      ElementState(kChoose, kNoAttributes, ELEMENTSTATE_INVALID, kChooseChildren, false);
  states[kWhen] = ElementState(kWhen, kWhenAttributes, kBody, kBodyChildren, true);
  states[kChooseAfterWhen] =
      ElementState(kChooseAfterWhen, kNoAttributes, ELEMENTSTATE_INVALID, kChooseChildren, true);

  auto& children = ChildrenStates::getChildrenStatesVector();
  children.assign(5, ChildrenStates());
  children[kRootChildren] =
      ChildrenStates(kRootChildren, {{L"stylesheet", ChildState(ELEMENTSTATE_UNCHANGED, kTop)}});
  children[kDefaultChildren] =
      ChildrenStates(kDefaultChildren, {{L"template", ChildState(kTop, kBody)}});
  children[kTopChildren] =
      ChildrenStates(kTopChildren, {{L"template", ChildState(ELEMENTSTATE_UNCHANGED, kBody)},
                                    {L"choose", ChildState(ELEMENTSTATE_UNCHANGED, kChoose)}});
  children[kBodyChildren] =
      ChildrenStates(kBodyChildren, {{L"choose", ChildState(ELEMENTSTATE_UNCHANGED, kChoose)}});
  children[kChooseChildren] =
      ChildrenStates(kChooseChildren, {{L"when", ChildState(kChooseAfterWhen, kWhen)}});

  auto& sets = AttributeSetValidator::getAttributeSetValidatorVector();
  sets.assign(4, AttributeSetValidator());
  sets[kNoAttributes] = AttributeSetValidator(kNoAttributes, {}, {}, true);
  sets[kTopAttributes] =
      AttributeSetValidator(kTopAttributes, {{L"version", rule(L"version", true)}}, {}, true);
  sets[kBodyAttributes] = AttributeSetValidator(
      kBodyAttributes, {},
      {{L"mode", rule(L"mode", false,
                      std::make_unique<EnumValidator>(std::vector<std::wstring>{L"a", L"b"}))}},
      true);
  sets[kWhenAttributes] =
      AttributeSetValidator(kWhenAttributes, {{L"test", rule(L"test", true)}}, {}, true);
}

const std::string kStylesheetTag =
    "<x:stylesheet xmlns:x='http://www.w3.org/1999/XSL/Transform' version='1'>";

class StylesheetWalkTest : public ::testing::Test {
 protected:
  void SetUp() override { BuildMachine(); }

  // The printed lines of checking `text` held in memory.
  std::vector<std::string> check(const std::string& text) {
    std::vector<StylesheetSyntaxError> errors;
    EXPECT_TRUE(m_checker.getStylesheetSyntaxErrorsFromBuffer(text.data(), text.size(), errors));
    m_records = errors;
    std::vector<std::string> lines;
    for (const auto& error : errors) {
      std::ostringstream line;
      line << error;
      lines.push_back(line.str());
    }
    return lines;
  }

  StylesheetSyntaxChecker m_checker;
  std::vector<StylesheetSyntaxError> m_records;
};

using Lines = std::vector<std::string>;

TEST_F(StylesheetWalkTest, CorrectStylesheetGivesNoRecord) {
  EXPECT_EQ(check(kStylesheetTag +
                  "<x:template mode='a'><out><x:choose><x:when test='1'/></x:choose></out>"
                  "</x:template></x:stylesheet>"),
            Lines{});
}

TEST_F(StylesheetWalkTest, MisplacedDocumentElementIsLocatedFromFirstLine) {
  EXPECT_EQ(check("<?xml version='1.0'?>\n<other/>"),
            Lines{"Error #: \"\"\"The element \"other\" is not valid in this context\"\"\" [4] @ "
                  "(1, 1) => (2, 9)"});
}

TEST_F(StylesheetWalkTest, MisplacedElementSkipsAttributeCheckButContentIsChecked) {
  // choose is unknown to the root, so it is reported; its own state (default) then takes
  // the template, whose bad mode is still found.
  EXPECT_EQ(check("<x:choose xmlns:x='http://www.w3.org/1999/XSL/Transform' bogus='1'>"
                  "<x:template mode='c'/></x:choose>"),
            (Lines{"Error #: \"\"\"The element \"x:choose\" is not valid in this context\"\"\" "
                   "[4] @ (1, 1) => (1, 68)",
                   "Error #: \"\"\"The attribute \"mode\" cannot have the value \"c\" in this "
                   "context.\"\"\" [8] @ (1, 68) => (1, 90)"}));
}

TEST_F(StylesheetWalkTest, UnendableEmptyElementIsReportedAtItsEnd) {
  EXPECT_EQ(check(kStylesheetTag + "<x:choose/></x:stylesheet>"),
            Lines{"Error #: \"\"\"The element \"x:choose\" is missing a required child "
                  "element\"\"\" [5] @ (1, 85) => (1, 85)"});
}

TEST_F(StylesheetWalkTest, TransitionChangesParentStateOnlyAfterChildEnds) {
  // The when makes choose endable; a second when is looked up in the changed state.
  EXPECT_EQ(check(kStylesheetTag +
                  "<x:choose><x:when test='a'/><x:when test='b'/></x:choose></x:stylesheet>"),
            Lines{});
}

TEST_F(StylesheetWalkTest, ChildFoundThroughDefaultNeverChangesParentState) {
  // The default state's template transition names a new parent state; the choose it stands
  // in must still be unendable afterwards.
  check(kStylesheetTag + "<x:choose><x:template/></x:choose></x:stylesheet>");
  ASSERT_EQ(m_records.size(), 2u);
  EXPECT_EQ(m_records[0].m_code, SYNTAXERROR_ELEMENT_NOT_VALID);
  EXPECT_EQ(m_records[1].m_code, SYNTAXERROR_MISSING_CHILD_ELEMENT);
}

TEST_F(StylesheetWalkTest, MissingRequiredAttributeIsOneRecordAtTheStartTag) {
  EXPECT_EQ(check("<x:stylesheet xmlns:x='http://www.w3.org/1999/XSL/Transform'/>"),
            Lines{"Error #: \"\"\"The element is missing the required attribute "
                  "\"version\"\"\"\" [6] @ (1, 1) => (1, 63)"});
}

TEST_F(StylesheetWalkTest, UnlistedAttributeIsReportedByQualifiedName) {
  check(kStylesheetTag + "<x:template x:extra='1' other='2'/></x:stylesheet>");
  ASSERT_EQ(m_records.size(), 1u);
  EXPECT_EQ(m_records[0].m_code, SYNTAXERROR_ATTRIBUTE_NOT_ALLOWED);
  EXPECT_EQ(m_records[0].m_message, L"The attribute \"x:extra\" is not allowed in this context.");
}

TEST_F(StylesheetWalkTest, TextCommentsAndInstructionsGiveNoRecords) {
  EXPECT_EQ(check(kStylesheetTag + "text<!-- c --><?pi x?><x:template>t</x:template>"
                                   "</x:stylesheet>"),
            Lines{});
}

TEST_F(StylesheetWalkTest, CommentAndInstructionDoNotMoveWhereNextTagBegins) {
  // The misplaced element is taken to begin where the template ended, column 87.
  EXPECT_EQ(check(kStylesheetTag + "<x:template/><!-- c --><?pi?><wrong/></x:stylesheet>"),
            Lines{"Error #: \"\"\"The element \"wrong\" is not valid in this context\"\"\" [4] "
                  "@ (1, 87) => (1, 111)"});
}

TEST_F(StylesheetWalkTest, ParserErrorStartsAtEndOfLastHandledEvent) {
  // The line break is the last event before the bad end tag.
  EXPECT_EQ(check(kStylesheetTag + "<x:template>\n</x:stylesheet>"),
            Lines{"Error #: \"\"\"expected end of tag 'x:template'\"\"\" [3] @ (2, 1) => (2, 3)"});
}

TEST(StylesheetSyntaxHandlerTest, ParserReportsBecomeCodesOneToThree) {
  StylesheetSyntaxHandler handler;
  handler.startDocument();
  const XMLCh message[] = {u'm', 0};
  handler.warning(xercesc::SAXParseException(message, u"", u"", 1, 1));
  handler.error(xercesc::SAXParseException(message, u"", u"", 1, 1));
  handler.fatalError(xercesc::SAXParseException(message, u"", u"", 1, 1));
  const auto& records = handler.getErrors();
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].m_code, SYNTAXERROR_XML_WARNING);
  EXPECT_EQ(records[0].m_severity, SEVERITY_WARNING);
  EXPECT_EQ(records[1].m_code, SYNTAXERROR_XML_ERROR);
  EXPECT_EQ(records[1].m_severity, SEVERITY_ERROR);
  EXPECT_EQ(records[2].m_code, SYNTAXERROR_XML_FATAL_ERROR);
  EXPECT_EQ(records[2].m_severity, SEVERITY_ERROR);
  EXPECT_EQ(records[2].m_message, L"m");
}

TEST(StylesheetSyntaxHandlerTest, EmptyParserMessageBecomesXmlSyntaxError) {
  StylesheetSyntaxHandler handler;
  handler.startDocument();
  handler.error(xercesc::SAXParseException(u"", u"", u"", 7, 7));
  ASSERT_EQ(handler.getErrors().size(), 1u);
  EXPECT_EQ(handler.getErrors()[0].m_message, L"XML syntax error");
}

TEST(StylesheetSyntaxHandlerTest, WithoutLocatorPositionsAreLineOneColumnOne) {
  // The positions the exception carries are not used.
  StylesheetSyntaxHandler handler;
  handler.startDocument();
  handler.error(xercesc::SAXParseException(u"e", u"", u"", 7, 9));
  EXPECT_EQ(handler.getErrors()[0].m_start.line, 1);
  EXPECT_EQ(handler.getErrors()[0].m_end.column, 1);
}

TEST_F(StylesheetWalkTest, RecordsFollowDocumentOrder) {
  check(kStylesheetTag + "<x:choose/><x:template mode='z'/><wrong/></x:stylesheet>");
  ASSERT_EQ(m_records.size(), 3u);
  EXPECT_EQ(m_records[0].m_code, SYNTAXERROR_MISSING_CHILD_ELEMENT);
  EXPECT_EQ(m_records[1].m_code, SYNTAXERROR_ATTRIBUTE_VALUE_NOT_ALLOWED);
  EXPECT_EQ(m_records[2].m_code, SYNTAXERROR_ELEMENT_NOT_VALID);
}

TEST_F(StylesheetWalkTest, SecondCheckDoesNotKeepFirstChecksRecords) {
  EXPECT_EQ(check(kStylesheetTag + "<x:choose/></x:stylesheet>").size(), 1u);
  EXPECT_EQ(check(kStylesheetTag + "</x:stylesheet>"), Lines{});
}

TEST_F(StylesheetWalkTest, UnopenableFileAfterACheckReportsOnlyItsOwnProblem) {
  EXPECT_EQ(check(kStylesheetTag + "<x:choose/></x:stylesheet>").size(), 1u);
  std::vector<StylesheetSyntaxError> errors;
  ASSERT_TRUE(m_checker.getStylesheetSyntaxErrorsFromFile("/nonexistent/dir/sheet.xsl", errors));
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].m_code, SYNTAXERROR_XML_FATAL_ERROR);
  EXPECT_EQ(errors[0].m_start.line, 1);
  EXPECT_EQ(errors[0].m_start.column, 1);
}

// The test machine with the state file's optional parts: choose allows no text, the
// stylesheet's version switches forwards-compatible mode, the template's mode is a QName, and
// in forwards-compatible mode a template holds unknown XSLT elements in its own state.
class ExtendedWalkTest : public StylesheetWalkTest {
 protected:
  void SetUp() override {
    BuildMachine();
    auto& states = ElementState::getElementStateVector();
    ElementState::Extras noText;
    noText.textAllowed = false;
    states[kChoose] =
        ElementState(kChoose, kNoAttributes, ELEMENTSTATE_INVALID, kChooseChildren, false, noText);
    states[kChooseAfterWhen] = ElementState(kChooseAfterWhen, kNoAttributes, ELEMENTSTATE_INVALID,
                                            kChooseChildren, true, noText);
    ElementState::Extras laterElements;
    laterElements.unknownXsltElementState = kBody;
    states[kBody] = ElementState(kBody, kBodyAttributes, kBody, kBodyChildren, true, laterElements);
    // Text in the stylesheet moves it on to the body state, where no template may stand.
    ElementState::Extras textEnds;
    textEnds.textParentState = kBody;
    states[kTop] =
        ElementState(kTop, kTopAttributes, ELEMENTSTATE_INVALID, kTopChildren, true, textEnds);

    auto& sets = AttributeSetValidator::getAttributeSetValidatorVector();
    AttributeValidator version = rule(L"version", true);
    version.setForwardsCompatibleUnless(L"1.0");
    sets[kTopAttributes] =
        AttributeSetValidator(kTopAttributes, {{L"version", version}}, {}, true, true);
    sets[kBodyAttributes] = AttributeSetValidator(
        kBodyAttributes, {},
        {{L"mode", rule(L"mode", false, std::make_unique<NameValidator>(NameValidator::kQName))}},
        true, true);
  }

  std::vector<StylesheetSyntaxErrorCode> codes(const std::string& text) {
    check(text);
    std::vector<StylesheetSyntaxErrorCode> found;
    for (const auto& record : m_records) {
      found.push_back(record.m_code);
    }
    return found;
  }
};

using Codes = std::vector<StylesheetSyntaxErrorCode>;

TEST_F(ExtendedWalkTest, TextSplitByReferencesAndCdataIsOneRecordUpToTheNextTag) {
  EXPECT_EQ(
      check(kStylesheetTag + "<x:choose> a&amp;b<![CDATA[c]]>\n<!-- c --> d <x:when test='1'/>\ne"
                             "</x:choose></x:stylesheet>"),
      (Lines{"Error #: \"\"\"The text \"a&bc d\" is not valid in this context\"\"\" [9] @ "
             "(1, 84) => (2, 14)",
             "Error #: \"\"\"The text \"e\" is not valid in this context\"\"\" [9] @ "
             "(2, 32) => (3, 2)"}));
}

TEST_F(ExtendedWalkTest, WhitespaceInAnyFormIsAllowedWhereTextIsNot) {
  EXPECT_EQ(check(kStylesheetTag + "<x:choose> \t\r\n<![CDATA[ ]]>&#32;<x:when test='1'/>\n"
                                   "</x:choose><x:template>text</x:template></x:stylesheet>"),
            Lines{});
}

TEST_F(ExtendedWalkTest, TextRecordComesBeforeTheEndTagsRecordAndQuotesTheStartOfLongText) {
  check(kStylesheetTag + "<x:choose>" + std::string(40, 'x') + "</x:choose></x:stylesheet>");
  ASSERT_EQ(m_records.size(), 2u);
  EXPECT_EQ(m_records[0].m_code, SYNTAXERROR_TEXT_NOT_ALLOWED);
  EXPECT_EQ(m_records[0].m_message,
            L"The text \"" + std::wstring(24, L'x') + L"...\" is not valid in this context");
  EXPECT_EQ(m_records[1].m_code, SYNTAXERROR_MISSING_CHILD_ELEMENT);
  // A parser error ends the text in hand first.
  EXPECT_EQ(codes(kStylesheetTag + "<x:choose>t</x:stylesheet>"),
            (Codes{SYNTAXERROR_TEXT_NOT_ALLOWED, SYNTAXERROR_XML_FATAL_ERROR}));
}

TEST_F(ExtendedWalkTest, TextOtherThanWhitespaceMovesItsElementOn) {
  EXPECT_EQ(codes(kStylesheetTag + " \n<![CDATA[ ]]><!-- c --></x:stylesheet>"), Codes{});
  EXPECT_EQ(codes(kStylesheetTag + " a&amp;b <x:template/></x:stylesheet>"),
            Codes{SYNTAXERROR_ELEMENT_NOT_VALID});
  EXPECT_EQ(codes(kStylesheetTag + "<x:template/> a</x:stylesheet>"), Codes{});
}

TEST_F(ExtendedWalkTest, PrefixesCountOnlyWithinTheirDeclaration) {
  EXPECT_EQ(codes(kStylesheetTag + "<x:template xmlns:p='urn:p' mode='p:a'/></x:stylesheet>"),
            Codes{});
  EXPECT_EQ(codes("<x:stylesheet xmlns:x='http://www.w3.org/1999/XSL/Transform' version='1' "
                  "xmlns:p='urn:p'><x:template mode='p:a'/></x:stylesheet>"),
            Codes{});
  EXPECT_EQ(codes(kStylesheetTag + "<x:template xmlns:p='urn:p'/><x:template mode='p:a'/>"
                                   "</x:stylesheet>"),
            Codes{SYNTAXERROR_ATTRIBUTE_VALUE_NOT_ALLOWED});
}

TEST_F(ExtendedWalkTest, OtherVersionRelaxesUnlistedAttributesAndLaterElementsOnly) {
  // The version relaxes the stylesheet's own attributes and everything inside it, but not
  // the value rules, nor the place of an element the machine knows (template).
  const std::string body =
      " xmlns:x='http://www.w3.org/1999/XSL/Transform' extra='1'>"
      "<x:template as='t' mode='1'><x:later><x:template/></x:later></x:template>"
      "</x:stylesheet>";
  EXPECT_EQ(codes("<x:stylesheet version='2.0'" + body),
            (Codes{SYNTAXERROR_ATTRIBUTE_VALUE_NOT_ALLOWED, SYNTAXERROR_ELEMENT_NOT_VALID}));
  EXPECT_EQ(codes("<x:stylesheet version='1.0'" + body),
            (Codes{SYNTAXERROR_ATTRIBUTE_NOT_ALLOWED, SYNTAXERROR_ATTRIBUTE_VALUE_NOT_ALLOWED,
                   SYNTAXERROR_ELEMENT_NOT_VALID}));
  // The mode belongs to the parse that found it: the next one starts in the plain mode.
  EXPECT_EQ(codes(kStylesheetTag + "<x:template as='t'/></x:stylesheet>"),
            Codes{SYNTAXERROR_ATTRIBUTE_NOT_ALLOWED});
}

TEST_F(ExtendedWalkTest, ModeOfAParseEndedByAFatalErrorDoesNotReachTheNextCheck) {
  // The first parse stops inside the relaxed stylesheet, its elements never ended.
  EXPECT_EQ(codes("<x:stylesheet version='2.0' xmlns:x='http://www.w3.org/1999/XSL/Transform'>"
                  "<x:template as='t'></x:wrong>"),
            Codes{SYNTAXERROR_XML_FATAL_ERROR});
  EXPECT_EQ(codes(kStylesheetTag + "<x:template as='t'/></x:stylesheet>"),
            Codes{SYNTAXERROR_ATTRIBUTE_NOT_ALLOWED});
}

}  // namespace
