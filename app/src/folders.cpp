#include "folders.h"

#include <QCoreApplication>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace tessaly::app {
namespace {

namespace fs = std::filesystem;

std::string withSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

std::string homeFolder() {
  const char* home = std::getenv("HOME");
  return withSlash(home && *home ? home : "/");
}

std::string environmentFolder(const char* name, const char* fallbackUnderHome) {
  const char* value = std::getenv(name);
  if (value && *value == '/') return withSlash(value);
  return homeFolder() + fallbackUnderHome;
}

bool makeFolder(const std::string& folder) {
  std::error_code error;
  fs::create_directories(folder, error);
  return fs::is_directory(folder, error);
}

// XDG_PICTURES_DIR="$HOME/Pictures" from user-dirs.dirs, with $HOME expanded; empty if absent.
std::string xdgPicturesEntry() {
  std::ifstream dirs(environmentFolder("XDG_CONFIG_HOME", ".config/") + "user-dirs.dirs");
  std::string line;
  const std::string key = "XDG_PICTURES_DIR=";
  while (std::getline(dirs, line)) {
    if (line.rfind(key, 0) != 0) continue;
    std::string value = line.substr(key.size());
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      value = value.substr(1, value.size() - 2);
    }
    if (value.rfind("$HOME", 0) == 0) {
      std::string home = homeFolder();
      home.pop_back();  // the value goes on with its own "/"
      value = home + value.substr(5);
    }
    // "$HOME/" alone means the home folder itself, which user-dirs uses for "disabled".
    return value.empty() || value[0] != '/' ? std::string() : withSlash(value);
  }
  return {};
}

}  // namespace

std::string programFolder() {
  return withSlash(QCoreApplication::applicationDirPath().toStdString());
}

std::string versionFolderName(const std::string& version) {
  std::string name;
  int separators = 0;
  for (char c : version) {
    if (std::isalnum(static_cast<unsigned char>(c)) || c == ' ') {
      name += c;
    } else if (++separators == 2) {
      break;
    } else {
      name += '.';
    }
  }
  return name;
}

std::string appDataFolder() {
  const std::string folder = environmentFolder("XDG_DATA_HOME", ".local/share/") +
                             "Orlinda/Tessaly/" + versionFolderName(TESSALY_VERSION) + "/";
  return makeFolder(folder) ? folder : std::string();
}

std::string picturesFolder() {
  std::string folder = xdgPicturesEntry();
  if (folder.empty() || folder == homeFolder()) folder = homeFolder() + "Pictures/";
  makeFolder(folder);
  return folder;
}

std::string pictBinFolder() {
  const std::string data = appDataFolder();
  if (data.empty()) return {};
  const std::string folder = data + "PictBin/";
  return makeFolder(folder) ? folder : std::string();
}

std::optional<std::string> uniquePictBinName(const std::string& templateName) {
  const std::string folder = pictBinFolder();
  if (folder.empty()) return std::nullopt;
  std::string base = "Scaned", extension = ".TIF";
  if (!templateName.empty()) {
    const fs::path name(templateName);
    base = name.stem().string();
    extension = name.extension().string();
  }
  for (long n = 1;; ++n) {
    const std::string candidate = folder + base + std::to_string(n) + extension;
    std::error_code error;
    // A dangling link is a name in use too.
    if (!fs::exists(fs::symlink_status(candidate, error))) return candidate;
  }
}

}  // namespace tessaly::app
