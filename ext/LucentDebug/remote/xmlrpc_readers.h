// Readers of the debug records' XML-RPC encodings, for clients of the protocol
// (the tests); the module only builds records and does not link these.
#ifndef LUCENTDEBUG_XMLRPC_READERS_H
#define LUCENTDEBUG_XMLRPC_READERS_H

#include <vector>

#include "xmlrpc_encoding.h"

using NameVector = std::vector<Name>;

// Readers: a value of another shape leaves a fault in the environment and
// yields an empty record or vector. Strings come back with the library's
// escapes undone (supplementary_chars.h): a client on xmlrpc-c passes a reply
// through XmlForLibrary before parsing it. Members added to the records
// since (display, className, counts, visibility, static; a frame's className
// and qualifiedName) are read when present and keep their defaults otherwise
// (display: the value; qualifiedName: where).
Subframe build_Subframe_Fromxmlrpc_value(xmlrpc_env* env, xmlrpc_value* value);
Frame build_Frame_Fromxmlrpc_value(xmlrpc_env* env, xmlrpc_value* value);
FrameVector build_FrameVector_Fromxmlrpc_value(xmlrpc_env* env, xmlrpc_value* value);
PropertyInfo build_PropertyInfo_Fromxmlrpc_value(xmlrpc_env* env, xmlrpc_value* value);
PropertyInfoVector build_PropertyInfoVector_Fromxmlrpc_value(xmlrpc_env* env, xmlrpc_value* value);
// The reply of "Requester.getStopInfo".
StopInfo build_StopInfo_Fromxmlrpc_value(xmlrpc_env* env, xmlrpc_value* value);
// The reply of "Requester.getBreakpointInfo".
BreakpointResolution build_BreakpointResolution_Fromxmlrpc_value(xmlrpc_env* env,
                                                                 xmlrpc_value* value);
// The reply of "Requester.getRequestInfo".
RequestInfo build_RequestInfo_Fromxmlrpc_value(xmlrpc_env* env, xmlrpc_value* value);
Name build_Name_Fromxmlrpc_value(xmlrpc_env* env, xmlrpc_value* value);
NameVector build_NameVector_Fromxmlrpc_value(xmlrpc_env* env, xmlrpc_value* value);

#endif  // LUCENTDEBUG_XMLRPC_READERS_H
