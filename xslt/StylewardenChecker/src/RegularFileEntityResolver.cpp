// The location of an entity is worked out as the parser itself would (a URL against the
// base, else a local path against the base path), so that every entity the parser used to
// read from a regular file is read from the same file and under the same system id.
#include "RegularFileEntityResolver.h"

#include <memory>
#include <vector>
#include <xercesc/framework/LocalFileInputSource.hpp>
#include <xercesc/util/BinMemInputStream.hpp>
#include <xercesc/util/XMLException.hpp>
#include <xercesc/util/XMLResourceIdentifier.hpp>
#include <xercesc/util/XMLString.hpp>
#include <xercesc/util/XMLURL.hpp>
#include <xercesc/util/XMLUniDefs.hpp>

#include "RegularFile.h"
#include "StringUtils.h"

namespace {

const XMLCh kEmpty[] = {0};
const XMLCh kLocalhost[] = {'l', 'o', 'c', 'a', 'l', 'h', 'o', 's', 't', 0};

// The bytes of an entity, read before the parser asks for them.
class BytesSource : public xercesc::InputSource {
 public:
  BytesSource(std::vector<char> bytes, const XMLCh* systemId) : m_bytes(std::move(bytes)) {
    setSystemId(systemId);
  }
  xercesc::BinInputStream* makeStream() const override {
    // The parser deletes the source once it holds the stream, so the stream has its own copy.
    return new xercesc::BinMemInputStream(reinterpret_cast<const XMLByte*>(m_bytes.data()),
                                          m_bytes.size(), xercesc::BinMemInputStream::BufOpt_Copy);
  }

 private:
  std::vector<char> m_bytes;
};

int HexDigit(XMLCh c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A file URL's path with its %XX escapes decoded, as the parser opens it.
DOMString UnescapedPath(const XMLCh* path) {
  DOMString result;
  for (const XMLCh* c = path; c != nullptr && *c != 0; ++c) {
    if (*c == '%' && HexDigit(c[1]) >= 0 && HexDigit(c[2]) >= 0) {
      result += static_cast<XMLCh>(HexDigit(c[1]) * 16 + HexDigit(c[2]));
      c += 2;
    } else {
      result += *c;
    }
  }
  return result;
}

std::string NativePath(const XMLCh* path) {
  char* native = xercesc::XMLString::transcode(path);
  std::string result = native == nullptr ? std::string() : native;
  xercesc::XMLString::release(&native);
  return result;
}

}  // namespace

xercesc::InputSource* RegularFileEntityResolver::resolveEntity(
    xercesc::XMLResourceIdentifier* resource) {
  const XMLCh* systemId = resource->getSystemId();
  if (systemId == nullptr || *systemId == 0) {
    return nullptr;
  }
  const XMLCh* base = resource->getBaseURI() == nullptr ? kEmpty : resource->getBaseURI();
  DOMString sourceId;
  DOMString path;
  bool local = true;
  try {
    xercesc::XMLURL url;
    if (url.setURL(base, systemId, url) && !url.isRelative()) {
      sourceId = url.getURLText();
      local = url.getProtocol() == xercesc::XMLURL::File &&
              (url.getHost() == nullptr || *url.getHost() == 0 ||
               xercesc::XMLString::compareIString(url.getHost(), kLocalhost) == 0);
      path = UnescapedPath(url.getPath());
    } else {
      std::unique_ptr<XMLCh[]> relative(new XMLCh[xercesc::XMLString::stringLen(systemId) + 1]);
      xercesc::XMLString::copyString(relative.get(), systemId);
      xercesc::XMLPlatformUtils::removeDotSlash(relative.get());
      const xercesc::LocalFileInputSource file(base, relative.get());
      sourceId = file.getSystemId();
      path = sourceId;
    }
  } catch (const xercesc::XMLException&) {
    // A location the parser cannot make sense of: it reports it as before.
    return nullptr;
  }
  const std::wstring quoted = L"\"" + toWString(systemId) + L"\"";
  if (!local) {
    m_refuse(L"The external entity " + quoted + L" is not read: only local files are");
    throw Refused();
  }
  std::vector<char> bytes;
  switch (OpenRegularFile(NativePath(path.c_str()), &bytes)) {
    case FileOpening::kCannotOpen:
      return nullptr;
    case FileOpening::kNotRegular:
      m_refuse(L"The external entity " + quoted + L" is not read: it is not a regular file");
      throw Refused();
    case FileOpening::kRegular:
      break;
  }
  return new BytesSource(std::move(bytes), sourceId.c_str());
}
