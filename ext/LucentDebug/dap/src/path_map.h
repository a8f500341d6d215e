// The attach argument "pathMappings": the server's folders and where the
// editor has the same files. The longest matching prefix wins, compared by
// whole path components, in either direction.
#ifndef LUCENTDEBUG_DAP_PATH_MAP_H
#define LUCENTDEBUG_DAP_PATH_MAP_H

#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

class PathMap {
 public:
  // Reads {"<server prefix>": "<local prefix>", ...}; false with `error` set
  // for any other shape. Null leaves the map empty.
  bool read(const nlohmann::json& mappings, std::string& error);
  void add(const std::string& serverPrefix, const std::string& localPrefix);

  // The editor's path of a file the engine names, and back; paths under no
  // prefix stay as they are.
  std::string toLocal(const std::string& serverPath) const;
  std::string toServer(const std::string& localPath) const;

  // A PHP expression the editor wrote, with each quoted string literal that
  // names one of its files turned into the server's path; literals with
  // escapes or interpolation are left alone.
  std::string toServerInLiterals(const std::string& expression) const;
  // An evaluated string that is a whole server path, as the editor's path.
  std::string valueToLocal(const std::string& value) const;

 private:
  struct Mapping {
    std::string server;
    std::string local;
  };
  static std::string apply(const std::vector<Mapping>& mappings, const std::string& path,
                           bool toLocal);
  std::vector<Mapping> mappings_;
};

#endif  // LUCENTDEBUG_DAP_PATH_MAP_H
