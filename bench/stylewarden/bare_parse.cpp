// Baseline for the stylewarden benchmark: parses one file with a SAX2 reader set up as the
// checker sets up its own (namespace processing on, library defaults otherwise), with no
// handler, so that the ratio shows what checking adds to parsing.
#include <cstdio>
#include <memory>
#include <xercesc/sax/SAXException.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLException.hpp>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: stylewarden_bare_parse <XML file>\n", stderr);
    return 1;
  }
  xercesc::XMLPlatformUtils::Initialize();
  {
    std::unique_ptr<xercesc::SAX2XMLReader> reader(xercesc::XMLReaderFactory::createXMLReader());
    reader->setFeature(xercesc::XMLUni::fgSAX2CoreNameSpaces, true);
    try {
      reader->parse(argv[1]);
    } catch (const xercesc::XMLException&) {
      // Without an error handler a fatal error ends the parse with an exception; the
      // work up to it is what is measured.
    } catch (const xercesc::SAXException&) {
    } catch (const xercesc::OutOfMemoryException&) {
    }
  }
  xercesc::XMLPlatformUtils::Terminate();
  return 0;
}
