#include "straighten_bit_image.h"

#include <bit>
#include <cstring>
#include <limits>

#include "errors.h"

namespace tessaly::stitch {

BitImage::BitImage(int32_t width, int32_t height) {
  if (width < 0 || height < 0) fail(QX_ERR_SETUP);
  const int64_t stride = (static_cast<int64_t>(width) + 31) / 32 * 4;
  const uint64_t bytes = static_cast<uint64_t>(stride) * static_cast<uint64_t>(height);
  if (stride > std::numeric_limits<int32_t>::max() || bytes > (uint64_t{1} << 40))
    fail(QX_ERR_SETUP);
  width_ = width;
  height_ = height;
  bytesPerLine_ = static_cast<int32_t>(stride);
  bits_.assign(static_cast<size_t>(bytes), 0);
}

namespace {

// Fills the bits [x0, x1) of one row with `value`: single bits up to a byte boundary, whole
// bytes, then the tail.
void fillRun(uint8_t* row, int32_t x0, int32_t x1, bool value) {
  const auto put = [&](int32_t x) {
    const auto bit = static_cast<uint8_t>(1u << (x & 7));
    row[x >> 3] = value ? (row[x >> 3] | bit) : (row[x >> 3] & ~bit);
  };
  int32_t x = x0;
  for (; x < x1 && (x & 7) != 0; ++x) put(x);
  if (x + 8 <= x1) {
    const int32_t bytes = (x1 - x) >> 3;
    std::memset(row + (x >> 3), value ? 0xFF : 0, static_cast<size_t>(bytes));
    x += bytes * 8;
  }
  for (; x < x1; ++x) put(x);
}

}  // namespace

void BitImage::setRun(int32_t y, int32_t x0, int32_t x1) {
  fillRun(bits_.data() + index(0, y), x0, x1, true);
}

void BitImage::clearRun(int32_t y, int32_t x0, int32_t x1) {
  fillRun(bits_.data() + index(0, y), x0, x1, false);
}

bool BitImage::allSet(int32_t y, int32_t x0, int32_t x1) const {
  int32_t x = x0;
  // Bit by bit up to a byte boundary, then whole bytes, then the tail.
  for (; x < x1 && (x & 7) != 0; ++x) {
    if (!test(x, y)) return false;
  }
  const uint8_t* bytes = row(y);
  for (; x + 8 <= x1; x += 8) {
    if (bytes[x >> 3] != 0xFF) return false;
  }
  for (; x < x1; ++x) {
    if (!test(x, y)) return false;
  }
  return true;
}

int64_t BitImage::countInColumn(int32_t x, int32_t y0, int32_t y1) const {
  int64_t n = 0;
  for (int32_t y = y0; y < y1; ++y) n += test(x, y);
  return n;
}

int64_t BitImage::count() const {
  int64_t n = 0;
  const int32_t fullBytes = width_ / 8;
  for (int32_t y = 0; y < height_; ++y) {
    const uint8_t* bytes = row(y);
    for (int32_t i = 0; i < fullBytes; ++i) n += std::popcount(bytes[i]);
    for (int32_t x = fullBytes * 8; x < width_; ++x) n += test(x, y);
  }
  return n;
}

BitImage quarterTurn(const BitImage& source) {
  BitImage out(source.height(), source.width());
  for (int32_t y = 0; y < source.height(); ++y) {
    const int32_t outColumn = source.height() - 1 - y;
    for (int32_t x = 0; x < source.width(); ++x) {
      if (source.test(x, y)) out.set(outColumn, x);
    }
  }
  return out;
}

}  // namespace tessaly::stitch
