// Reads the debug records back from their XML-RPC structs, as a client of the
// protocol does; the module itself only builds them, so this is not linked in.
#include "xmlrpc_readers.h"

#include "supplementary_chars.h"

namespace {

// Reads every item of the array held under `member` of `value`.
template <typename Record, typename Reader>
std::vector<Record> ReadArray(xmlrpc_env* env, xmlrpc_value* value, const char* member,
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

Subframe build_Subframe_Fromxmlrpc_value(xmlrpc_env* env, xmlrpc_value* value) {
  const char* file = nullptr;
  xmlrpc_int32 lineno = 0;
  const char* where = nullptr;
  xmlrpc_parse_value(env, value, "{s:s,s:i,s:s,*}", "file", &file, "lineno", &lineno, "where",
                     &where);
  Subframe subframe;
  if (env->fault_occurred) return subframe;
  subframe.file = TextFromLibrary(file);
  subframe.lineno = lineno;
  subframe.where = TextFromLibrary(where);
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
  return ReadArray<Frame>(env, value, "frames", build_Frame_Fromxmlrpc_value);
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
  info.name.name = TextFromLibrary(name);
  info.name.fullName = TextFromLibrary(fullName);
  info.value = TextFromLibrary(text);
  info.type = TextFromLibrary(type);
  info.hasChildren = hasChildren != 0;
  return info;
}

PropertyInfoVector build_PropertyInfoVector_Fromxmlrpc_value(xmlrpc_env* env, xmlrpc_value* value) {
  return ReadArray<PropertyInfo>(env, value, "propertyInfo", build_PropertyInfo_Fromxmlrpc_value);
}

Name build_Name_Fromxmlrpc_value(xmlrpc_env* env, xmlrpc_value* value) {
  const char* name = nullptr;
  const char* fullName = nullptr;
  xmlrpc_parse_value(env, value, "{s:s,s:s,*}", "name", &name, "fullName", &fullName);
  Name result;
  if (env->fault_occurred) return result;
  result.name = TextFromLibrary(name);
  result.fullName = TextFromLibrary(fullName);
  return result;
}

NameVector build_NameVector_Fromxmlrpc_value(xmlrpc_env* env, xmlrpc_value* value) {
  return ReadArray<Name>(env, value, "names", build_Name_Fromxmlrpc_value);
}
