// Frames, source and scope selection while the script is stopped; frames and
// scopes come from the records the hooks keep.
#include "frames.h"

#include <strings.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <new>

#include "breakpoints.h"
#include "php_lucentdebug.h"
#include "string_utils.h"

namespace {

const ScopeRecord* FrameRecord(int frame) {
  const std::vector<ScopeRecord>& stack = LUDBG_G(scopeStack);
  int depth = static_cast<int>(stack.size());
  if (frame == depth) return &LUDBG_G(current);
  if (frame >= 0 && frame < depth) return &stack[static_cast<size_t>(frame)];
  return nullptr;
}

}  // namespace

extern "C" unsigned short luGetNumFrames() {
  if (LUDBG_G(scopeStack).empty() && LUDBG_G(current).functionName == nullptr) return 0;
  return static_cast<unsigned short>(LUDBG_G(scopeStack).size() + 1);
}

extern "C" bool luGetFrameInfo(int frame, char* fileBuffer, int* line, char* functionBuffer) {
  const ScopeRecord* record = FrameRecord(frame);
  if (record == nullptr) return false;
  CopyBounded(functionBuffer, record->functionName != nullptr ? record->functionName : "",
              kFrameTextSize);
  *line = record->opline != nullptr ? static_cast<int>(record->opline->lineno) : 0;
  const char* file = "";
  if (record->opArray != nullptr && record->opArray->filename != nullptr) {
    file = luCreateFileURI(ZSTR_VAL(record->opArray->filename));
  }
  CopyBounded(fileBuffer, file, kFrameTextSize);
  return true;
}

extern "C" int luGetPrecision() { return static_cast<int>(EG(precision)); }

const std::vector<ScopeRecord>& luGetBackTrace() { return LUDBG_G(scopeStack); }

bool luGetSourceCode(const char* fileUrl, std::string* source) {
  FILE* file = fopen(luGetLocalFilePathFromURL(fileUrl), "rb");
  if (file == nullptr) return false;
  struct stat info;
  bool ok =
      fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode) && fseek(file, 0, SEEK_END) == 0;
  long size = ok ? ftell(file) : -1;
  if (size >= 0 && fseek(file, 0, SEEK_SET) == 0) {
    try {
      source->assign(static_cast<size_t>(size), '\0');
      size_t got = size > 0 ? fread(&(*source)[0], 1, static_cast<size_t>(size), file) : 0;
      source->resize(got);
    } catch (const std::bad_alloc&) {
      ok = false;  // too large to hold: no source, as for an unreadable file
    }
  } else {
    ok = false;
  }
  fclose(file);
  return ok;
}

const ScopeRecord& luGetActiveSymbolTable(const char* context, short depth) {
  const std::vector<ScopeRecord>& stack = LUDBG_G(scopeStack);
  if (strcasecmp(context, "globals") == 0) {
    return stack.empty() ? LUDBG_G(current) : stack.front();
  }
  long index = static_cast<long>(stack.size()) - depth;
  if (index >= 0 && index < static_cast<long>(stack.size())) {
    return stack[static_cast<size_t>(index)];
  }
  return LUDBG_G(current);
}
