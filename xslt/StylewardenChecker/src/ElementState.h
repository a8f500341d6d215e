// The state of an open element: which attribute set checks it, which XSLT children it may
// hold and what they become, what non-XSLT children become, and whether it may end here.
#ifndef STYLEWARDEN_ELEMENTSTATE_H
#define STYLEWARDEN_ELEMENTSTATE_H

#include <string>
#include <utility>
#include <vector>

#include "AttributeSetValidator.h"
#include "ChildState.h"

// The only namespace whose elements and attributes the state machine treats as XSLT.
inline const std::wstring kXsltNamespace = L"http://www.w3.org/1999/XSL/Transform";

// Element state indexes with a fixed meaning.
enum ReservedElementState {
  ELEMENTSTATE_UNCHANGED = 0,  // as a new parent state: the parent keeps its state
  ELEMENTSTATE_INVALID = 1,    // as a literal state: non-XSLT children are not allowed
  ELEMENTSTATE_DEFAULT = 2,    // fallback for elements that stand where they may not
  ELEMENTSTATE_ROOT = 3,       // in effect before the document element
};

class ElementState {
 public:
  ElementState();
  ElementState(int stateIndex, int attributeSetIndex, int literalStateIndex,
               int childrenStatesIndex, bool endable);

  // What the state file may add to a state; the defaults keep the plain machine's behaviour.
  struct Extras {
    // Whether character data other than whitespace may stand directly in the element.
    bool textAllowed = true;
    // In forwards-compatible mode, the state an XSLT child gets that the default state does
    // not know (an element of a later XSLT version), and the state this element continues
    // in after it; 0 where such a child is reported as in any other mode.
    int unknownXsltElementState = ELEMENTSTATE_UNCHANGED;
    int unknownXsltElementParentState = ELEMENTSTATE_UNCHANGED;
    // The state this element continues in after a child outside the XSLT namespace; 0 keeps
    // it.
    int literalParentState = ELEMENTSTATE_UNCHANGED;
    // The literal state of a child in no namespace at all, where it differs from that of
    // other non-XSLT children (ELEMENTSTATE_INVALID: not allowed); 0 where it does not.
    int literalWithoutNamespaceState = ELEMENTSTATE_UNCHANGED;
    // The state the element continues in once text other than whitespace has appeared in
    // it (where such text ends a leading part, as xsl:param elements lead a template); 0
    // keeps it.
    int textParentState = ELEMENTSTATE_UNCHANGED;
    // The state an element enters instead of this one when it carries an attribute (or its
    // shadow "_name"), first match in this order: content that such an attribute excludes
    // is then checked by that state.
    std::vector<std::pair<std::wstring, int>> attributeStates;
  };
  ElementState(int stateIndex, int attributeSetIndex, int literalStateIndex,
               int childrenStatesIndex, bool endable, const Extras& extras);

  int getStateIndex() const { return m_stateIndex; }
  int getAttributeSetIndex() const { return m_attributeSetIndex; }
  int getLiteralStateIndex() const { return m_literalStateIndex; }
  int getChildrenStatesIndex() const { return m_childrenStatesIndex; }
  bool isEndable() const { return m_endable; }
  bool isTextAllowed() const { return m_extras.textAllowed; }
  const Extras& getExtras() const { return m_extras; }
  bool wasCorrectlyConstructed() const { return m_correctlyConstructed; }

  // The attribute set registry entry that checks an element in this state.
  const AttributeSetValidator& getAttributeSetValidator() const;

  // The state index a child element gets. `newParentState` receives the state this element
  // continues in once the child has ended (0: unchanged); `usedDefault` is true exactly when
  // the child is not allowed here and its state came from the default state.
  // The qualified name is carried along but decides nothing.
  int getChildElementStateIndex(const std::wstring& uri, const std::wstring& localName,
                                const std::wstring& qName, int& newParentState,
                                bool& usedDefault) const;
  const ElementState& getChildElementState(const std::wstring& uri, const std::wstring& localName,
                                           const std::wstring& qName, int& newParentState,
                                           bool& usedDefault) const;
  // The state the default state gives a child.
  static int getDefaultStateIndex(const std::wstring& uri, const std::wstring& localName,
                                  const std::wstring& qName);
  // The lookup in forwards-compatible mode: an XSLT child that neither this state nor the
  // default state lists is allowed where this state names a state for such children.
  int getChildElementStateIndex(const std::wstring& uri, const std::wstring& localName,
                                const std::wstring& qName, bool forwardsCompatible,
                                int& newParentState, bool& usedDefault) const;

  static std::vector<ElementState>& getElementStateVector();
  // The registry entry at `index`, which must be correctly constructed.
  static const ElementState& getElementState(int index);

 private:
  int m_stateIndex;
  int m_attributeSetIndex;
  int m_literalStateIndex;
  int m_childrenStatesIndex;
  bool m_endable;
  bool m_correctlyConstructed;
  Extras m_extras;
};

#endif  // STYLEWARDEN_ELEMENTSTATE_H
