#include "path_map.h"

namespace {
// Prefixes are kept without a trailing slash (the root stays "/").
std::string Folder(std::string prefix) {
  while (prefix.size() > 1 && prefix.back() == '/') prefix.pop_back();
  return prefix;
}

// The length of `prefix` in `path` when it is a whole-component prefix, else -1.
long MatchLength(const std::string& prefix, const std::string& path) {
  if (path.compare(0, prefix.size(), prefix) != 0) return -1;
  if (path.size() == prefix.size() || prefix == "/" || path[prefix.size()] == '/') {
    return static_cast<long>(prefix.size());
  }
  return -1;
}
// Characters that would change what a literal between `quote`s means.
bool HasSpecials(const std::string& text, char quote) {
  const char* specials = quote == '"' ? "\"\\$" : "'\\";
  return text.find_first_of(specials) != std::string::npos;
}
}  // namespace

bool PathMap::read(const nlohmann::json& mappings, std::string& error) {
  if (mappings.is_null()) return true;
  if (!mappings.is_object()) {
    error = "\"pathMappings\" must be an object of server path prefix to local path prefix";
    return false;
  }
  for (const auto& [server, local] : mappings.items()) {
    if (!local.is_string() || server.empty() || local.get<std::string>().empty()) {
      error = "\"pathMappings\" of " + server + " must be a non-empty path";
      return false;
    }
    add(server, local.get<std::string>());
  }
  return true;
}

void PathMap::add(const std::string& serverPrefix, const std::string& localPrefix) {
  mappings_.push_back({Folder(serverPrefix), Folder(localPrefix)});
}

std::string PathMap::apply(const std::vector<Mapping>& mappings, const std::string& path,
                           bool toLocal) {
  const Mapping* best = nullptr;
  long bestLength = -1;
  for (const Mapping& mapping : mappings) {
    long length = MatchLength(toLocal ? mapping.server : mapping.local, path);
    if (length > bestLength) {
      best = &mapping;
      bestLength = length;
    }
  }
  if (!best) return path;
  const std::string& to = toLocal ? best->local : best->server;
  std::string rest = path.substr(static_cast<size_t>(bestLength));
  // Mapping the root ("/") leaves the rest without its leading slash.
  if (!rest.empty() && rest[0] != '/' && to != "/") rest = "/" + rest;
  if (to == "/" && !rest.empty() && rest[0] == '/') return rest;
  return to + rest;
}

std::string PathMap::toLocal(const std::string& serverPath) const {
  return apply(mappings_, serverPath, true);
}

std::string PathMap::toServer(const std::string& localPath) const {
  return apply(mappings_, localPath, false);
}

std::string PathMap::toServerInLiterals(const std::string& expression) const {
  if (mappings_.empty()) return expression;
  std::string result;
  size_t i = 0;
  while (i < expression.size()) {
    const char quote = expression[i];
    if (quote != '\'' && quote != '"') {
      result += expression[i++];
      continue;
    }
    // The literal's end, skipping escaped characters.
    size_t end = i + 1;
    while (end < expression.size() && expression[end] != quote) {
      end += expression[end] == '\\' ? 2 : 1;
    }
    if (end >= expression.size()) return result + expression.substr(i);
    std::string text = expression.substr(i + 1, end - i - 1);
    if (!text.empty() && text[0] == '/' && !HasSpecials(text, quote)) {
      std::string server = toServer(text);
      if (!HasSpecials(server, quote)) text = server;
    }
    result += quote + text + quote;
    i = end + 1;
  }
  return result;
}

std::string PathMap::valueToLocal(const std::string& value) const {
  return !value.empty() && value[0] == '/' ? toLocal(value) : value;
}
