// Builds XML-RPC structs and arrays from the debug records.
#include "xmlrpc_encoding.h"

#include <cstring>

#include "supplementary_chars.h"
#include "utf8.h"

namespace {

// What stands for a byte that is not UTF-8 or a character XML cannot carry.
constexpr char kReplacement = 0x7F;

}  // namespace

namespace {

// The library's text for `size` bytes at `text`; `bad` appends what stands
// for a byte that is not UTF-8 or a character XML cannot carry.
template <typename Bad>
std::string LibraryText(const char* text, size_t size, Bad bad) {
  std::string result;
  result.reserve(size);
  for (size_t i = 0; i < size;) {
    uint32_t codePoint = 0;
    const size_t length = utf8::Decode(text + i, size - i, &codePoint);
    const bool xmlChar =
        codePoint >= 0x20 || codePoint == '\t' || codePoint == '\n' || codePoint == '\r';
    if (length == 0 || !xmlChar || codePoint == 0xFFFE || codePoint == 0xFFFF) {
      for (size_t j = 0; j < (length == 0 ? 1 : length); ++j) {
        bad(result, static_cast<unsigned char>(text[i + j]));
      }
      i += length == 0 ? 1 : length;
    } else {
      AppendForLibrary(result, codePoint);
      i += length;
    }
  }
  return result;
}

}  // namespace

std::string XmlrpcText(const std::string& bytes) {
  // c_str() stops at the first NUL, as the wire does.
  const char* text = bytes.c_str();
  return LibraryText(text, std::strlen(text),
                     [](std::string& out, unsigned char) { out += kReplacement; });
}

std::string XmlrpcEscapedText(const std::string& bytes) {
  return LibraryText(bytes.data(), bytes.size(), [](std::string& out, unsigned char byte) {
    static const char kHex[] = "0123456789abcdef";
    out += "\\x";
    out += kHex[byte >> 4];
    out += kHex[byte & 0xF];
  });
}

namespace {

// Adds `member` to the struct, consuming the reference to `value`.
void SetMember(xmlrpc_env* env, xmlrpc_value* record, const char* member, xmlrpc_value* value) {
  if (env->fault_occurred) return;
  xmlrpc_struct_set_value(env, record, member, value);
  xmlrpc_DECREF(value);
}

void SetString(xmlrpc_env* env, xmlrpc_value* record, const char* member, const std::string& text) {
  if (!env->fault_occurred) SetMember(env, record, member, xmlrpc_string_new(env, text.c_str()));
}

// The members the engine added to a record: each says something only for
// some values and is left out for the others, which keeps large replies small.
void AddPropertyMembers(xmlrpc_env* env, xmlrpc_value* record, const PropertyInfo& info) {
  SetString(env, record, "display", XmlrpcEscapedText(info.display));
  if (info.type == "IS_ARRAY" || info.type == "IS_OBJECT") {
    if (!env->fault_occurred) {
      SetMember(env, record, "indexedCount", xmlrpc_int_new(env, info.indexedCount));
    }
    if (!env->fault_occurred) {
      SetMember(env, record, "namedCount", xmlrpc_int_new(env, info.namedCount));
    }
  }
  if (!info.className.empty()) SetString(env, record, "className", XmlrpcText(info.className));
  if (!info.visibility.empty()) SetString(env, record, "visibility", info.visibility);
  if (info.isStatic && !env->fault_occurred) {
    SetMember(env, record, "static", xmlrpc_bool_new(env, 1));
  }
}

// The record's first five members, as old clients know it.
xmlrpc_value* BuildOldPropertyInfo(xmlrpc_env* env, const PropertyInfo& info) {
  return xmlrpc_build_value(env, "{s:{s:s,s:s},s:s,s:s,s:b}", "name", "name",
                            XmlrpcText(info.name.name).c_str(), "fullName",
                            XmlrpcText(info.name.fullName).c_str(), "value",
                            XmlrpcText(info.value).c_str(), "type", XmlrpcText(info.type).c_str(),
                            "hasChildren", static_cast<xmlrpc_bool>(info.hasChildren));
}

}  // namespace

xmlrpc_value* build_xmlrpc_value_FromPropertyInfo(xmlrpc_env* env, const PropertyInfo& info) {
  xmlrpc_value* record = BuildOldPropertyInfo(env, info);
  if (env->fault_occurred) return nullptr;
  AddPropertyMembers(env, record, info);
  if (env->fault_occurred) {
    xmlrpc_DECREF(record);
    return nullptr;
  }
  return record;
}

xmlrpc_value* build_xmlrpc_value_FromStopInfo(xmlrpc_env* env, const StopInfo& info) {
  return xmlrpc_build_value(
      env, "{s:s,s:i,s:s,s:s,s:s,s:i}", "reason", XmlrpcText(info.reason).c_str(), "breakpoint",
      static_cast<xmlrpc_int32>(info.breakpoint), "type", XmlrpcText(info.type).c_str(), "message",
      XmlrpcEscapedText(info.message).c_str(), "file", XmlrpcText(info.file).c_str(), "line",
      static_cast<xmlrpc_int32>(info.line));
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
  SetString(env, result, "className", XmlrpcText(frame.className));
  SetString(env, result, "qualifiedName", XmlrpcText(frame.qualifiedName));
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
