// Reading and writing framed messages. Header names are matched without regard to case and
// headers other than Content-Length (Content-Type) are accepted and ignored.
#include "message_transport.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace {

// A header line longer than this is not a header.
const std::size_t kMaxHeaderLine = 1024;
const char kContentLength[] = "content-length";

std::string Lowered(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) {
    return std::string();
  }
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Decimal digits only; a count too big for size_t saturates, which no body can reach.
bool ParseLength(const std::string& text, std::size_t& length) {
  if (text.empty()) {
    return false;
  }
  const std::size_t kMax = std::numeric_limits<std::size_t>::max();
  std::size_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') {
      return false;
    }
    const std::size_t digit = static_cast<std::size_t>(c - '0');
    value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
  }
  length = value;
  return true;
}

}  // namespace

MessageTransport::MessageTransport(std::istream& in, std::ostream& out, std::size_t maxBodyLength)
    : m_in(in), m_out(out), m_maxBodyLength(maxBodyLength) {}

bool MessageTransport::readHeaderLine(std::string& line, std::string& problem) {
  line.clear();
  char c;
  while (m_in.get(c)) {
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r') {
        line.pop_back();
      }
      return true;
    }
    if (line.size() >= kMaxHeaderLine) {
      problem = "header line longer than " + std::to_string(kMaxHeaderLine) + " bytes";
      return false;
    }
    line += c;
  }
  problem = "input ended inside a header";
  return false;
}

MessageTransport::ReadResult MessageTransport::read(std::string& body, std::string& problem) {
  body.clear();
  if (m_in.peek() == std::char_traits<char>::eof()) {
    return ReadResult::kEndOfInput;
  }
  bool haveLength = false;
  std::size_t length = 0;
  std::string line;
  for (;;) {
    if (!readHeaderLine(line, problem)) {
      return ReadResult::kFramingError;
    }
    if (line.empty()) {
      break;
    }
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos) {
      problem = "header line without a colon: \"" + line + "\"";
      return ReadResult::kFramingError;
    }
    if (Lowered(Trimmed(line.substr(0, colon))) == kContentLength) {
      const std::string value = Trimmed(line.substr(colon + 1));
      if (!ParseLength(value, length)) {
        problem = "Content-Length is not a byte count: \"" + value + "\"";
        return ReadResult::kFramingError;
      }
      haveLength = true;
    }
  }
  if (!haveLength) {
    problem = "header block without Content-Length";
    return ReadResult::kFramingError;
  }
  if (length > m_maxBodyLength) {
    // Skipping reads the body in pieces, so a huge length costs no memory.
    char chunk[65536];
    std::size_t left = length;
    while (left > 0 && m_in.read(chunk, static_cast<std::streamsize>(
                                            std::min<std::size_t>(left, sizeof chunk)))) {
      left -= static_cast<std::size_t>(m_in.gcount());
    }
    if (left > 0) {
      problem = "input ended inside a message body";
      return ReadResult::kFramingError;
    }
    problem = "message of " + std::to_string(length) + " bytes is over the limit of " +
              std::to_string(m_maxBodyLength);
    return ReadResult::kTooLarge;
  }
  body.resize(length);
  if (length > 0 && !m_in.read(&body[0], static_cast<std::streamsize>(length))) {
    problem = "input ended inside a message body";
    return ReadResult::kFramingError;
  }
  return ReadResult::kMessage;
}

bool MessageTransport::write(const std::string& body) {
  m_out << "Content-Length: " << body.size() << "\r\n\r\n" << body;
  m_out.flush();
  return static_cast<bool>(m_out);
}
