// Builds XML-RPC structs and arrays from the debug records and reads them back.
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

// Reads every item of the array held under `member` of `value`.
template <typename Record, typename Reader>
std::vector<Record> readArray(xmlrpc_env* env, xmlrpc_value* value, const char* member,
                              Reader read) {
  std::vector<Record> records;
  xmlrpc_value* array = nullptr;
  xmlrpc_parse_value(env, value, "{s:A,*}", member, &array);
  if (env->fault_occurred) return records;
  const int size = xmlrpc_array_size(env, array);
  for (int i = 0; i < size && !env->fault_occurred; ++i) {
    xmlrpc_value* item = xmlrpc_array_get_item(env, array, i);
    if (env->fault_occurred) break;
    Record record = read(env, item);
    if (env->fault_occurred) break;
    records.push_back(std::move(record));
  }
  if (env->fault_occurred) records.clear();
  return records;
}

}  // namespace

xmlrpc_value* build_xmlrpc_value_FromPropertyInfoVector(xmlrpc_env* env,
                                                        const PropertyInfoVector& infos) {
  return buildArray(env, infos, build_xmlrpc_value_FromPropertyInfo);
}

xmlrpc_value* build_xmlrpc_value_FromFrameVector(xmlrpc_env* env, const FrameVector& frames) {
  return buildArray(env, frames, build_xmlrpc_value_FromFrame);
}

Subframe build_Subframe_Fromxmlrpc_value(xmlrpc_env* env, xmlrpc_value* value) {
  const char* file = nullptr;
  xmlrpc_int32 lineno = 0;
  const char* where = nullptr;
  xmlrpc_parse_value(env, value, "{s:s,s:i,s:s,*}", "file", &file, "lineno", &lineno, "where",
                     &where);
  Subframe subframe;
  if (env->fault_occurred) return subframe;
  subframe.file = file;
  subframe.lineno = lineno;
  subframe.where = where;
  return subframe;
}

Frame build_Frame_Fromxmlrpc_value(xmlrpc_env* env, xmlrpc_value* value) {
  // A frame's own three members are encoded as a subframe's are.
  const Subframe top = build_Subframe_Fromxmlrpc_value(env, value);
  xmlrpc_value* data = nullptr;
  if (!env->fault_occurred) xmlrpc_parse_value(env, value, "{s:S,*}", "data", &data);
  if (env->fault_occurred) return Frame();
  Frame frame{top.file, top.lineno, top.where, build_Subframe_Fromxmlrpc_value(env, data)};
  return env->fault_occurred ? Frame() : frame;
}

FrameVector build_FrameVector_Fromxmlrpc_value(xmlrpc_env* env, xmlrpc_value* value) {
  return readArray<Frame>(env, value, "frames", build_Frame_Fromxmlrpc_value);
}

PropertyInfo build_PropertyInfo_Fromxmlrpc_value(xmlrpc_env* env, xmlrpc_value* value) {
  const char* name = nullptr;
  const char* fullName = nullptr;
  const char* text = nullptr;
  const char* type = nullptr;
  xmlrpc_bool hasChildren = 0;
  xmlrpc_parse_value(env, value, "{s:{s:s,s:s,*},s:s,s:s,s:b,*}", "name", "name", &name, "fullName",
                     &fullName, "value", &text, "type", &type, "hasChildren", &hasChildren);
  PropertyInfo info;
  if (env->fault_occurred) return info;
  info.name.name = name;
  info.name.fullName = fullName;
  info.value = text;
  info.type = type;
  info.hasChildren = hasChildren != 0;
  return info;
}

PropertyInfoVector build_PropertyInfoVector_Fromxmlrpc_value(xmlrpc_env* env, xmlrpc_value* value) {
  return readArray<PropertyInfo>(env, value, "propertyInfo", build_PropertyInfo_Fromxmlrpc_value);
}

Name build_Name_Fromxmlrpc_value(xmlrpc_env* env, xmlrpc_value* value) {
  const char* name = nullptr;
  const char* fullName = nullptr;
  xmlrpc_parse_value(env, value, "{s:s,s:s,*}", "name", &name, "fullName", &fullName);
  Name result;
  if (env->fault_occurred) return result;
  result.name = name;
  result.fullName = fullName;
  return result;
}

NameVector build_NameVector_Fromxmlrpc_value(xmlrpc_env* env, xmlrpc_value* value) {
  return readArray<Name>(env, value, "names", build_Name_Fromxmlrpc_value);
}
