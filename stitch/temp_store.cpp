#include "temp_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "QuiltexEngine.h"
#include "errors.h"

namespace tessaly::stitch {

namespace {

std::string systemTempPath() {
  const char* dir = std::getenv("TMPDIR");
  std::string path = (dir != nullptr && *dir != '\0') ? dir : "/tmp";
  if (path.back() != '/') path += '/';
  return path;
}

}  // namespace

TempStore& TempStore::instance() {
  static TempStore store;
  return store;
}

void TempStore::prepare(const void* owner, int capacity) {
  // A session that aligns again after a failure keeps the pieces it already turned; another
  // session's leftovers are deleted.
  if (owner != owner_) {
    empty(owner_);
    files_.clear();
  }
  folder_ = systemTempPath() + "StitchEngine_Tmp/";
  // Every path in the store must fit the caller's name buffers.
  if (folder_.size() + 16 >= QX_NAME_BUFFER) fail(QX_ERR_SETUP);
  if (::mkdir(folder_.c_str(), 0700) != 0 && errno != EEXIST) fail(QX_ERR_SETUP);
  files_.reserve(capacity);
  capacity_ = static_cast<size_t>(capacity);
  owner_ = owner;
}

std::string TempStore::takeFile() {
  // A piece is written at most once per alignment, so the list never outgrows its capacity.
  if (files_.size() >= capacity_) fail(QX_ERR_SETUP);
  for (;; ++counter_) {
    const std::string path = folder_ + std::to_string(counter_) + ".bmp";
    const int fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
      ::close(fd);
      files_.push_back(counter_++);
      return path;
    }
    if (errno != EEXIST) fail(QX_ERR_SETUP);
  }
}

void TempStore::empty(const void* owner) {
  if (owner == nullptr || owner != owner_) return;
  for (int number : files_) std::remove((folder_ + std::to_string(number) + ".bmp").c_str());
  files_.clear();
  capacity_ = 0;
  ::rmdir(folder_.c_str());
  owner_ = nullptr;
}

}  // namespace tessaly::stitch
