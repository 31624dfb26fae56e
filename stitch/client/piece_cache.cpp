#include "piece_cache.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "pixel_block.h"

namespace tessaly::stitch::client {

namespace {

// Moves all `bytes` through pread or pwrite, however many calls it takes.
template <typename Buffer, typename Transfer>
bool transferAll(int fd, Buffer* data, int64_t bytes, off_t at, Transfer transfer) {
  while (bytes > 0) {
    const ssize_t n = transfer(fd, data, size_t(bytes), at);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    bytes -= n;
    at += n;
  }
  return true;
}

// An unnamed file in folder: O_TMPFILE where the file system has it, else a named one that is
// unlinked at once.
int openUnnamedFile(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd >= 0) return fd;
  std::string pattern = folder + "/pieces-XXXXXX";
  fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd >= 0) ::unlink(pattern.c_str());
  return fd;
}

// Rounds bytes up to whole pages, so that the room after it starts on a page boundary.
int64_t wholePages(int64_t bytes) {
  static const int64_t page = [] {
    const long size = ::sysconf(_SC_PAGESIZE);
    return size > 0 ? int64_t{size} : int64_t{4096};
  }();
  return (bytes + page - 1) / page * page;
}

}  // namespace

PieceCache::~PieceCache() {
  if (fd_ >= 0) ::close(fd_);
}

bool PieceCache::open(const std::string& folder) {
  if (fd_ >= 0) return true;
  fd_ = openUnnamedFile(folder);
  return fd_ >= 0;
}

bool PieceCache::reserve(int key, int64_t bytes) {
  const std::lock_guard lock(mutex_);
  return reserveLocked(key, bytes);
}

bool PieceCache::reserveLocked(int key, int64_t bytes) {
  if (fd_ < 0 || bytes <= 0) return false;
  Slot& slot = slots_[key];
  slot.width = slot.height = slot.bytesPerLine = 0;
  if (slot.capacity >= bytes) return true;
  // Room is only ever added at the end; a piece outgrowing its room gets new room.
  slot.offset = end_;
  slot.capacity = wholePages(bytes);
  end_ += off_t(slot.capacity);
  return true;
}

bool PieceCache::store(int key, const tagPixelArray& image) {
  const int64_t bytes = int64_t{image.bytesPerLine} * image.height;
  off_t offset = 0;
  {
    const std::lock_guard lock(mutex_);
    const auto it = slots_.find(key);
    if ((it == slots_.end() || it->second.capacity < bytes) && !reserveLocked(key, bytes))
      return false;
    Slot& slot = slots_[key];
    slot.width = 0;  // not usable until completely written
    offset = slot.offset;
  }
  if (!transferAll(fd_, image.bits, bytes, offset, ::pwrite)) return false;
  const std::lock_guard lock(mutex_);
  Slot& slot = slots_[key];
  slot.width = image.width;
  slot.height = image.height;
  slot.bytesPerLine = image.bytesPerLine;
  return true;
}

void PieceCache::forget(int key) {
  const std::lock_guard lock(mutex_);
  const auto it = slots_.find(key);
  if (it != slots_.end()) it->second.width = 0;
}

bool PieceCache::filledSlot(int key, Slot& slot) const {
  const std::lock_guard lock(mutex_);
  const auto it = slots_.find(key);
  if (fd_ < 0 || it == slots_.end() || it->second.width == 0) return false;
  slot = it->second;
  return true;
}

bool PieceCache::find(int key, int32_t& width, int32_t& height, int32_t& bytesPerLine) const {
  Slot slot;
  if (!filledSlot(key, slot)) return false;
  width = slot.width;
  height = slot.height;
  bytesPerLine = slot.bytesPerLine;
  return true;
}

tagPixelArray* PieceCache::mapImage(int key) const {
  Slot slot;
  if (!filledSlot(key, slot)) return nullptr;
  if (slot.bytesPerLine != rowBytesFor(slot.width)) return nullptr;
  return mapPixelArray(fd_, slot.offset, slot.width, slot.height);
}

bool PieceCache::readRows(int key, int32_t firstRow, int32_t rows, uint8_t* to) const {
  Slot slot;
  if (!filledSlot(key, slot)) return false;
  if (firstRow < 0 || rows < 0 || int64_t{firstRow} + rows > slot.height) return false;
  const int64_t stride = slot.bytesPerLine;
  return transferAll(fd_, to, stride * rows, slot.offset + off_t(stride * firstRow), ::pread);
}

}  // namespace tessaly::stitch::client
