// The checker facade. Exceptions of the XML library are caught here and nowhere else.
#include "StylesheetSyntaxChecker.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <iostream>
#include <memory>
#include <new>
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
#include "StateMachineSet.h"
#include "StateTables.h"
#include "StringUtils.h"

std::unique_ptr<xercesc::SAX2XMLReader> StylesheetSyntaxChecker::m_parser;
StylesheetSyntaxHandler StylesheetSyntaxChecker::m_stylesheetSyntaxHandler;
StylesheetSyntaxError StylesheetSyntaxChecker::m_checkFailure;

namespace {

const char kInMemorySystemId[] = "fakeID";

bool IsDirectory(const std::string& path) {
  struct stat status;
  return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// The state files of a folder, by name: every file whose name ends in "-states.xml".
std::vector<std::string> StateFilesIn(const std::string& folder) {
  std::vector<std::string> files;
  const std::string suffix = "-states.xml";
  if (DIR* directory = ::opendir(folder.c_str())) {
    while (const dirent* entry = ::readdir(directory)) {
      const std::string name = entry->d_name;
      if (name.size() > suffix.size() &&
          name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
        files.push_back(folder + "/" + name);
      }
    }
    ::closedir(directory);
  }
  std::sort(files.begin(), files.end());
  return files;
}

const wchar_t kOutOfMemory[] = L"out of memory";

// Runs one library call; false when it raised one of the library's exceptions or ran out of
// memory, with `reason` saying which. The reason is copied inside the handler, while the
// exception's text still exists.
template <typename Action>
bool WithoutLibraryException(Action action, std::wstring& reason) {
  try {
    action();
    return true;
  } catch (const xercesc::OutOfMemoryException&) {
    reason = kOutOfMemory;
  } catch (const std::bad_alloc&) {
    reason = kOutOfMemory;
  } catch (const xercesc::XMLException& exception) {
    reason = toWString(exception.getMessage());
  } catch (const xercesc::SAXException& exception) {
    reason = toWString(exception.getMessage());
  }
  return false;
}

template <typename Action>
bool WithoutLibraryException(Action action) {
  std::wstring ignored;
  return WithoutLibraryException(action, ignored);
}

}  // namespace

bool StylesheetSyntaxChecker::initialize(const std::string& stateFile, bool verbose) {
  if (!WithoutLibraryException([] { xercesc::XMLPlatformUtils::Initialize(); })) {
    if (verbose) {
      std::cerr << "Error during initialization.\n";
    }
    return false;
  }
  if (IsDirectory(stateFile)) {
    return loadStateFileSet(stateFile, verbose);
  }
  StateConstructionFromXML loader(ElementState::getElementStateVector(),
                                  ChildrenStates::getChildrenStatesVector(),
                                  AttributeSetValidator::getAttributeSetValidatorVector());
  return loader.doConstruction(stateFile, verbose);
}

bool StylesheetSyntaxChecker::loadStateFileSet(const std::string& folder, bool verbose) {
  const std::vector<std::string> files = StateFilesIn(folder);
  if (files.empty() && verbose) {
    std::cerr << "No state file (*-states.xml) in \"" << folder << "\".\n";
  }
  for (const std::string& file : files) {
    // Each file is loaded into tables of its own, which then join the set under the version
    // the file names. Moving the registries keeps their entries where they are.
    StateTables loaded;
    SetActiveStateTables(&loaded);
    StateConstructionFromXML loader(loaded.elementStates, loaded.childrenStates,
                                    loaded.attributeSets);
    const bool ok = loader.doConstruction(file, verbose);
    SetActiveStateTables(nullptr);
    long double version = 0;
    if (ok && !ParseVersionNumber(loader.getXsltVersion(), version)) {
      if (verbose) {
        std::cerr << "The state file \"" << file
                  << "\" does not name the XSLT version it describes (xslt-version).\n";
      }
      return false;
    }
    if (!ok) {
      if (verbose) {
        std::cerr << "in the state file \"" << file << "\"\n";
      }
      return false;
    }
    StateTables& tables = StateMachineSet::add(version);
    tables = std::move(loaded);
  }
  return !files.empty();
}

void StylesheetSyntaxChecker::finalize() {
  WithoutLibraryException([] { xercesc::XMLPlatformUtils::Terminate(); });
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

bool StylesheetSyntaxChecker::finishCheck(bool parsed, const std::wstring& reason,
                                          std::vector<StylesheetSyntaxError>& errors) {
  m_parser.reset();
  if (!parsed) {
    // Whatever the walk had collected is dropped first, so that memory is there again for
    // the record that says why the check stopped.
    m_stylesheetSyntaxHandler.releaseMemory();
    m_checkFailure = StylesheetSyntaxError(
        SYNTAXERROR_XML_FATAL_ERROR, SEVERITY_ERROR,
        L"The check could not complete: " + (reason.empty() ? kOutOfMemory : reason),
        Location{1, 1}, Location{1, 1});
    return false;
  }
  m_checkFailure = StylesheetSyntaxError();
  errors = m_stylesheetSyntaxHandler.getErrors();
  return true;
}

bool StylesheetSyntaxChecker::getStylesheetSyntaxErrorsFromFile(
    const std::string& fileName, std::vector<StylesheetSyntaxError>& errors) {
  std::wstring reason;
  const bool parsed = WithoutLibraryException(
      [&fileName] {
        initializeParser();
        m_parser->parse(fileName.c_str());
      },
      reason);
  return finishCheck(parsed, reason, errors);
}

bool StylesheetSyntaxChecker::getStylesheetSyntaxErrorsFromBuffer(
    const char* buffer, std::size_t length, std::vector<StylesheetSyntaxError>& errors,
    bool utf8Text, const std::string& systemId) {
  // The source only wraps the caller's bytes; it outlives the reader that reads it.
  std::unique_ptr<xercesc::MemBufInputSource> source;
  std::wstring reason;
  const bool parsed = WithoutLibraryException(
      [&source, buffer, length, utf8Text, &systemId] {
        source = std::make_unique<xercesc::MemBufInputSource>(
            reinterpret_cast<const XMLByte*>(buffer), length,
            systemId.empty() ? kInMemorySystemId : systemId.c_str(), false);
        if (utf8Text) {
          source->setEncoding(xercesc::XMLUni::fgUTF8EncodingString);
        }
        initializeParser();
        m_parser->parse(*source);
      },
      reason);
  const bool finished = finishCheck(parsed, reason, errors);
  source.reset();
  return finished;
}
