// Typed reading of JSON message members, shared by the protocol servers: a member
// of the wrong type is a FieldError naming where it is, never a library exception.
#ifndef BRIGHTWATER_PROTOCOL_JSON_FIELDS_H
#define BRIGHTWATER_PROTOCOL_JSON_FIELDS_H

#include <cstdint>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>

namespace protocol {

// A member that is missing or has the wrong type; the server answers it as bad
// parameters.
class FieldError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The member `key` of `object` when it has the type the name says; otherwise a
// FieldError naming `path`.key. Integers are the protocols' 32-bit ones.
std::string StringField(const nlohmann::json& object, const char* key, const std::string& path);
std::int64_t IntegerField(const nlohmann::json& object, const char* key, const std::string& path);
bool BooleanField(const nlohmann::json& object, const char* key, const std::string& path);
double NumberField(const nlohmann::json& object, const char* key, const std::string& path);
const nlohmann::json& ObjectField(const nlohmann::json& object, const char* key,
                                  const std::string& path);
const nlohmann::json& ArrayField(const nlohmann::json& object, const char* key,
                                 const std::string& path);

// Whether `object` has the member `key` with a value other than null (optional
// members: absent and null both leave the default).
bool HasField(const nlohmann::json& object, const char* key);

// Parses a message body; a body nested deeper than `maxDepth` arrays and
// objects is refused like malformed JSON, since copying or printing such a
// value recurses once per level. Discarded (is_discarded()) on failure, with
// `problem` saying why.
nlohmann::json ParseMessage(const std::string& body, int maxDepth, std::string& problem);

}  // namespace protocol

#endif  // BRIGHTWATER_PROTOCOL_JSON_FIELDS_H
