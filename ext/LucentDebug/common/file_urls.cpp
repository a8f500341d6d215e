// File URL <-> local path conversions used for breakpoints and frames.
#include "file_urls.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "string_utils.h"

extern "C" int ludbg_htoi(const char* s) {
  int value = 0;
  for (int i = 0; i < 2; ++i) {
    int c = tolower(static_cast<unsigned char>(s[i]));
    value = value * 16 + (isdigit(c) ? c - '0' : c - 'a' + 10);
  }
  return value;
}

extern "C" int ludbg_raw_url_decode(char* text, int length) {
  char* dest = text;
  const char* data = text;
  while (length-- > 0) {
    if (*data == '%' && length >= 2 && isxdigit(static_cast<unsigned char>(data[1])) &&
        isxdigit(static_cast<unsigned char>(data[2]))) {
      *dest = static_cast<char>(ludbg_htoi(data + 1));
      data += 2;
      length -= 2;
    } else {
      *dest = *data;
    }
    ++data;
    ++dest;
  }
  *dest = '\0';
  return static_cast<int>(dest - text);
}

char* LocalPathFromUrl(const char* url, char* out) {
  char work[kPathBufferSize] = {};
  CopyBounded(work, url, kPathBufferSize);
  ludbg_raw_url_decode(work, static_cast<int>(strlen(work)));
  const char* scheme = strstr(work, "file://");
  if (scheme == nullptr) {
    CopyBounded(out, url, kPathBufferSize);
    return out;
  }
  const char* path = scheme + strlen("file://");
  if (path[0] == '/' && path[1] != '\0' && path[2] == ':') ++path;
  CopyBounded(out, path, kPathBufferSize);
  return out;
}

char* FileUriFromPath(const char* path, bool signalled, char* out) {
  if (signalled) {
    CopyBounded(out, path, kPathBufferSize);
    return out;
  }
  bool twoSlashes = (path[0] == '/' && path[1] == '/') || (path[0] == '\\' && path[1] == '\\');
  bool driveLetter = path[0] != '\0' && path[1] == ':';
  if (twoSlashes || driveLetter) {
    snprintf(out, kPathBufferSize, "file:///%s", path);
  } else if (path[0] == '/' || path[0] == '\\') {
    snprintf(out, kPathBufferSize, "file://%s", path);
  } else {
    CopyBounded(out, path, kPathBufferSize);
  }
  for (char* p = out; *p != '\0'; ++p) {
    if (*p == '\\') *p = '/';
  }
  return out;
}
