// A check of an XML-RPC request body before xmlrpc-c parses it: only a plain
// methodCall of the value types this protocol uses gets through, so that no
// request reaches a library path that can crash (its <i8> fault) or stall
// (entity expansion in a DOCTYPE).
#ifndef LUCENTDEBUG_CALL_SCREEN_H
#define LUCENTDEBUG_CALL_SCREEN_H

#include <string>

struct CallScreen {
  bool accepted = false;
  std::string problem;     // why it was refused
  std::string methodName;  // as written, character references undecoded
  bool utf8 = true;        // the body's declared encoding is UTF-8
};

// Accepts a body made of an optional XML declaration (UTF-8, US-ASCII or
// ISO-8859-1), comments, and one methodCall element whose elements are those
// of XML-RPC with string, int, i4, boolean, struct and array values, without
// attributes, declarations, CDATA sections, processing instructions or
// entity references other than the predefined and numeric ones.
CallScreen ScreenCall(const std::string& body);

#endif  // LUCENTDEBUG_CALL_SCREEN_H
