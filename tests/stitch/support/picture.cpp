#include "picture.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

#include "levels.h"

namespace tessaly::stitch::test {

Picture::Picture(int32_t w, int32_t h, int32_t rowStride)
    : width(w),
      height(h),
      stride(rowStride != 0 ? rowStride : ((w * 24 + 31) / 32) * 4),
      bytes(static_cast<size_t>(stride) * h, 255) {}

Picture Picture::fromArray(const tagPixelArray& image) {
  Picture p(image.width, image.height);
  for (int32_t y = 0; y < image.height; ++y) {
    std::memcpy(p.pixel(0, y), image.bits + static_cast<size_t>(y) * image.bytesPerLine,
                static_cast<size_t>(image.width) * 3);
  }
  return p;
}

bool Picture::samePixels(const Picture& other) const {
  if (width != other.width || height != other.height) return false;
  for (int32_t y = 0; y < height; ++y) {
    if (std::memcmp(pixel(0, y), other.pixel(0, y), static_cast<size_t>(width) * 3) != 0)
      return false;
  }
  return true;
}

namespace {

void fillRect(Picture& p, int x0, int y0, int x1, int y1, uint8_t b, uint8_t g, uint8_t r) {
  x0 = std::max(x0, 0);
  y0 = std::max(y0, 0);
  x1 = std::min(x1, p.width);
  y1 = std::min(y1, p.height);
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      uint8_t* px = p.pixel(x, y);
      px[0] = b;
      px[1] = g;
      px[2] = r;
    }
  }
}

void fillDisc(Picture& p, int cx, int cy, int radius, uint8_t b, uint8_t g, uint8_t r) {
  for (int y = cy - radius; y <= cy + radius; ++y) {
    for (int x = cx - radius; x <= cx + radius; ++x) {
      if (x < 0 || y < 0 || x >= p.width || y >= p.height) continue;
      if ((x - cx) * (x - cx) + (y - cy) * (y - cy) > radius * radius) continue;
      uint8_t* px = p.pixel(x, y);
      px[0] = b;
      px[1] = g;
      px[2] = r;
    }
  }
}

// A line of "words": short dark strokes of glyph height h with gaps, starting at (x, y).
void drawTextLine(Picture& p, std::mt19937& rng, int x, int y, int endX, int h) {
  std::uniform_int_distribution<int> glyph(h / 3 + 1, h);
  std::uniform_int_distribution<int> word(2, 8);
  std::uniform_int_distribution<int> ink(10, 70);
  while (x < endX) {
    const int letters = word(rng);
    for (int i = 0; i < letters && x < endX; ++i) {
      const int w = glyph(rng) / 2 + 1;
      const int top = y + (h - glyph(rng));
      const uint8_t v = static_cast<uint8_t>(ink(rng));
      fillRect(p, x, top, x + std::max(1, w / 3), y + h, v, v, v);    // stem
      fillRect(p, x, top, x + w, top + std::max(1, h / 6), v, v, v);  // bar
      x += w + std::max(1, h / 5);
    }
    x += h;  // word gap
  }
}

}  // namespace

Picture makeTexturedPage(int32_t width, int32_t height, uint32_t seed) {
  Picture page(width, height);
  std::mt19937 rng(seed);
  fillRect(page, 0, 0, width, height, 236, 240, 244);  // paper

  std::uniform_int_distribution<int> coin(0, 99);
  std::uniform_int_distribution<int> shade(40, 220);
  // Filled shapes: a picture region's worth of colour and large-scale structure.
  const int shapes = std::max(6, width * height / 20000);
  for (int i = 0; i < shapes; ++i) {
    const int cx = static_cast<int>(rng() % width), cy = static_cast<int>(rng() % height);
    const int size = 4 + static_cast<int>(rng() % std::max(8, std::min(width, height) / 8));
    const auto b = static_cast<uint8_t>(shade(rng)), g = static_cast<uint8_t>(shade(rng)),
               r = static_cast<uint8_t>(shade(rng));
    if (coin(rng) < 50)
      fillDisc(page, cx, cy, size / 2, b, g, r);
    else
      fillRect(page, cx, cy, cx + size, cy + size * 2 / 3, b, g, r);
  }
  // Text blocks in several sizes with ruled lines between them.
  int y = 4;
  while (y < height - 8) {
    const int h = 4 + static_cast<int>(rng() % 12);
    const int left = static_cast<int>(rng() % std::max(1, width / 10));
    drawTextLine(page, rng, left, y, width - static_cast<int>(rng() % std::max(1, width / 8)), h);
    y += h + h / 2 + 2;
    if (coin(rng) < 15) {
      fillRect(page, 0, y, width, y + 1 + static_cast<int>(rng() % 2), 90, 60, 40);
      y += 4;
    }
  }
  // A little sensor noise so that no region is perfectly flat.
  std::uniform_int_distribution<int> noise(-3, 3);
  for (int32_t yy = 0; yy < height; ++yy) {
    uint8_t* row = page.pixel(0, yy);
    for (int32_t i = 0; i < width * 3; ++i)
      row[i] = static_cast<uint8_t>(std::clamp(row[i] + noise(rng), 0, 255));
  }
  return page;
}

Picture cutPiece(const Picture& page, double centreX, double centreY, int32_t width, int32_t height,
                 double angleDegrees, int brightness) {
  Picture piece(width, height);
  const double t = angleDegrees * M_PI / 180.0, c = std::cos(t), s = std::sin(t);
  const double cu = (width - 1) / 2.0, cv = (height - 1) / 2.0;
  for (int32_t v = 0; v < height; ++v) {
    for (int32_t u = 0; u < width; ++u) {
      const double x = c * (u - cu) - s * (v - cv) + centreX;
      const double y = s * (u - cu) + c * (v - cv) + centreY;
      const double xc = std::clamp(x, 0.0, page.width - 1.001),
                   yc = std::clamp(y, 0.0, page.height - 1.001);
      const int x0 = static_cast<int>(xc), y0 = static_cast<int>(yc);
      const double fx = xc - x0, fy = yc - y0;
      const int x1 = std::min(x0 + 1, page.width - 1), y1 = std::min(y0 + 1, page.height - 1);
      for (int ch = 0; ch < 3; ++ch) {
        const double top = page.pixel(x0, y0)[ch] * (1 - fx) + page.pixel(x1, y0)[ch] * fx;
        const double bottom = page.pixel(x0, y1)[ch] * (1 - fx) + page.pixel(x1, y1)[ch] * fx;
        const double value = top * (1 - fy) + bottom * fy + brightness;
        piece.pixel(u, v)[ch] = static_cast<uint8_t>(std::clamp(std::lround(value), 0L, 255L));
      }
    }
  }
  return piece;
}

Picture halvedTimes(const Picture& picture, int times) {
  Picture current = picture;
  for (int i = 0; i < times; ++i) {
    const tagPixelArray view = current.view();
    current = Picture::fromArray(*tessaly::stitch::halve(view, {}));
  }
  return current;
}

Picture turnByElementarySteps(const Picture& source, int turns) {
  Picture current = source;
  for (int k = 0; k < turns; ++k) {
    Picture next(current.height, current.width);
    for (int32_t r = 0; r < next.height; ++r) {
      for (int32_t c = 0; c < next.width; ++c) {
        std::memcpy(next.pixel(c, r), current.pixel(current.width - 1 - r, c), 3);
      }
    }
    current = std::move(next);
  }
  return current;
}

}  // namespace tessaly::stitch::test
