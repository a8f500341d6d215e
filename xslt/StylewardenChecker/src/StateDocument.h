// What the state file loader reads of a state file: its elements in document order, each
// with its attributes, its own text and where its descendants end. Read once with a SAX
// parser, or taken as it is from the copy compiled into the program.
#ifndef STYLEWARDEN_STATEDOCUMENT_H
#define STYLEWARDEN_STATEDOCUMENT_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class StateDocument {
 public:
  using Text = std::u16string_view;
  // A stretch of the document's text pool.
  struct Span {
    std::uint32_t offset;
    std::uint32_t length;
  };
  struct Attribute {
    Span name;
    Span value;
  };
  struct Element {
    Span name;  // the qualified name as written
    // The element's own text and CDATA sections, joined in order; not that of its child
    // elements, nor that of entity references, whose content the library's object tree
    // held under a node of their own.
    Span text;
    std::uint32_t firstAttribute;
    std::uint32_t attributeCount;
    std::uint32_t end;  // the index after its last descendant
  };
  // The parts of a document, as the compiled copies of the shipped state files hold them.
  struct Parts {
    const Element* elements;
    std::size_t elementCount;
    const Attribute* attributes;
    std::size_t attributeCount;
    const char16_t* pool;
    std::size_t poolSize;
  };

  StateDocument() = default;
  // Refers to `parts`, which must outlive the document.
  explicit StateDocument(const Parts& parts) : m_parts(parts) {}
  StateDocument(const StateDocument&) = delete;
  StateDocument& operator=(const StateDocument&) = delete;

  // Parses the file at `systemId` (with the XML library started) as the loader always
  // has: without namespaces or validation, reading an external DTD, entity expansion
  // bounded. False, and an empty document, when it is not well-formed or cannot be read.
  bool parse(const std::string& systemId);

  const Parts& parts() const { return m_parts; }
  std::size_t size() const { return m_parts.elementCount; }
  const Element& element(std::size_t index) const { return m_parts.elements[index]; }
  Text text(Span span) const { return Text(m_parts.pool + span.offset, span.length); }
  Text name(std::size_t index) const { return text(element(index).name); }
  Text ownText(std::size_t index) const { return text(element(index).text); }
  // The value of the attribute `name` of an element; empty when it has none.
  Text attribute(std::size_t index, Text name) const;

  // Visits, in document order, the elements named `name` from `first` up to `last`.
  template <typename Visit>
  void forEachNamed(std::size_t first, std::size_t last, Text name, Visit visit) const {
    for (std::size_t i = first; i < last; ++i) {
      if (text(m_parts.elements[i].name) == name) {
        visit(i);
      }
    }
  }
  // The same over the descendants of the element at `index`, or over the whole document.
  template <typename Visit>
  void forEachDescendant(std::size_t index, Text name, Visit visit) const {
    forEachNamed(index + 1, element(index).end, name, visit);
  }
  template <typename Visit>
  void forEachElement(Text name, Visit visit) const {
    forEachNamed(0, size(), name, visit);
  }
  std::size_t countDescendants(std::size_t index, Text name) const;

 private:
  friend class StateDocumentReader;
  // Points the parts at the owned storage once it is complete.
  void adoptOwned();

  Parts m_parts{};
  std::vector<Element> m_elements;
  std::vector<Attribute> m_attributes;
  std::vector<char16_t> m_pool;
};

#endif  // STYLEWARDEN_STATEDOCUMENT_H
