#include "blend_surface.h"

#include <cstring>

namespace tessaly::stitch {

Surface makeSurface(const RECT& rect, Fill fill) {
  Surface s;
  s.rect = rect;
  s.image = makeImage(rect.right - rect.left, rect.bottom - rect.top, fill);
  s.coverage = BitImage(s.image->width, s.image->height);
  return s;
}

void paintOnto(const Surface& piece, Surface& target) {
  const int32_t width = piece.image->width;
  for (int32_t y = 0; y < piece.image->height; ++y) {
    const int32_t frameY = piece.rect.top + y;
    const uint8_t* from = rowOf(*piece.image, y);
    const int32_t targetY = frameY - target.rect.top;
    uint8_t* to = rowOf(*target.image, targetY) + (piece.rect.left - target.rect.left) * 3;
    const int32_t targetX = piece.rect.left - target.rect.left;
    // Copies runs of held pixels in one go: pieces are mostly whole rows.
    for (int32_t x = 0; x < width;) {
      if (!piece.coverage.test(x, y)) {
        ++x;
        continue;
      }
      const int32_t start = x;
      while (x < width && piece.coverage.test(x, y)) ++x;
      std::memcpy(to + start * 3, from + start * 3, static_cast<size_t>(x - start) * 3);
      target.coverage.setRun(targetY, targetX + start, targetX + x);
    }
  }
}

}  // namespace tessaly::stitch
