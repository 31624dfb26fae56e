#include "text_page.h"

#include <algorithm>
#include <random>

namespace tessaly::stitch::test {

void fillBox(Picture& picture, int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint8_t grey) {
  for (int32_t y = std::max(y0, 0); y < std::min(y1, picture.height); ++y) {
    for (int32_t x = std::max(x0, 0); x < std::min(x1, picture.width); ++x) {
      uint8_t* p = picture.pixel(x, y);
      p[0] = p[1] = p[2] = grey;
    }
  }
}

Picture makeTextPage(int32_t width, int32_t height, uint32_t seed, int32_t glyph) {
  Picture page(width, height);
  fillBox(page, 0, 0, width, height, 245);
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> letterWidth(glyph / 3, glyph / 2 + 1), lettersPerWord(2, 9);
  std::uniform_int_distribution<int> ink(20, 80), coin(0, 3);
  const int32_t marginX = width / 25, marginY = height / 25;
  for (int32_t top = marginY; top + glyph < height - marginY; top += glyph * 9 / 5) {
    int32_t x = marginX;
    while (x < width - marginX - glyph) {
      const int letters = lettersPerWord(rng);
      for (int i = 0; i < letters && x < width - marginX - glyph; ++i) {
        const int32_t w = letterWidth(rng);
        const auto v = static_cast<uint8_t>(ink(rng));
        // Short letters sit on the line; a few reach higher, as ascenders do.
        const int32_t letterTop = top + (coin(rng) == 0 ? 0 : glyph / 3);
        fillBox(page, x, letterTop, x + w, top + glyph, v);
        if (coin(rng) != 0)
          fillBox(page, x + w / 3, letterTop + 2, x + w - w / 3, top + glyph - 2, 245);
        x += w + std::max(2, glyph / 5);
      }
      x += glyph;  // space between words
    }
  }
  return page;
}

}  // namespace tessaly::stitch::test
