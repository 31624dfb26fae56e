#include "staged_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tessaly::cli {

namespace {

mode_t newFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

std::string baseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string folderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

StagedFile::StagedFile(std::string path) : path_(std::move(path)) {
  std::string pattern = folderOf(path_) + "/." + baseName(path_) + ".part-XXXXXX";
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) {
    error_ = std::strerror(errno);
    return;
  }
  ::close(fd);
  temporary_ = pattern;
}

StagedFile::~StagedFile() {
  if (!committed_ && !temporary_.empty()) ::unlink(temporary_.c_str());
}

bool StagedFile::commit() {
  if (temporary_.empty() || committed_) return committed_;
  ::chmod(temporary_.c_str(), newFileMode());
  if (std::rename(temporary_.c_str(), path_.c_str()) != 0) {
    error_ = std::strerror(errno);
    return false;
  }
  committed_ = true;
  return true;
}

std::string writeTextFile(const std::string& path, const std::string& text) {
  StagedFile staged(path);
  if (!staged.ready()) return staged.error();
  std::FILE* file = std::fopen(staged.temporaryPath().c_str(), "wb");
  if (file == nullptr) return std::strerror(errno);
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  const int writeErrno = errno;
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) return std::strerror(written ? errno : writeErrno);
  return staged.commit() ? std::string() : staged.error();
}

}  // namespace tessaly::cli
