#pragma once
// Windows paths as the program's own module gives them.
#include <string>
#include <string_view>

namespace velmora {

struct SplitPath {
  std::string folder;  // without the trailing backslash; "" for a bare name
  std::string file;
};

inline SplitPath SplitModulePath(std::string_view path) {
  const auto slash = path.find_last_of("\\/");
  if (slash == std::string_view::npos) return {"", std::string(path)};
  return {std::string(path.substr(0, slash)), std::string(path.substr(slash + 1))};
}

}  // namespace velmora
