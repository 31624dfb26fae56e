#include <algorithm>

#include "plugin_driver.h"

namespace tessaly::test {

Picture pattern(int32_t colorModel, int32_t bits, int32_t width, int32_t height) {
  Picture p;
  p.colorModel = colorModel;
  p.bits = bits;
  p.width = width;
  p.height = height;
  p.rows.resize(size_t(p.rowBytes()) * height);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t i = 0; i < p.rowBytes(); ++i)
      p.rows[size_t(y) * p.rowBytes() + i] =
          uint8_t((i * 7 + y * 13) ^ ((i / 5 + y / 3) % 2 ? 0x5A : 0x00));
  if (colorModel == PLUG_COLOR_INDEXED) {
    p.paletteCount = 256;
    for (int i = 0; i < 256; ++i) p.palette[i] = {uint8_t(i), uint8_t(255 - i), uint8_t(i * 3), 0};
  }
  return p;
}

Picture smooth(int32_t colorModel, int32_t bits, int32_t width, int32_t height) {
  Picture p = pattern(colorModel, bits, width, height);
  const int32_t bytesPerPixel = std::max(bits / 8, 1);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t i = 0; i < p.rowBytes(); ++i)
      p.rows[size_t(y) * p.rowBytes() + i] =
          uint8_t((i / bytesPerPixel) * 200 / width + y * 40 / height + (i % bytesPerPixel) * 5);
  return p;
}

std::vector<uint8_t> truncated(const std::vector<uint8_t>& file, size_t bytes) {
  return std::vector<uint8_t>(file.begin(), file.begin() + std::min(bytes, file.size()));
}

}  // namespace tessaly::test
