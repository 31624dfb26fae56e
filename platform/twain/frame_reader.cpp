#include "frame_reader.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace tessaly::twain {
namespace {

// Reads exactly size bytes unless the frame ends or fails: the count read, or -1.
long readFully(SaneDevice& device, unsigned char* buffer, long size) {
  long done = 0;
  while (done < size) {
    const long got = device.read(buffer + done, size - done);
    if (got < 0) return -1;
    if (got == 0) break;
    done += got;
  }
  return done;
}

}  // namespace

bool FrameReader::start(SaneDevice& device) {
  device_ = &device;
  rowsDone_ = 0;
  whole_.clear();
  wholeAt_ = 0;
  if (!device.start(shape_) || rowBytes() == 0) return false;
  if (shape_.lines >= 0) return true;
  // A hand scanner's frame: read it all, then its length is known.
  std::vector<unsigned char> chunk(1 << 16);
  for (;;) {
    const long got = device.read(chunk.data(), static_cast<long>(chunk.size()));
    if (got < 0) return false;
    if (got == 0) break;
    whole_.insert(whole_.end(), chunk.begin(), chunk.begin() + got);
  }
  const size_t lines = whole_.size() / static_cast<size_t>(shape_.bytesPerLine);
  if (lines > static_cast<size_t>(std::numeric_limits<int32_t>::max())) return false;
  shape_.lines = static_cast<int32_t>(lines);
  return true;
}

uint32_t FrameReader::rowBytes() const {
  const uint64_t bits = uint64_t(bitsPerPixel()) * uint64_t(std::max(shape_.width, 0));
  const uint64_t bytes = (bits + 31) / 32 * 4;
  const uint64_t image = bytes * uint64_t(std::max(shape_.lines, 1));
  if (bytes == 0 || bytes < uint64_t(shape_.bytesPerLine) ||
      image > std::numeric_limits<uint32_t>::max())
    return 0;
  return static_cast<uint32_t>(bytes);
}

bool FrameReader::readLines(unsigned char* out, size_t bytes) {
  if (!whole_.empty() || shape_.lines == 0) {
    if (wholeAt_ + bytes > whole_.size()) return false;
    std::memcpy(out, whole_.data() + wholeAt_, bytes);
    wholeAt_ += bytes;
    return true;
  }
  return readFully(*device_, out, static_cast<long>(bytes)) == static_cast<long>(bytes);
}

void FrameReader::drain() {
  if (device_ == nullptr || !whole_.empty() || !finished()) return;
  unsigned char surplus[4096];
  for (int i = 0; i < 16; ++i)
    if (device_->read(surplus, sizeof surplus) <= 0) return;
}

int32_t FrameReader::nextRows(unsigned char* out, int32_t wanted) {
  const int32_t count = std::min(wanted, shape_.lines - rowsDone_);
  if (count <= 0) return 0;
  const auto line = static_cast<size_t>(shape_.bytesPerLine);
  const size_t row = rowBytes();
  if (!readLines(out, size_t(count) * line)) return -1;
  // The lines arrive packed; each moves to its padded row, the last first, so that no line is
  // overwritten before it has moved.
  if (row != line) {
    for (int32_t i = count - 1; i >= 0; --i) {
      unsigned char* target = out + size_t(i) * row;
      std::memmove(target, out + size_t(i) * line, line);
      std::memset(target + line, 0, row - line);
    }
  }
  rowsDone_ += count;
  return count;
}

}  // namespace tessaly::twain
