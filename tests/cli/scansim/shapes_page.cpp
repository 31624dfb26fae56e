#include "shapes_page.h"

#include <algorithm>
#include <cstdlib>

namespace tessaly::cli::test {

tessaly::cli::BgrImage shapesPage(int32_t width, int32_t height) {
  tessaly::cli::BgrImage page = tessaly::cli::makeImage(width, height, 200);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      uint8_t* p = page.pixel(x, y);
      // Smooth ramps with a checker of dark squares: every place looks different.
      p[0] = uint8_t(40 + 160 * x / width);
      p[1] = uint8_t(40 + 160 * y / height);
      p[2] = ((x / 24 + y / 24) % 2 == 0) ? 60 : 190;
    }
  return page;
}

int largestDifference(const tessaly::cli::BgrImage& a, const tessaly::cli::BgrImage& b,
                      int32_t margin) {
  int largest = 0;
  for (int32_t y = margin; y < a.height - margin; ++y)
    for (int32_t x = margin; x < a.width - margin; ++x)
      for (int ch = 0; ch < 3; ++ch)
        largest = std::max(largest, std::abs(int(a.pixel(x, y)[ch]) - int(b.pixel(x, y)[ch])));
  return largest;
}

}  // namespace tessaly::cli::test
