// The checker facade. Exceptions of the XML library are caught here and nowhere else.
#include "StylesheetSyntaxChecker.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <iostream>
#include <memory>
#include <new>
#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/framework/XMLPScanToken.hpp>
#include <xercesc/parsers/SAX2XMLReaderImpl.hpp>
#include <xercesc/sax/SAXException.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/SecurityManager.hpp>
#include <xercesc/util/XMLException.hpp>

#include "AttributeSetValidator.h"
#include "ChildState.h"
#include "CompiledStates.h"
#include "ElementState.h"
#include "RegularFile.h"
#include "RegularFileEntityResolver.h"
#include "StateConstructionFromXML.h"
#include "StateMachineSet.h"
#include "StateTables.h"
#include "StringUtils.h"
#include "StylesheetSyntaxHandler.h"

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

// The compiled copy of the state file at `path` when it holds exactly a shipped file's
// bytes; `opening` tells whether the file could be read and is a regular file.
const CompiledStateFile* CompiledCopyOf(const std::string& path, FileOpening& opening) {
  std::vector<char> bytes;
  opening = OpenRegularFile(path, &bytes);
  return opening == FileOpening::kRegular ? FindCompiledStateFile(bytes) : nullptr;
}

std::wstring CompiledXsltVersion(const CompiledStateFile& file) {
  const StateDocument::Text version = StateDocument(file.document).attribute(0, u"xslt-version");
  return std::wstring(version.begin(), version.end());
}

// Builds the tables of a compiled state file, which loaded cleanly when it was compiled;
// only memory can run out.
void FillFromCompiled(const CompiledStateFile& file, StateTables& tables) {
  const StateDocument document(file.document);
  StateConstructionFromXML loader(tables.elementStates, tables.childrenStates,
                                  tables.attributeSets);
  if (!loader.doConstruction(document, false)) {
    tables.elementStates.clear();
    tables.childrenStates.clear();
    tables.attributeSets.clear();
    throw std::bad_alloc();
  }
}

const wchar_t kOutOfMemory[] = L"out of memory";
const wchar_t kCancelled[] = L"it was cancelled";
const wchar_t kOutOfTime[] = L"it ran out of time";
// A stylesheet read from a pipe is held whole in memory, up to this size.
constexpr std::size_t kMaxPipedBytes = std::size_t{256} << 20;
// The clock is read once per this many parser tokens.
constexpr unsigned kTokensPerClockReading = 64;

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

std::unique_ptr<xercesc::SAX2XMLReader> NewReader(StylesheetSyntaxHandler& handler,
                                                  RegularFileEntityResolver& resolver) {
  // The implementation class, which the factory makes too, is the one that takes an entity
  // resolver given the base of each reference.
  auto reader = std::make_unique<xercesc::SAX2XMLReaderImpl>();
  reader->setContentHandler(&handler);
  reader->setErrorHandler(&handler);
  reader->setXMLEntityResolver(&resolver);
  reader->setFeature(xercesc::XMLUni::fgSAX2CoreNameSpaces, true);
  // Entity expansion is bounded (the library's default limit), so that a document that
  // nests entity references draws a parser error instead of exhausting time and memory.
  static xercesc::SecurityManager securityManager;
  reader->setProperty(xercesc::XMLUni::fgXercesSecurityManager, &securityManager);
  return reader;
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
  // A FIFO would block the loader's read forever.
  FileOpening opening;
  const CompiledStateFile* compiled = CompiledCopyOf(stateFile, opening);
  if (opening == FileOpening::kNotRegular) {
    if (verbose) {
      std::cerr << stateFile << " is not a regular file.\nCould not parse state machine.\n";
    }
    return false;
  }
  StateConstructionFromXML loader(ElementState::getElementStateVector(),
                                  ChildrenStates::getChildrenStatesVector(),
                                  AttributeSetValidator::getAttributeSetValidatorVector());
  if (compiled != nullptr) {
    return loader.doConstruction(StateDocument(compiled->document), verbose);
  }
  return loader.doConstruction(stateFile, verbose);
}

bool StylesheetSyntaxChecker::loadStateFileSet(const std::string& folder, bool verbose) {
  const std::vector<std::string> files = StateFilesIn(folder);
  if (files.empty() && verbose) {
    std::cerr << "No state file (*-states.xml) in \"" << folder << "\".\n";
  }
  for (const std::string& file : files) {
    FileOpening opening;
    const CompiledStateFile* compiled = CompiledCopyOf(file, opening);
    if (opening == FileOpening::kNotRegular) {
      if (verbose) {
        std::cerr << file << " is not a regular file.\nCould not parse state machine.\n";
      }
      return false;
    }
    long double version = 0;
    if (compiled != nullptr && ParseVersionNumber(CompiledXsltVersion(*compiled), version)) {
      // A shipped file's machine is built when a stylesheet of its version first needs it.
      StateMachineSet::add(version).deferred = std::make_shared<DeferredStateTables>(
          [compiled](StateTables& tables) { FillFromCompiled(*compiled, tables); });
      continue;
    }
    // Each file is loaded into tables of its own, which then join the set under the version
    // the file names. Moving the registries keeps their entries where they are.
    StateTables loaded;
    SetActiveStateTables(&loaded);
    StateConstructionFromXML loader(loaded.elementStates, loaded.childrenStates,
                                    loaded.attributeSets);
    const bool ok = loader.doConstruction(file, verbose);
    SetActiveStateTables(nullptr);
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

void StylesheetSyntaxChecker::noteFailure(const std::wstring& reason) {
  m_checkFailure = StylesheetSyntaxError(
      SYNTAXERROR_XML_FATAL_ERROR, SEVERITY_ERROR,
      L"The check could not complete: " + (reason.empty() ? kOutOfMemory : reason), Location{1, 1},
      Location{1, 1});
}

bool StylesheetSyntaxChecker::check(const StartParse& start,
                                    std::vector<StylesheetSyntaxError>& errors) {
  std::wstring reason;
  bool parsed = false;
  m_modules.clear();
  m_package = false;
  {
    // A fresh handler: a parse that fails before its document starts reports nothing of an
    // earlier check.
    StylesheetSyntaxHandler handler;
    handler.startDocument();
    RegularFileEntityResolver resolver(
        [&handler](const std::wstring& message) { handler.stopWithRecord(message); });
    parsed = WithoutLibraryException(
        [&] {
          const std::unique_ptr<xercesc::SAX2XMLReader> reader = NewReader(handler, resolver);
          // Token by token, so that the handler's stop, a cancellation and the deadline end
          // the parse between two tokens.
          xercesc::XMLPScanToken token;
          bool more = false;
          try {
            more = start(*reader, token);
          } catch (const xercesc::XMLException& exception) {
            // A document that cannot be opened is a fatal error of the parse, as a whole-document
            // parse reports it.
            handler.stopWithRecord(toWString(exception.getMessage()), Location{1, 1});
          } catch (const RegularFileEntityResolver::Refused&) {
            more = false;
          }
          unsigned tokens = 0;
          while (more && !handler.stopped()) {
            if (m_limits.cancelled != nullptr && m_limits.cancelled->load()) {
              reason = kCancelled;
              break;
            }
            if (++tokens % kTokensPerClockReading == 0 &&
                std::chrono::steady_clock::now() > m_limits.deadline) {
              reason = kOutOfTime;
              break;
            }
            try {
              more = reader->parseNext(token);
            } catch (const RegularFileEntityResolver::Refused&) {
              more = false;
            }
          }
          if (more) {
            reader->parseReset(token);
          }
        },
        reason);
    parsed = parsed && reason.empty();
    if (parsed) {
      errors = handler.takeErrors();
      m_modules = handler.takeModuleReferences();
      m_package = handler.documentIsPackage();
    }
    // Whatever the walk had collected is freed here when the check failed, so that memory
    // is there again for the record that says why it stopped.
  }
  if (!parsed) {
    noteFailure(reason);
    return false;
  }
  m_checkFailure = StylesheetSyntaxError();
  return true;
}

bool StylesheetSyntaxChecker::getStylesheetSyntaxErrorsFromFile(
    const std::string& fileName, std::vector<StylesheetSyntaxError>& errors) {
  // The parser's own open of a FIFO would wait for a writer that may never come.
  std::vector<char> piped;
  switch (ReadFifo(fileName, m_limits.deadline, kMaxPipedBytes, &piped)) {
    case FifoReading::kRead:
      return getStylesheetSyntaxErrorsFromBuffer(piped.data(), piped.size(), errors, false,
                                                 fileName);
    case FifoReading::kTooLarge:
      noteFailure(L"the pipe sent more than " + std::to_wstring(kMaxPipedBytes >> 20) + L" MiB");
      return false;
    case FifoReading::kOutOfTime:
      noteFailure(kOutOfTime);
      return false;
    case FifoReading::kNotFifo:
      break;
  }
  return check(
      [&fileName](xercesc::SAX2XMLReader& reader, xercesc::XMLPScanToken& token) {
        return reader.parseFirst(fileName.c_str(), token);
      },
      errors);
}

bool StylesheetSyntaxChecker::getStylesheetSyntaxErrorsFromBuffer(
    const char* buffer, std::size_t length, std::vector<StylesheetSyntaxError>& errors,
    bool utf8Text, const std::string& systemId) {
  // The source only wraps the caller's bytes; it outlives the reader that reads it.
  std::unique_ptr<xercesc::MemBufInputSource> source;
  std::wstring reason;
  if (!WithoutLibraryException(
          [&] {
            source = std::make_unique<xercesc::MemBufInputSource>(
                reinterpret_cast<const XMLByte*>(buffer), length,
                systemId.empty() ? kInMemorySystemId : systemId.c_str(), false);
            if (utf8Text) {
              source->setEncoding(xercesc::XMLUni::fgUTF8EncodingString);
            }
          },
          reason)) {
    noteFailure(reason);
    return false;
  }
  return check(
      [&source](xercesc::SAX2XMLReader& reader, xercesc::XMLPScanToken& token) {
        return reader.parseFirst(*source, token);
      },
      errors);
}
