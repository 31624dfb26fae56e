// Pictures with a pixel pattern for the units of tessaly-stitch: every pixel differs from its
// neighbours, so a turn or copy that misplaces one shows.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "QuiltexEngine.h"
#include "quarter_turn.h"

namespace tessaly::cli::test {

// A 24-bit picture in rows of the engine's length; every pixel differs from its neighbours.
struct Pattern {
  int32_t width = 0;
  int32_t height = 0;
  int32_t stride = 0;
  std::vector<uint8_t> bytes;

  Pattern(int32_t w, int32_t h, int salt = 0)
      : width(w), height(h), stride(((w * 24 + 31) / 32) * 4), bytes(size_t(stride) * h, 0) {
    for (int32_t y = 0; y < h; ++y) {
      for (int32_t x = 0; x < w; ++x) {
        uint8_t* p = at(x, y);
        p[0] = uint8_t(x * 7 + salt);
        p[1] = uint8_t(y * 13 + salt);
        p[2] = uint8_t((x + 3 * y) * 5);
      }
    }
  }
  uint8_t* at(int32_t x, int32_t y) { return bytes.data() + size_t(y) * stride + size_t(x) * 3; }
  const uint8_t* at(int32_t x, int32_t y) const {
    return bytes.data() + size_t(y) * stride + size_t(x) * 3;
  }
  tagPixelArray view() { return {width, height, stride, bytes.data()}; }
  tessaly::cli::PixelRows rows() { return {bytes.data(), stride}; }

  // The pattern turned once to the left: row r, column c comes from row c, column
  // (width - 1 - r).
  Pattern turnedLeft() const {
    Pattern out(height, width);
    for (int32_t r = 0; r < out.height; ++r) {
      for (int32_t c = 0; c < out.width; ++c) {
        const uint8_t* from = at(width - 1 - r, c);
        std::copy(from, from + 3, out.at(c, r));
      }
    }
    return out;
  }
  Pattern turnedLeft(int turns) const {
    Pattern out = *this;
    for (int i = 0; i < turns; ++i) out = out.turnedLeft();
    return out;
  }

  // True when image shows exactly these pixels (row padding ignored).
  bool sameAs(const tagPixelArray& image) const {
    if (image.width != width || image.height != height) return false;
    for (int32_t y = 0; y < height; ++y) {
      const uint8_t* row = image.bits + int64_t{y} * image.bytesPerLine;
      if (!std::equal(row, row + size_t(width) * 3, at(0, y))) return false;
    }
    return true;
  }
};

}  // namespace tessaly::cli::test
