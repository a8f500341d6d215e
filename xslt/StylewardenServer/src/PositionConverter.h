// Converts between positions as the Language Server Protocol counts them (0-based lines,
// columns in UTF-16 code units) and byte offsets into a document's UTF-8 text.
#ifndef STYLEWARDEN_LS_POSITIONCONVERTER_H
#define STYLEWARDEN_LS_POSITIONCONVERTER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct TextPosition {
  std::int64_t line = 0;
  std::int64_t character = 0;

  bool operator==(const TextPosition& other) const {
    return line == other.line && character == other.character;
  }
  bool operator<(const TextPosition& other) const {
    return line < other.line || (line == other.line && character < other.character);
  }
};

// Indexes the line starts of one text, which must stay alive and unchanged while the
// converter is used. Lines end at "\n", "\r\n" or a lone "\r", as for the protocol and XML.
class PositionConverter {
 public:
  explicit PositionConverter(const std::string& text);
  // The converter keeps a reference, so a temporary text would dangle.
  explicit PositionConverter(std::string&&) = delete;

  std::size_t lineCount() const { return m_lineStarts.size(); }
  // The line's length in UTF-16 code units, without its line end.
  std::int64_t lineLength(std::size_t line) const;

  // The byte offset of a position. As the protocol asks, a column past the line's end
  // means the line's end and a line past the last means the text's end; a column inside a
  // character (between the two halves of a surrogate pair) means that character's start.
  std::size_t toOffset(TextPosition position) const;
  // The position moved inside the text: onto the last line's end past the text, onto the
  // line's end past a line. Each line is measured once, so that many positions on one long
  // line stay cheap; unlike toOffset it leaves a column between the halves of a surrogate
  // pair alone.
  TextPosition clamp(TextPosition position) const;

 private:
  std::size_t contentEnd(std::size_t line) const;
  std::int64_t countUnits(std::size_t from, std::size_t to) const;

  const std::string& m_text;
  std::vector<std::size_t> m_lineStarts;
  // Measured on first use (-1 until then): most conversions touch a few lines of many.
  mutable std::vector<std::int64_t> m_lineLengths;
};

#endif
