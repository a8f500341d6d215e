// Resolves the external entities and the external DTD subset of a stylesheet: they are read
// only from local regular files, so that a FIFO, a device, a directory or a network address
// named by a document can neither block a check nor make it endless.
#ifndef STYLEWARDEN_REGULARFILEENTITYRESOLVER_H
#define STYLEWARDEN_REGULARFILEENTITYRESOLVER_H

#include <functional>
#include <string>
#include <xercesc/util/XMLEntityResolver.hpp>

class RegularFileEntityResolver : public xercesc::XMLEntityResolver {
 public:
  // Thrown through the parser when an entity is refused: the parse ends there, since a
  // reader stopped in the middle of the document type declaration would not free it all.
  struct Refused {};

  // `refuse` gets the message saying why an entity is not read, then Refused is thrown.
  explicit RegularFileEntityResolver(std::function<void(const std::wstring&)> refuse)
      : m_refuse(std::move(refuse)) {}

  // The entity's bytes, read at once; null for a file that cannot be opened, which the
  // parser then reports as it always has.
  xercesc::InputSource* resolveEntity(xercesc::XMLResourceIdentifier* resource) override;

 private:
  std::function<void(const std::wstring&)> m_refuse;
};

#endif
