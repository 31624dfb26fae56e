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
  line_.assign(static_cast<size_t>(shape_.bytesPerLine), 0);
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

bool FrameReader::readLine(unsigned char* line) {
  const auto size = static_cast<size_t>(shape_.bytesPerLine);
  if (!whole_.empty() || shape_.lines == 0) {
    if (wholeAt_ + size > whole_.size()) return false;
    std::memcpy(line, whole_.data() + wholeAt_, size);
    wholeAt_ += size;
    return true;
  }
  return readFully(*device_, line, static_cast<long>(size)) == static_cast<long>(size);
}

bool FrameReader::nextRow(unsigned char* out) {
  if (finished() || !readLine(line_.data())) return false;
  const uint32_t row = rowBytes();
  std::memcpy(out, line_.data(), line_.size());
  std::memset(out + line_.size(), 0, row - line_.size());
  ++rowsDone_;
  return true;
}

}  // namespace tessaly::twain
