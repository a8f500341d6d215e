// The form of sequence and item types in `as` attributes.
#include "TypeSyntax.h"

#include <gtest/gtest.h>

namespace {

TEST(TypeSyntax, AcceptsTheSequenceTypesOfXPath31) {
  for (const wchar_t* type : {L"xs:string",
                              L"xs:string*",
                              L" xs:integer + ",
                              L"item()?",
                              L"empty-sequence()",
                              L"node()",
                              L"element()",
                              L"element(*)",
                              L"element(p:e, xs:anyType?)",
                              L"attribute(a, xs:string)",
                              L"document-node(element(root))",
                              L"document-node(schema-element(r))",
                              L"processing-instruction('pi')",
                              L"processing-instruction(pi)",
                              L"text()",
                              L"comment()",
                              L"namespace-node()",
                              L"function(*)",
                              L"function(xs:string, item()*) as xs:boolean",
                              L"%public function() as item()",
                              L"map(*)",
                              L"map(xs:string, element()*)",
                              L"array(*)",
                              L"array(xs:integer)",
                              L"(xs:string)?",
                              L"Q{urn:t}type+",
                              L"schema-attribute(a)"}) {
    EXPECT_TRUE(IsSequenceType(type)) << type;
  }
}

TEST(TypeSyntax, RejectsWhatIsNoSequenceType) {
  for (const wchar_t* type :
       {L"", L"xs:string**", L"xs:string?+", L"*", L"element(", L"item(1)",
        L"map(xs:string)", L"function(xs:string)", L"empty-sequence()*", L"xs:", L"1x",
        L"document-node(text())", L"xs:string xs:integer", L"Q{urn}", L"array()"}) {
    EXPECT_FALSE(IsSequenceType(type)) << type;
  }
}

TEST(TypeSyntax, ItemTypesTakeNoOccurrenceIndicator) {
  EXPECT_TRUE(IsItemType(L"element(e)"));
  EXPECT_TRUE(IsItemType(L"xs:date"));
  EXPECT_FALSE(IsItemType(L"node()*"));
  EXPECT_FALSE(IsItemType(L"empty-sequence()"));
}

}  // namespace
