// Fuzz target: arbitrary bytes loaded as a state file (through a temporary file, since the
// loader reads a path); a state machine that loads is then used for one check.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include <xercesc/util/PlatformUtils.hpp>

#include "AttributeSetValidator.h"
#include "ChildState.h"
#include "ElementState.h"
#include "StateConstructionFromXML.h"
#include "StylesheetSyntaxChecker.h"

namespace {

std::string g_statePath;

// A stylesheet that touches top level, templates, instructions and literal elements.
const char kStylesheet[] =
    "<xsl:stylesheet xmlns:xsl='http://www.w3.org/1999/XSL/Transform' version='1.0'>"
    "<xsl:output method='xml' indent='yes'/><xsl:template match='/'><out a='1'>"
    "<xsl:choose><xsl:when test='1'><xsl:value-of select='.'/></xsl:when>"
    "<xsl:otherwise/></xsl:choose><xsl:apply-templates/></out></xsl:template>"
    "<xsl:bogus/></xsl:stylesheet>";

void WriteStateFile(const std::uint8_t* data, std::size_t size) {
  std::FILE* file = std::fopen(g_statePath.c_str(), "wb");
  if (file == nullptr || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0) {
    std::perror(g_statePath.c_str());
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char path[] = "/tmp/stylewarden-states-fuzz-XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) {
    std::perror("mkstemp");
    std::abort();
  }
  close(fd);
  g_statePath = path;
  std::atexit([] { unlink(g_statePath.c_str()); });
  xercesc::XMLPlatformUtils::Initialize();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  WriteStateFile(data, size);
  // Each load starts from empty registries, as a fresh process would.
  ElementState::getElementStateVector().clear();
  ChildrenStates::getChildrenStatesVector().clear();
  AttributeSetValidator::getAttributeSetValidatorVector().clear();
  bool loaded;
  {
    StateConstructionFromXML loader(ElementState::getElementStateVector(),
                                    ChildrenStates::getChildrenStatesVector(),
                                    AttributeSetValidator::getAttributeSetValidatorVector());
    loaded = loader.doConstruction(g_statePath, false);
  }
  if (loaded) {
    StylesheetSyntaxChecker checker;
    std::vector<StylesheetSyntaxError> errors;
    checker.getStylesheetSyntaxErrorsFromBuffer(kStylesheet, sizeof kStylesheet - 1, errors);
  }
  return 0;
}
