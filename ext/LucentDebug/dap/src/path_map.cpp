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
