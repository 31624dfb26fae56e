#include "work_folder.h"

#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "QuiltexEngine.h"
#include "exit_codes.h"

namespace tessaly::cli::stitch {

namespace {

std::string baseTemporaryFolder() {
  const char* tmpdir = std::getenv("TMPDIR");
  std::string base = tmpdir != nullptr && *tmpdir != '\0' ? tmpdir : "/tmp";
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  return base;
}

}  // namespace

WorkFolder::WorkFolder() {
  if (const char* tmpdir = std::getenv("TMPDIR")) previousTmpdir_ = tmpdir;
  std::string pattern = baseTemporaryFolder() + "/tessaly-stitch-XXXXXX";
  // The engine's file names under this folder must fit its name buffers.
  if (pattern.size() + 40 >= QX_NAME_BUFFER) {
    throw Failure(ExitCode::Setup, "the temporary folder '" + baseTemporaryFolder() +
                                       "' has too long a path; point TMPDIR at a shorter one");
  }
  if (::mkdtemp(pattern.data()) == nullptr) {
    throw Failure(ExitCode::Setup, "cannot make a temporary folder in '" + baseTemporaryFolder() +
                                       "': " + std::strerror(errno) +
                                       "; point TMPDIR at a folder you can write to");
  }
  path_ = pattern;
  ::setenv("TMPDIR", path_.c_str(), 1);
}

WorkFolder::~WorkFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
  if (previousTmpdir_)
    ::setenv("TMPDIR", previousTmpdir_->c_str(), 1);
  else
    ::unsetenv("TMPDIR");
}

}  // namespace tessaly::cli::stitch
