// The text of every document the client has open, kept in step with its edits.
#ifndef STYLEWARDEN_LS_DOCUMENTSTORE_H
#define STYLEWARDEN_LS_DOCUMENTSTORE_H

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "PositionConverter.h"

struct TextRange {
  TextPosition start;
  TextPosition end;
};

// One entry of a change notification: the whole new text, or the text that replaces a range.
struct TextChange {
  std::optional<TextRange> range;
  std::string text;
};

struct OpenDocument {
  std::string text;
  std::int64_t version = 0;
};

class DocumentStore {
 public:
  // Opening an open document replaces it.
  void open(const std::string& uri, std::string text, std::int64_t version);
  // Applies the changes in order, each to the text the previous one left. All or nothing:
  // false, with the document as it was and `problem` saying why, for an unknown document
  // or a range whose end comes before its start.
  bool change(const std::string& uri, std::int64_t version, const std::vector<TextChange>& changes,
              std::string& problem);
  // Replaces the text of an open document (a save that carries it); false when not open.
  bool replaceText(const std::string& uri, std::string text);
  // False when the document was not open.
  bool close(const std::string& uri);

  // The document, or null when it is not open; valid until the next change of the store.
  const OpenDocument* find(const std::string& uri) const;

 private:
  std::unordered_map<std::string, OpenDocument> m_documents;
};

#endif
