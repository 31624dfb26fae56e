#include "temp_dir.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "bmp_writer.h"

namespace tessaly::stitch::test {

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  hadTmpdir_ = base != nullptr;
  if (hadTmpdir_) previousTmpdir_ = base;
  std::string pattern =
      std::filesystem::temp_directory_path().string() + "/tessaly-stitch-test-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
  ::setenv("TMPDIR", path_.c_str(), 1);
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
  if (hadTmpdir_)
    ::setenv("TMPDIR", previousTmpdir_.c_str(), 1);
  else
    ::unsetenv("TMPDIR");
}

namespace {

void setWriteTime(const std::string& path, long seconds, long nanoseconds) {
  const struct timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
  if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0)
    throw std::runtime_error("utimensat failed");
}

}  // namespace

void writePieceFile(const std::string& path, const Picture& picture, long seconds,
                    long nanoseconds) {
  Picture copy = picture;
  const tagPixelArray view = copy.view();
  setWriteTime(tessaly::stitch::writeBmp(path, view), seconds, nanoseconds);
}

void touchFile(const std::string& path, long seconds, long nanoseconds) {
  std::ofstream(path, std::ios::binary | std::ios::trunc).flush();
  setWriteTime(path, seconds, nanoseconds);
}

}  // namespace tessaly::stitch::test
