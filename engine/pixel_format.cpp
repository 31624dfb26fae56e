// Pixel geometry and fill-value spreading.
#include "pixel_format.h"

#include <cstring>

namespace tessaly::engine {

bool isValidBpp(int32_t bitsPerPixel) {
  switch (bitsPerPixel) {
    case 1:
    case 8:
    case 16:
    case 24:
    case 48:
      return true;
    default:
      return false;
  }
}

int32_t bytesPerPixel(int32_t bitsPerPixel) {
  return bitsPerPixel < 9 ? 1 : (bitsPerPixel + 7) / 8;
}

int64_t rowStride(int32_t bitsPerPixel, int64_t width) {
  const int64_t stride = (bytesPerPixel(bitsPerPixel) * width + 3) & ~int64_t{3};
  return stride > INT32_MAX ? -1 : stride;
}

namespace {

void fillColour(unsigned char* row, int64_t count, int bytes, const unsigned char part[3]) {
  // bytes is 3 or 6: the parts go to every byte (24 bits) or every other byte (48 bits).
  const int step = bytes / 3;
  for (int64_t i = 0; i < count; ++i, row += bytes) {
    row[0] = part[0];
    row[step] = part[1];
    row[2 * step] = part[2];
  }
}

}  // namespace

void fillPixels(unsigned char* row, int64_t count, int32_t bitsPerPixel, int32_t value,
                bool inBlock) {
  if (count <= 0) return;
  const int bytes = bytesPerPixel(bitsPerPixel);
  if (bitsPerPixel < 9 || bitsPerPixel == 16) {
    std::memset(row, value & 0xFF, static_cast<size_t>(count * bytes));
    return;
  }
  const unsigned char part[3] = {static_cast<unsigned char>(value >> 16),
                                 static_cast<unsigned char>(value >> 8),
                                 static_cast<unsigned char>(value)};
  // A grey fill (zero above all, which every new target tile gets) is one byte repeated.
  if ((bytes == 3 || (bytes == 6 && inBlock)) && part[0] == part[1] && part[1] == part[2]) {
    std::memset(row, part[0], static_cast<size_t>(count * bytes));
    return;
  }
  if (bytes == 3 || bytes == 6) {
    fillColour(row, count, bytes, part);
    return;
  }
  std::memset(row, value & 0xFF, static_cast<size_t>(count * bytes));
}

void fillArea(unsigned char* first, int64_t stride, int64_t count, int64_t height,
              int32_t bitsPerPixel, int32_t value, bool inBlock) {
  for (int64_t y = 0; y < height; ++y)
    fillPixels(first + y * stride, count, bitsPerPixel, value, inBlock);
}

}  // namespace tessaly::engine
