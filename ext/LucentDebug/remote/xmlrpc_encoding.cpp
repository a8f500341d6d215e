// Builds XML-RPC structs and arrays from the debug records.
#include "xmlrpc_encoding.h"

#include <xmlrpc-c/util.h>

#include <cstring>

std::string xmlrpcText(const std::string& bytes) {
  // c_str() stops the library helpers at the first NUL, as the wire does.
  std::string text(bytes.c_str());
  xmlrpc_force_to_utf8(text.data());
  xmlrpc_force_to_xml_chars(text.data());
  return text;
}

xmlrpc_value* build_xmlrpc_value_FromPropertyInfo(xmlrpc_env* env, const PropertyInfo& info) {
  return xmlrpc_build_value(env, "{s:{s:s,s:s},s:s,s:s,s:b}", "name", "name",
                            xmlrpcText(info.name.name).c_str(), "fullName",
                            xmlrpcText(info.name.fullName).c_str(), "value",
                            xmlrpcText(info.value).c_str(), "type", xmlrpcText(info.type).c_str(),
                            "hasChildren", static_cast<xmlrpc_bool>(info.hasChildren));
}

xmlrpc_value* build_xmlrpc_value_FromSubframe(xmlrpc_env* env, const Subframe& subframe) {
  return xmlrpc_build_value(env, "{s:s,s:i,s:s}", "file", xmlrpcText(subframe.file).c_str(),
                            "lineno", static_cast<xmlrpc_int32>(subframe.lineno), "where",
                            xmlrpcText(subframe.where).c_str());
}

xmlrpc_value* build_xmlrpc_value_FromFrame(xmlrpc_env* env, const Frame& frame) {
  // A frame's own three members are encoded as a subframe's are.
  xmlrpc_value* result =
      build_xmlrpc_value_FromSubframe(env, Subframe{frame.file, frame.lineno, frame.where});
  if (env->fault_occurred) return nullptr;
  xmlrpc_value* data = build_xmlrpc_value_FromSubframe(env, frame.data);
  if (!env->fault_occurred) {
    xmlrpc_struct_set_value(env, result, "data", data);
    xmlrpc_DECREF(data);
  }
  if (env->fault_occurred) {
    xmlrpc_DECREF(result);
    return nullptr;
  }
  return result;
}

namespace {

template <typename Record, typename Builder>
xmlrpc_value* buildArray(xmlrpc_env* env, const std::vector<Record>& records, Builder build) {
  xmlrpc_value* array = xmlrpc_build_value(env, "()");
  if (env->fault_occurred) return nullptr;
  for (const Record& record : records) {
    xmlrpc_value* item = build(env, record);
    if (env->fault_occurred) break;
    xmlrpc_array_append_item(env, array, item);
    xmlrpc_DECREF(item);
    if (env->fault_occurred) break;
  }
  if (env->fault_occurred) {
    xmlrpc_DECREF(array);
    return nullptr;
  }
  return array;
}

}  // namespace

xmlrpc_value* build_xmlrpc_value_FromPropertyInfoVector(xmlrpc_env* env,
                                                        const PropertyInfoVector& infos) {
  return buildArray(env, infos, build_xmlrpc_value_FromPropertyInfo);
}

xmlrpc_value* build_xmlrpc_value_FromFrameVector(xmlrpc_env* env, const FrameVector& frames) {
  return buildArray(env, frames, build_xmlrpc_value_FromFrame);
}
