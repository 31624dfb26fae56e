// One bit per pixel: the dark pixels of a page being straightened, and the coverage of a canvas
// or the mask of a piece during composition.
//
// Layout: rows of ((width + 31) / 32) * 4 bytes, pixel x of row y is bit (x mod 8), least
// significant first, of byte y * bytesPerLine + x / 8. A new image is all clear.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tessaly::stitch {

class BitImage {
 public:
  BitImage() = default;
  // Throws QX_ERR_SETUP when the size does not fit in memory.
  BitImage(int32_t width, int32_t height);

  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  int32_t bytesPerLine() const { return bytesPerLine_; }

  bool test(int32_t x, int32_t y) const { return (byteOf(x, y) >> (x & 7)) & 1u; }
  void set(int32_t x, int32_t y) { bits_[index(x, y)] |= static_cast<uint8_t>(1u << (x & 7)); }
  void clear(int32_t x, int32_t y) { bits_[index(x, y)] &= static_cast<uint8_t>(~(1u << (x & 7))); }
  // Sets or clears the pixels [x0, x1) of row y.
  void setRun(int32_t y, int32_t x0, int32_t x1);
  void clearRun(int32_t y, int32_t x0, int32_t x1);

  // True when every pixel [x0, x1) of row y is set (also for an empty span).
  bool allSet(int32_t y, int32_t x0, int32_t x1) const;
  // Number of set pixels in rows [y0, y1) of column x.
  int64_t countInColumn(int32_t x, int32_t y0, int32_t y1) const;
  // Number of set pixels in the whole image.
  int64_t count() const;

  const uint8_t* row(int32_t y) const {
    return bits_.data() + static_cast<size_t>(y) * bytesPerLine_;
  }

 private:
  size_t index(int32_t x, int32_t y) const {
    return static_cast<size_t>(y) * bytesPerLine_ + static_cast<size_t>(x >> 3);
  }
  uint8_t byteOf(int32_t x, int32_t y) const { return bits_[index(x, y)]; }

  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t bytesPerLine_ = 0;
  std::vector<uint8_t> bits_;
};

// The bit image turned by a quarter turn: output row i is source column i read from the bottom
// row up, so the output is height wide and width high.
BitImage quarterTurn(const BitImage& source);

}  // namespace tessaly::stitch
