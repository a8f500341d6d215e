// Line indexing and UTF-8 / UTF-16 column arithmetic over a document's text.
#include "PositionConverter.h"

#include <algorithm>

#include "utf8.h"

namespace {

// Four-byte sequences are the characters beyond the Basic Multilingual Plane, which UTF-16
// writes as a surrogate pair.
std::int64_t Utf16Units(std::size_t sequence) { return sequence == 4 ? 2 : 1; }

}  // namespace

PositionConverter::PositionConverter(const std::string& text) : m_text(text) {
  m_lineStarts.push_back(0);
  for (std::size_t i = text.find_first_of("\r\n"); i != std::string::npos;
       i = text.find_first_of("\r\n", i + 1)) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      ++i;
    }
    m_lineStarts.push_back(i + 1);
  }
  m_lineLengths.assign(m_lineStarts.size(), -1);
}

std::int64_t PositionConverter::countUnits(std::size_t from, std::size_t to) const {
  std::int64_t units = 0;
  for (std::size_t i = from; i < to;) {
    const std::size_t sequence = utf8::SequenceLength(static_cast<unsigned char>(m_text[i]));
    units += Utf16Units(sequence);
    i += sequence;
  }
  return units;
}

std::size_t PositionConverter::contentEnd(std::size_t line) const {
  if (line + 1 >= m_lineStarts.size()) {
    return m_text.size();
  }
  std::size_t end = m_lineStarts[line + 1];
  if (end > m_lineStarts[line] && m_text[end - 1] == '\n') {
    --end;
  }
  if (end > m_lineStarts[line] && m_text[end - 1] == '\r') {
    --end;
  }
  return end;
}

std::int64_t PositionConverter::lineLength(std::size_t line) const {
  if (line >= m_lineLengths.size()) {
    return 0;
  }
  if (m_lineLengths[line] < 0) {
    m_lineLengths[line] = countUnits(m_lineStarts[line], contentEnd(line));
  }
  return m_lineLengths[line];
}

std::size_t PositionConverter::toOffset(TextPosition position) const {
  if (position.line < 0) {
    return 0;
  }
  if (static_cast<std::uint64_t>(position.line) >= m_lineStarts.size()) {
    return m_text.size();
  }
  const std::size_t line = static_cast<std::size_t>(position.line);
  const std::size_t end = contentEnd(line);
  std::size_t offset = m_lineStarts[line];
  std::int64_t units = 0;
  while (offset < end) {
    const std::size_t sequence = utf8::SequenceLength(static_cast<unsigned char>(m_text[offset]));
    if (units + Utf16Units(sequence) > position.character) {
      break;
    }
    units += Utf16Units(sequence);
    offset = std::min(offset + sequence, end);
  }
  return offset;
}

TextPosition PositionConverter::clamp(TextPosition position) const {
  if (position.line < 0) {
    return TextPosition{};
  }
  if (static_cast<std::uint64_t>(position.line) >= m_lineStarts.size()) {
    const std::size_t last = m_lineStarts.size() - 1;
    return TextPosition{static_cast<std::int64_t>(last), lineLength(last)};
  }
  const std::int64_t length = lineLength(static_cast<std::size_t>(position.line));
  return TextPosition{position.line,
                      std::max<std::int64_t>(0, std::min(position.character, length))};
}
