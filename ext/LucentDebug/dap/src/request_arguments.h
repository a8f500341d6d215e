// Reading the arguments of a request: optional members with their type checked
// (a wrong type is a protocol::FieldError, answered as an error response);
// absent or null members give the fallback. Integers are the protocol's 32-bit ones.
#ifndef LUCENTDEBUG_DAP_REQUEST_ARGUMENTS_H
#define LUCENTDEBUG_DAP_REQUEST_ARGUMENTS_H

#include <nlohmann/json.hpp>
#include <string>

#include "debugger.h"
#include "json_fields.h"

inline const nlohmann::json& ArgumentsOf(const nlohmann::json& request) {
  static const nlohmann::json kNone = nlohmann::json::object();
  auto found = request.find("arguments");
  return found != request.end() && found->is_object() ? *found : kNone;
}

inline void ReadMember(const nlohmann::json& object, const char* name, int& value) {
  value = static_cast<int>(protocol::IntegerField(object, name, "arguments"));
}
inline void ReadMember(const nlohmann::json& object, const char* name, bool& value) {
  value = protocol::BooleanField(object, name, "arguments");
}
inline void ReadMember(const nlohmann::json& object, const char* name, std::string& value) {
  value = protocol::StringField(object, name, "arguments");
}
inline void ReadMember(const nlohmann::json& object, const char* name, nlohmann::json& value) {
  value = object.at(name);
}

template <typename T>
T OptionalMember(const nlohmann::json& object, const char* name, T fallback) {
  if (!protocol::HasField(object, name)) return fallback;
  ReadMember(object, name, fallback);
  return fallback;
}

template <typename T>
T RequiredMember(const nlohmann::json& object, const char* name) {
  if (!protocol::HasField(object, name)) {
    throw RequestError(std::string("\"") + name + "\" is required");
  }
  return OptionalMember<T>(object, name, T());
}

// The members of an array argument that must hold objects.
inline const nlohmann::json& ArrayMember(const nlohmann::json& object, const char* name) {
  static const nlohmann::json kEmpty = nlohmann::json::array();
  return protocol::HasField(object, name) ? protocol::ArrayField(object, name, "arguments")
                                          : kEmpty;
}

// The "path" of the "source" argument, empty when there is none.
inline std::string SourcePathOf(const nlohmann::json& arguments) {
  nlohmann::json source =
      OptionalMember<nlohmann::json>(arguments, "source", nlohmann::json::object());
  return source.is_object() ? OptionalMember<std::string>(source, "path", "") : "";
}

// The "threadId" argument; 0 (the thread that stopped last) when absent.
inline int ThreadIdOf(const nlohmann::json& arguments) {
  return OptionalMember<int>(arguments, "threadId", 0);
}

#endif  // LUCENTDEBUG_DAP_REQUEST_ARGUMENTS_H
