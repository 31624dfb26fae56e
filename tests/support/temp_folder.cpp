#include "temp_folder.h"

#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace tessaly::test {

TempFolder::TempFolder(const std::string& prefix) {
  // $TMPDIR when it names a folder, else /tmp.
  std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("cannot make a temporary folder " + pattern + ": " +
                             std::strerror(errno));
  }
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

TmpdirOverride::TmpdirOverride(const std::string& folder) {
  if (const char* tmpdir = std::getenv("TMPDIR")) previous_ = tmpdir;
  ::setenv("TMPDIR", folder.c_str(), 1);
}

TmpdirOverride::~TmpdirOverride() {
  if (previous_)
    ::setenv("TMPDIR", previous_->c_str(), 1);
  else
    ::unsetenv("TMPDIR");
}

}  // namespace tessaly::test
