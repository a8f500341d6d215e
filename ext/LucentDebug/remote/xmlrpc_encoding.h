// XML-RPC encodings of the debug records: builders for the remote requester's
// results and readers for clients of the same protocol. Faults of the XML-RPC
// library are reported in the environment given first.
#ifndef LUCENTDEBUG_XMLRPC_ENCODING_H
#define LUCENTDEBUG_XMLRPC_ENCODING_H

#include <xmlrpc-c/base.h>

#include <string>
#include <vector>

#include "debug_records.h"

using NameVector = std::vector<Name>;

// Builders: each returns a new value holding one reference, or null on a fault.
xmlrpc_value* build_xmlrpc_value_FromPropertyInfo(xmlrpc_env* env, const PropertyInfo& info);
xmlrpc_value* build_xmlrpc_value_FromPropertyInfoVector(xmlrpc_env* env,
                                                        const PropertyInfoVector& infos);
xmlrpc_value* build_xmlrpc_value_FromSubframe(xmlrpc_env* env, const Subframe& subframe);
xmlrpc_value* build_xmlrpc_value_FromFrame(xmlrpc_env* env, const Frame& frame);
xmlrpc_value* build_xmlrpc_value_FromFrameVector(xmlrpc_env* env, const FrameVector& frames);

// Readers: a value of another shape leaves a fault in the environment and
// yields an empty record or vector.
Subframe build_Subframe_Fromxmlrpc_value(xmlrpc_env* env, xmlrpc_value* value);
Frame build_Frame_Fromxmlrpc_value(xmlrpc_env* env, xmlrpc_value* value);
FrameVector build_FrameVector_Fromxmlrpc_value(xmlrpc_env* env, xmlrpc_value* value);
PropertyInfo build_PropertyInfo_Fromxmlrpc_value(xmlrpc_env* env, xmlrpc_value* value);
PropertyInfoVector build_PropertyInfoVector_Fromxmlrpc_value(xmlrpc_env* env, xmlrpc_value* value);
Name build_Name_Fromxmlrpc_value(xmlrpc_env* env, xmlrpc_value* value);
NameVector build_NameVector_Fromxmlrpc_value(xmlrpc_env* env, xmlrpc_value* value);

// The text the XML-RPC library is given for a record string: cut at the first
// NUL byte, with bytes that are not UTF-8 and characters that XML cannot carry
// replaced by DEL (0x7F), so that one odd value cannot fail or corrupt a reply.
std::string xmlrpcText(const std::string& bytes);

#endif  // LUCENTDEBUG_XMLRPC_ENCODING_H
