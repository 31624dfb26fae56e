// A private home for one test: HOME, XDG_DATA_HOME and XDG_CONFIG_HOME point into a fresh
// temporary folder while the object lives.
#pragma once

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "temp_folder.h"

namespace app_test {

class UserFolders {
 public:
  UserFolders() {
    set("HOME", home_.path());
    set("XDG_DATA_HOME", home_.file("data"));
    set("XDG_CONFIG_HOME", home_.file("config"));
  }
  ~UserFolders() {
    for (const auto& [name, value] : saved_) {
      value.empty() ? ::unsetenv(name.c_str()) : ::setenv(name.c_str(), value.c_str(), 1);
    }
  }
  UserFolders(const UserFolders&) = delete;
  UserFolders& operator=(const UserFolders&) = delete;

  std::string home() const { return home_.path(); }
  std::string file(const std::string& name) const { return home_.file(name); }
  // The same variables for a child process.
  std::vector<std::pair<std::string, std::string>> environment() const {
    return {{"HOME", home_.path()},
            {"XDG_DATA_HOME", home_.file("data")},
            {"XDG_CONFIG_HOME", home_.file("config")}};
  }

 private:
  void set(const char* name, const std::string& value) {
    const char* old = std::getenv(name);
    saved_.emplace_back(name, old ? old : "");
    ::setenv(name, value.c_str(), 1);
  }

  tessaly::test::TempFolder home_{"tessaly-app-"};
  std::vector<std::pair<std::string, std::string>> saved_;
};

}  // namespace app_test
