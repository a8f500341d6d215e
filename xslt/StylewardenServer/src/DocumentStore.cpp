// Full and incremental synchronisation of open documents.
#include "DocumentStore.h"

#include <utility>

void DocumentStore::open(const std::string& uri, std::string text, std::int64_t version) {
  OpenDocument& document = m_documents[uri];
  document.text = std::move(text);
  document.version = version;
}

bool DocumentStore::change(const std::string& uri, std::int64_t version,
                           const std::vector<TextChange>& changes, std::string& problem) {
  const auto found = m_documents.find(uri);
  if (found == m_documents.end()) {
    problem = "document is not open: " + uri;
    return false;
  }
  // Edits go to a copy, so that a bad change in the middle of a list leaves nothing half
  // applied.
  std::string text = found->second.text;
  for (const TextChange& change : changes) {
    if (!change.range) {
      text = change.text;
      continue;
    }
    if (change.range->end < change.range->start) {
      problem = "change range ends before it starts in " + uri;
      return false;
    }
    const PositionConverter converter(text);
    const std::size_t start = converter.toOffset(change.range->start);
    const std::size_t end = converter.toOffset(change.range->end);
    text.replace(start, end - start, change.text);
  }
  found->second.text = std::move(text);
  found->second.version = version;
  return true;
}

bool DocumentStore::replaceText(const std::string& uri, std::string text) {
  const auto found = m_documents.find(uri);
  if (found == m_documents.end()) {
    return false;
  }
  found->second.text = std::move(text);
  return true;
}

bool DocumentStore::close(const std::string& uri) { return m_documents.erase(uri) > 0; }

const OpenDocument* DocumentStore::find(const std::string& uri) const {
  const auto found = m_documents.find(uri);
  return found == m_documents.end() ? nullptr : &found->second;
}
