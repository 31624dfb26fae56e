#include "quarter_turn.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace tessaly::cli {

namespace {

uint8_t* pixelAt(PixelRows rows, int32_t row, int32_t column) {
  return rows.bytes + int64_t{row} * rows.stride + int64_t{column} * 3;
}

}  // namespace

void turnedSize(int32_t width, int32_t height, int turns, int32_t& turnedWidth,
                int32_t& turnedHeight) {
  const bool swaps = turns % 2 != 0;
  turnedWidth = swaps ? height : width;
  turnedHeight = swaps ? width : height;
}

void turnBandInto(const uint8_t* band, int32_t bandStride, int32_t firstRow, int32_t rows,
                  int32_t sourceWidth, int32_t sourceHeight, int turns, PixelRows target) {
  // Source pixel (x, y) lands at:
  //   one turn:    target row (width - 1 - x), column y
  //   two turns:   target row (height - 1 - y), column (width - 1 - x)
  //   three turns: target row x, column (height - 1 - y)
  // The column loop is outermost for the odd turns so that each target row is written in one
  // short run per band.
  if (turns == 2) {
    for (int32_t i = 0; i < rows; ++i) {
      const uint8_t* from = band + int64_t{i} * bandStride;
      uint8_t* to = pixelAt(target, sourceHeight - 1 - (firstRow + i), sourceWidth - 1);
      for (int32_t x = 0; x < sourceWidth; ++x, from += 3, to -= 3) std::memcpy(to, from, 3);
    }
    return;
  }
  for (int32_t x = 0; x < sourceWidth; ++x) {
    const int32_t row = turns == 1 ? sourceWidth - 1 - x : x;
    for (int32_t i = 0; i < rows; ++i) {
      const int32_t y = firstRow + i;
      const int32_t column = turns == 1 ? y : sourceHeight - 1 - y;
      std::memcpy(pixelAt(target, row, column), band + int64_t{i} * bandStride + x * 3, 3);
    }
  }
}

void turnHalfInPlace(PixelRows image, int32_t width, int32_t height) {
  // Pixel (x, y) trades places with (width - 1 - x, height - 1 - y); the middle row of an odd
  // height trades within itself.
  for (int32_t y = 0; y <= (height - 1) / 2; ++y) {
    const int32_t mirrorY = height - 1 - y;
    const int32_t columns = y == mirrorY ? width / 2 : width;
    for (int32_t x = 0; x < columns; ++x) {
      uint8_t* a = pixelAt(image, y, x);
      uint8_t* b = pixelAt(image, mirrorY, width - 1 - x);
      std::swap_ranges(a, a + 3, b);
    }
  }
}

}  // namespace tessaly::cli
