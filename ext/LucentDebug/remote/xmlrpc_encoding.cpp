// Builds XML-RPC structs and arrays from the debug records.
#include "xmlrpc_encoding.h"

#include <cstring>

#include "supplementary_chars.h"

namespace {

// What stands for a byte that is not UTF-8 or a character XML cannot carry.
constexpr char kReplacement = 0x7F;

}  // namespace

std::string XmlrpcText(const std::string& bytes) {
  // c_str() stops at the first NUL, as the wire does.
  const char* text = bytes.c_str();
  const size_t size = std::strlen(text);
  std::string result;
  result.reserve(size);
  for (size_t i = 0; i < size;) {
    uint32_t codePoint = 0;
    const size_t length = DecodeUtf8(text + i, size - i, &codePoint);
    const bool xmlChar =
        codePoint >= 0x20 || codePoint == '\t' || codePoint == '\n' || codePoint == '\r';
    if (length == 0 || !xmlChar || codePoint == 0xFFFE || codePoint == 0xFFFF) {
      result += kReplacement;
      i += length == 0 ? 1 : length;
    } else {
      AppendForLibrary(result, codePoint);
      i += length;
    }
  }
  return result;
}

xmlrpc_value* build_xmlrpc_value_FromPropertyInfo(xmlrpc_env* env, const PropertyInfo& info) {
  return xmlrpc_build_value(env, "{s:{s:s,s:s},s:s,s:s,s:b}", "name", "name",
                            XmlrpcText(info.name.name).c_str(), "fullName",
                            XmlrpcText(info.name.fullName).c_str(), "value",
                            XmlrpcText(info.value).c_str(), "type", XmlrpcText(info.type).c_str(),
                            "hasChildren", static_cast<xmlrpc_bool>(info.hasChildren));
}

xmlrpc_value* build_xmlrpc_value_FromSubframe(xmlrpc_env* env, const Subframe& subframe) {
  return xmlrpc_build_value(env, "{s:s,s:i,s:s}", "file", XmlrpcText(subframe.file).c_str(),
                            "lineno", static_cast<xmlrpc_int32>(subframe.lineno), "where",
                            XmlrpcText(subframe.where).c_str());
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
xmlrpc_value* BuildArray(xmlrpc_env* env, const std::vector<Record>& records, Builder build) {
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
  return BuildArray(env, infos, build_xmlrpc_value_FromPropertyInfo);
}

xmlrpc_value* build_xmlrpc_value_FromFrameVector(xmlrpc_env* env, const FrameVector& frames) {
  return BuildArray(env, frames, build_xmlrpc_value_FromFrame);
}
