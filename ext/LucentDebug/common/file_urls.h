// Conversions between file URLs and local paths. Both write into a caller's
// buffer of kPathBufferSize bytes and cut results at kPathBufferSize - 1 bytes.
#ifndef LUCENTDEBUG_FILE_URLS_H
#define LUCENTDEBUG_FILE_URLS_H

#include <cstddef>

constexpr size_t kPathBufferSize = 510;

extern "C" {
// Value of two hexadecimal digits; upper-case letters count as lower-case.
int ludbg_htoi(const char* s);
// Decodes %XX escapes in place ("+" stays); returns the new length.
int ludbg_raw_url_decode(char* text, int length);
}

// Local path of a file URL (the text after "file://", drive letters without the
// leading slash); any other text is copied undecoded.
char* LocalPathFromUrl(const char* url, char* out);

// File URL of a local path; relative paths stay as they are. When signalled,
// the path is copied unchanged.
char* FileUriFromPath(const char* path, bool signalled, char* out);

#endif  // LUCENTDEBUG_FILE_URLS_H
