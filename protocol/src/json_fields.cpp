// Member checks. Messages are read in place: a body can hold a whole document.
#include "json_fields.h"

using nlohmann::json;

namespace protocol {

namespace {

const json& Member(const json& object, const char* key, const std::string& path) {
  if (!object.is_object()) {
    throw FieldError(path + " is not an object");
  }
  const auto found = object.find(key);
  if (found == object.end()) {
    throw FieldError("missing " + path + "." + key);
  }
  return *found;
}

[[noreturn]] void WrongType(const std::string& path, const char* key, const char* type) {
  throw FieldError(path + "." + key + " must be " + type);
}

// Stops the parser at the first array or object deeper than the limit.
class DepthExceeded : public std::exception {};

}  // namespace

std::string StringField(const json& object, const char* key, const std::string& path) {
  const json& value = Member(object, key, path);
  if (!value.is_string()) {
    WrongType(path, key, "a string");
  }
  return value.get<std::string>();
}

std::int64_t IntegerField(const json& object, const char* key, const std::string& path) {
  const json& value = Member(object, key, path);
  // Protocol integers are 32-bit; a larger or fractional number is no integer of it.
  if (!value.is_number_integer() || value.get<std::int64_t>() < INT32_MIN ||
      (value.is_number_unsigned() && value.get<std::uint64_t>() > INT32_MAX) ||
      value.get<std::int64_t>() > INT32_MAX) {
    WrongType(path, key, "an integer");
  }
  return value.get<std::int64_t>();
}

bool BooleanField(const json& object, const char* key, const std::string& path) {
  const json& value = Member(object, key, path);
  if (!value.is_boolean()) {
    WrongType(path, key, "a boolean");
  }
  return value.get<bool>();
}

double NumberField(const json& object, const char* key, const std::string& path) {
  const json& value = Member(object, key, path);
  if (!value.is_number()) {
    WrongType(path, key, "a number");
  }
  return value.get<double>();
}

const json& ObjectField(const json& object, const char* key, const std::string& path) {
  const json& value = Member(object, key, path);
  if (!value.is_object()) {
    WrongType(path, key, "an object");
  }
  return value;
}

const json& ArrayField(const json& object, const char* key, const std::string& path) {
  const json& value = Member(object, key, path);
  if (!value.is_array()) {
    WrongType(path, key, "an array");
  }
  return value;
}

bool HasField(const json& object, const char* key) {
  if (!object.is_object()) {
    return false;
  }
  const auto found = object.find(key);
  return found != object.end() && !found->is_null();
}

json ParseMessage(const std::string& body, int maxDepth, std::string& problem) {
  const json::parser_callback_t limit = [maxDepth](int depth, json::parse_event_t event, json&) {
    if ((event == json::parse_event_t::object_start || event == json::parse_event_t::array_start) &&
        depth >= maxDepth) {
      throw DepthExceeded();
    }
    return true;
  };
  try {
    json message = json::parse(body, limit, false);
    if (message.is_discarded()) {
      problem = "message is not valid JSON";
    }
    return message;
  } catch (const DepthExceeded&) {
    problem = "message is nested deeper than " + std::to_string(maxDepth) + " levels";
    return json(json::value_t::discarded);
  }
}

}  // namespace protocol
