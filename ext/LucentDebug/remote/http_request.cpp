// The request head is parsed once it is complete; the checks run in the order
// of the XML-RPC library's own handler, so the answers are those it gave.
#include "http_request.h"

#include <strings.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr const char* kRpcPath = "/RPC2";
// Longer heads than any XML-RPC client sends are refused.
constexpr size_t kMaxHead = 16 * 1024;

const char* ReasonOf(int status) {
  switch (status) {
    case 100:
      return "Continue";
    case 200:
      return "OK";
    case 400:
      return "Bad Request";
    case 404:
      return "Not Found";
    case 405:
      return "Method Not Allowed";
    case 408:
      return "Request Timeout";
    case 411:
      return "Length Required";
    default:
      return "Internal Server Error";
  }
}

std::string Trimmed(const std::string& s) {
  const size_t first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// The path of a request target, without query and without the scheme and
// host of an absolute form.
std::string PathOf(std::string target) {
  if (strncasecmp(target.c_str(), "http://", 7) == 0) {
    const size_t slash = target.find('/', 7);
    target = slash == std::string::npos ? "/" : target.substr(slash);
  }
  return target.substr(0, target.find('?'));
}

bool IsXmlContentType(const std::string& value) {
  const std::string type = Trimmed(value.substr(0, value.find(';')));
  return strcasecmp(type.c_str(), "text/xml") == 0;
}

// A content length of decimal digits that fits 32 bits; false otherwise.
bool ParseLength(const std::string& text, uint64_t* length) {
  if (text.empty() || text.size() > 10) return false;
  uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  if (value > UINT32_MAX) return false;
  *length = value;
  return true;
}

std::vector<std::string> LinesOf(const std::string& head) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < head.size()) {
    size_t end = head.find('\n', start);
    if (end == std::string::npos) end = head.size();
    std::string line = head.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

}  // namespace

void HttpRequestReader::Refuse(int status, const std::string& message) {
  state_ = State::kRefused;
  status_ = status;
  message_ = message;
}

void HttpRequestReader::Feed(const char* data, size_t size) {
  if (state_ == State::kHead) {
    const size_t scanFrom = head_.size() > 3 ? head_.size() - 3 : 0;
    head_.append(data, size);
    size_t end = head_.find("\r\n\r\n", scanFrom);
    size_t separator = 4;
    const size_t bare = head_.find("\n\n", scanFrom);
    if (bare != std::string::npos && (end == std::string::npos || bare < end)) {
      end = bare;
      separator = 2;
    }
    if (end == std::string::npos) {
      if (head_.size() > kMaxHead) Refuse(400, "Request head is too long");
      return;
    }
    ReadHead(head_.substr(0, end));
    if (state_ != State::kBody) return;
    body_.reserve(contentLength_);
    AppendBody(head_.data() + end + separator, head_.size() - end - separator);
    head_.clear();
    head_.shrink_to_fit();
  } else if (state_ == State::kBody) {
    AppendBody(data, size);
  }
}

void HttpRequestReader::AppendBody(const char* data, size_t size) {
  body_.append(data, std::min(size, contentLength_ - body_.size()));
  if (body_.size() == contentLength_) state_ = State::kComplete;
}

void HttpRequestReader::ReadHead(const std::string& head) {
  const std::vector<std::string> lines = LinesOf(head);
  if (lines.empty()) return Refuse(400, "Malformed request line");
  const std::string& requestLine = lines[0];
  const size_t firstSpace = requestLine.find(' ');
  const size_t lastSpace = requestLine.rfind(' ');
  if (firstSpace == std::string::npos || lastSpace == firstSpace ||
      requestLine.compare(lastSpace + 1, 7, "HTTP/1.") != 0) {
    return Refuse(400, "Malformed request line");
  }
  const std::string method = requestLine.substr(0, firstSpace);
  const std::string path =
      PathOf(Trimmed(requestLine.substr(firstSpace + 1, lastSpace - firstSpace - 1)));

  bool hasType = false;
  bool xmlType = false;
  bool hasLength = false;
  bool badLength = false;
  bool chunked = false;
  uint64_t length = 0;
  for (size_t i = 1; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    const size_t colon = line.find(':');
    if (colon == std::string::npos || colon == 0 || line[0] == ' ' || line[0] == '\t') {
      return Refuse(400, "Malformed header field");
    }
    const std::string name = line.substr(0, colon);
    const std::string value = Trimmed(line.substr(colon + 1));
    if (strcasecmp(name.c_str(), "Content-Type") == 0) {
      xmlType = IsXmlContentType(value) && (!hasType || xmlType);
      hasType = true;
    } else if (strcasecmp(name.c_str(), "Content-Length") == 0) {
      uint64_t parsed = 0;
      if (!ParseLength(value, &parsed) || (hasLength && parsed != length)) badLength = true;
      hasLength = true;
      length = parsed;
    } else if (strcasecmp(name.c_str(), "Transfer-Encoding") == 0) {
      chunked = true;
    } else if (strcasecmp(name.c_str(), "Expect") == 0) {
      expectsContinue_ = strcasecmp(value.c_str(), "100-continue") == 0;
    }
  }

  if (path != kRpcPath) return Refuse(404, "No such resource");
  if (method != "POST") return Refuse(405, "POST is the only HTTP method this server understands");
  if (!xmlType) return Refuse(400, "Content type is not text/xml");
  if (!hasLength) return Refuse(411, "A content length is required");
  if (badLength || chunked) return Refuse(400, "Malformed content length");
  if (length == 0) return Refuse(400, "Content length is zero");
  if (length > bodyLimit_) {
    return Refuse(500, "XML-RPC request too large (" + std::to_string(length) + " bytes)");
  }
  contentLength_ = static_cast<size_t>(length);
  state_ = State::kBody;
}

std::string HttpResponse(int status, const char* contentType, const std::string& body,
                         const char* extraHeaders) {
  return "HTTP/1.1 " + std::to_string(status) + " " + ReasonOf(status) +
         "\r\nConnection: close\r\nServer: XmlRpcServer\r\n" + extraHeaders +
         "Content-Type: " + contentType + "\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\n\r\n" + body;
}
