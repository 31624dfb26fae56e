// A device for view tests: a 24-bit canvas in memory that records what the engine draws on it,
// with the raster operations applied as a screen would.
#pragma once

#include <cstdint>
#include <vector>

#include "zanengin.h"

namespace tessaly::engine::test {

class Canvas {
 public:
  Canvas(int32_t width, int32_t height, unsigned char byte = 0);
  const ZanDevice* device() const { return &device_; }
  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  // Blue, green, red of the pixel.
  const unsigned char* pixel(int32_t x, int32_t y) const {
    return bytes_.data() + (static_cast<size_t>(y) * width_ + x) * 3;
  }
  const std::vector<unsigned char>& bytes() const { return bytes_; }
  int32_t calls() const { return calls_; }

 private:
  static int32_t display(void* context, int32_t x, int32_t y, const ZanDisplayBitmap* bitmap,
                         uint32_t rasterOp);
  int32_t width_;
  int32_t height_;
  std::vector<unsigned char> bytes_;
  int32_t calls_ = 0;
  ZanDevice device_;
};

}  // namespace tessaly::engine::test
