// The checker facade. Exceptions of the XML library are caught here and nowhere else.
#include "StylesheetSyntaxChecker.h"

#include <iostream>
#include <memory>
#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/sax/SAXException.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/SecurityManager.hpp>
#include <xercesc/util/XMLException.hpp>

#include "AttributeSetValidator.h"
#include "ChildState.h"
#include "ElementState.h"
#include "StateConstructionFromXML.h"

std::unique_ptr<xercesc::SAX2XMLReader> StylesheetSyntaxChecker::m_parser;
StylesheetSyntaxHandler StylesheetSyntaxChecker::m_stylesheetSyntaxHandler;

namespace {

const char kInMemorySystemId[] = "fakeID";

// Runs one library call; false when the library raised one of its exceptions.
template <typename Action>
bool withoutLibraryException(Action action) {
  try {
    action();
    return true;
  } catch (const xercesc::XMLException&) {
  } catch (const xercesc::SAXException&) {
  } catch (const xercesc::OutOfMemoryException&) {
  }
  return false;
}

}  // namespace

bool StylesheetSyntaxChecker::initialize(const std::string& stateFile, bool verbose) {
  if (!withoutLibraryException([] { xercesc::XMLPlatformUtils::Initialize(); })) {
    if (verbose) {
      std::cerr << "Error during initialization.\n";
    }
    return false;
  }
  StateConstructionFromXML loader(ElementState::getElementStateVector(),
                                  ChildrenStates::getChildrenStatesVector(),
                                  AttributeSetValidator::getAttributeSetValidatorVector());
  return loader.doConstruction(stateFile, verbose);
}

void StylesheetSyntaxChecker::finalize() {
  withoutLibraryException([] { xercesc::XMLPlatformUtils::Terminate(); });
}

void StylesheetSyntaxChecker::initializeParser() {
  m_parser.reset(xercesc::XMLReaderFactory::createXMLReader());
  m_parser->setContentHandler(&m_stylesheetSyntaxHandler);
  m_parser->setErrorHandler(&m_stylesheetSyntaxHandler);
  m_parser->setFeature(xercesc::XMLUni::fgSAX2CoreNameSpaces, true);
  // Entity expansion is bounded (the library's default limit), so that a document that
  // nests entity references draws a parser error instead of exhausting time and memory.
  static xercesc::SecurityManager securityManager;
  m_parser->setProperty(xercesc::XMLUni::fgXercesSecurityManager, &securityManager);
  // A parse that fails before its document starts must neither report the previous
  // check's records nor consult the previous reader's locator.
  m_stylesheetSyntaxHandler.setDocumentLocator(nullptr);
  m_stylesheetSyntaxHandler.startDocument();
}

bool StylesheetSyntaxChecker::getStylesheetSyntaxErrorsFromFile(
    const std::string& fileName, std::vector<StylesheetSyntaxError>& errors) {
  const bool parsed = withoutLibraryException([&fileName] {
    initializeParser();
    m_parser->parse(fileName.c_str());
  });
  m_parser.reset();
  if (!parsed) {
    return false;
  }
  errors = m_stylesheetSyntaxHandler.getErrors();
  return true;
}

bool StylesheetSyntaxChecker::getStylesheetSyntaxErrorsFromBuffer(
    const char* buffer, std::size_t length, std::vector<StylesheetSyntaxError>& errors,
    bool utf8Text, const std::string& systemId) {
  // The source only wraps the caller's bytes; it outlives the reader that reads it.
  std::unique_ptr<xercesc::MemBufInputSource> source;
  const bool parsed = withoutLibraryException([&source, buffer, length, utf8Text, &systemId] {
    source = std::make_unique<xercesc::MemBufInputSource>(
        reinterpret_cast<const XMLByte*>(buffer), length,
        systemId.empty() ? kInMemorySystemId : systemId.c_str(), false);
    if (utf8Text) {
      source->setEncoding(xercesc::XMLUni::fgUTF8EncodingString);
    }
    initializeParser();
    m_parser->parse(*source);
  });
  m_parser.reset();
  source.reset();
  if (!parsed) {
    return false;
  }
  errors = m_stylesheetSyntaxHandler.getErrors();
  return true;
}
