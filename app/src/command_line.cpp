#include "command_line.h"

#include <filesystem>

namespace tessaly::app {

std::vector<std::string> resolveCommandLineFiles(const std::vector<std::string>& arguments,
                                                 const std::string& workingFolder) {
  namespace fs = std::filesystem;
  std::vector<std::string> files;
  fs::path lastFolder = workingFolder;
  for (const std::string& argument : arguments) {
    if (argument.empty()) continue;
    fs::path path(argument);
    if (path.is_absolute()) {
      lastFolder = path.parent_path();
    } else {
      path = lastFolder / path;
    }
    files.push_back(path.lexically_normal().string());
  }
  return files;
}

}  // namespace tessaly::app
