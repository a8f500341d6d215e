// XML-RPC encodings of the debug records: builders for the remote requester's
// results (readers for clients are in xmlrpc_readers.h). Faults of the XML-RPC
// library are reported in the environment given first.
#ifndef LUCENTDEBUG_XMLRPC_ENCODING_H
#define LUCENTDEBUG_XMLRPC_ENCODING_H

#include <xmlrpc-c/base.h>

#include <string>
#include <vector>

#include "debug_records.h"

// Builders: each returns a new value holding one reference, or null on a fault.
// A property record carries {name: {name, fullName}, value, type, hasChildren}
// and the members added since: display (string; invalid bytes as \xNN), and
// where they say something indexedCount, namedCount (arrays and objects),
// className (objects), visibility (properties), static (static properties).
xmlrpc_value* build_xmlrpc_value_FromPropertyInfo(xmlrpc_env* env, const PropertyInfo& info);
// {reason, breakpoint, type, message, file, line}.
xmlrpc_value* build_xmlrpc_value_FromStopInfo(xmlrpc_env* env, const StopInfo& info);
xmlrpc_value* build_xmlrpc_value_FromPropertyInfoVector(xmlrpc_env* env,
                                                        const PropertyInfoVector& infos);
xmlrpc_value* build_xmlrpc_value_FromSubframe(xmlrpc_env* env, const Subframe& subframe);
xmlrpc_value* build_xmlrpc_value_FromFrame(xmlrpc_env* env, const Frame& frame);
xmlrpc_value* build_xmlrpc_value_FromFrameVector(xmlrpc_env* env, const FrameVector& frames);

// The text the XML-RPC library is given for a record string: cut at the first
// NUL byte, with bytes that are not UTF-8 and characters that XML cannot carry
// replaced by DEL (0x7F), so that one odd value cannot fail or corrupt a reply;
// characters beyond U+FFFF in the library's escaped form (supplementary_chars.h).
std::string XmlrpcText(const std::string& bytes);
// The same for the whole string, NUL bytes included, with each such byte
// written as \xNN (two lower-case hex digits) instead.
std::string XmlrpcEscapedText(const std::string& bytes);

#endif  // LUCENTDEBUG_XMLRPC_ENCODING_H
