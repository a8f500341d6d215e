// Reads the debug records back from their XML-RPC structs, as a client of the
// protocol does; the module itself only builds them, so this is not linked in.
#include "xmlrpc_readers.h"

#include <cstdlib>

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

// Optional members added to the records since: an absent one keeps the
// default; `read` takes the member's value as the library reads its type.
template <typename Reader>
void ReadOptional(xmlrpc_env* env, xmlrpc_value* value, const char* member, Reader read) {
  xmlrpc_value* found = nullptr;
  if (!env->fault_occurred) xmlrpc_struct_find_value(env, value, member, &found);
  if (found == nullptr) return;
  read(found);
  xmlrpc_DECREF(found);
}

void ReadOptionalString(xmlrpc_env* env, xmlrpc_value* value, const char* member,
                        std::string* out) {
  ReadOptional(env, value, member, [env, out](xmlrpc_value* found) {
    const char* text = nullptr;
    xmlrpc_read_string(env, found, &text);
    if (env->fault_occurred) return;
    *out = TextFromLibrary(text);
    free(const_cast<char*>(text));
  });
}

void ReadOptionalInt(xmlrpc_env* env, xmlrpc_value* value, const char* member, int32_t* out) {
  ReadOptional(env, value, member, [env, out](xmlrpc_value* found) {
    xmlrpc_int32 number = 0;
    xmlrpc_read_int(env, found, &number);
    if (!env->fault_occurred) *out = number;
  });
}

void ReadOptionalBool(xmlrpc_env* env, xmlrpc_value* value, const char* member, bool* out) {
  ReadOptional(env, value, member, [env, out](xmlrpc_value* found) {
    xmlrpc_bool flag = 0;
    xmlrpc_read_bool(env, found, &flag);
    if (!env->fault_occurred) *out = flag != 0;
  });
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
  Frame frame;
  frame.file = top.file;
  frame.lineno = top.lineno;
  frame.where = top.where;
  frame.data = build_Subframe_Fromxmlrpc_value(env, data);
  frame.qualifiedName = frame.where;
  ReadOptionalString(env, value, "className", &frame.className);
  ReadOptionalString(env, value, "qualifiedName", &frame.qualifiedName);
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
  info.display = info.value;
  ReadOptionalString(env, value, "display", &info.display);
  ReadOptionalString(env, value, "className", &info.className);
  ReadOptionalInt(env, value, "indexedCount", &info.indexedCount);
  ReadOptionalInt(env, value, "namedCount", &info.namedCount);
  ReadOptionalString(env, value, "visibility", &info.visibility);
  ReadOptionalBool(env, value, "static", &info.isStatic);
  return env->fault_occurred ? PropertyInfo() : info;
}

StopInfo build_StopInfo_Fromxmlrpc_value(xmlrpc_env* env, xmlrpc_value* value) {
  const char* reason = nullptr;
  xmlrpc_int32 breakpoint = 0;
  const char* type = nullptr;
  const char* message = nullptr;
  const char* file = nullptr;
  xmlrpc_int32 line = 0;
  xmlrpc_parse_value(env, value, "{s:s,s:i,s:s,s:s,s:s,s:i,*}", "reason", &reason, "breakpoint",
                     &breakpoint, "type", &type, "message", &message, "file", &file, "line", &line);
  StopInfo info;
  if (env->fault_occurred) return info;
  info.reason = TextFromLibrary(reason);
  info.breakpoint = breakpoint;
  info.type = TextFromLibrary(type);
  info.message = TextFromLibrary(message);
  info.file = TextFromLibrary(file);
  info.line = line;
  return info;
}

BreakpointResolution build_BreakpointResolution_Fromxmlrpc_value(xmlrpc_env* env,
                                                                 xmlrpc_value* value) {
  xmlrpc_int32 id = 0;
  const char* file = nullptr;
  xmlrpc_int32 line = 0;
  xmlrpc_int32 resolvedLine = 0;
  xmlrpc_bool verified = 0;
  xmlrpc_parse_value(env, value, "{s:i,s:s,s:i,s:i,s:b,*}", "id", &id, "file", &file, "line", &line,
                     "resolvedLine", &resolvedLine, "verified", &verified);
  BreakpointResolution info;
  if (env->fault_occurred) return info;
  info.id = id;
  info.file = TextFromLibrary(file);
  info.line = line;
  info.resolvedLine = resolvedLine;
  info.verified = verified != 0;
  return info;
}

RequestInfo build_RequestInfo_Fromxmlrpc_value(xmlrpc_env* env, xmlrpc_value* value) {
  const char* sapi = nullptr;
  const char* method = nullptr;
  const char* uri = nullptr;
  const char* script = nullptr;
  xmlrpc_int32 pid = 0;
  xmlrpc_parse_value(env, value, "{s:s,s:s,s:s,s:s,s:i,*}", "sapi", &sapi, "method", &method, "uri",
                     &uri, "script", &script, "pid", &pid);
  RequestInfo info;
  if (env->fault_occurred) return info;
  info.sapi = TextFromLibrary(sapi);
  info.method = TextFromLibrary(method);
  info.uri = TextFromLibrary(uri);
  info.script = TextFromLibrary(script);
  info.pid = pid;
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
