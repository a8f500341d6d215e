// Copies the script's output to a TCP connection and stops at PHP errors.
#ifndef LUCENTDEBUG_OUTPUT_CAPTURE_H
#define LUCENTDEBUG_OUTPUT_CAPTURE_H

#include <cstddef>
#include <cstdint>

extern "C" {
#include "php.h"
}

extern "C" {
// Puts the engine's writer in front of the host's, once.
void luCaptureWrite();
// Puts the host's writer back and forgets it, so the next request captures again.
void luRestoreWrite();
size_t ludbg_body_write(const char* text, size_t length);
void luRedirectStdout(unsigned short port);
// Kept beside luRedirectStdout; they do nothing.
void luRedirectStderr(unsigned short port);
void luRedirectStdin(unsigned short port);
void luCloseRedirection();

// Installed as zend_error_cb in front of the host's callback.
void luErrorCallBack(int type, zend_string* file, const uint32_t line, zend_string* message);
void luInstallErrorCallBack();
void luRemoveErrorCallBack();
}

#endif  // LUCENTDEBUG_OUTPUT_CAPTURE_H
