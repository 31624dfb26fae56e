#include <algorithm>
#include <cmath>

#include "guard.h"
#include "resample.h"
#include "result_tiles.h"

namespace tessaly::tools {
namespace {

constexpr int kFraction = 16;                 // positions step in 1/65536 pixel
constexpr int kWeightShift = kFraction - 10;  // weights use 10 bits (0 ... 1023)

// The source area a result tile samples from: its corners mapped back, one pixel wider before
// and two after, clipped to the source.
RECT sourceArea(const RECT& tile, const AffineMap& m, int32_t width, int32_t height) {
  double minX = 1e18, minY = 1e18, maxX = -1e18, maxY = -1e18;
  for (const int32_t x : {tile.left, tile.right - 1}) {
    for (const int32_t y : {tile.top, tile.bottom - 1}) {
      const double sx = m.x0 + m.xx * x + m.xy * y, sy = m.y0 + m.yx * x + m.yy * y;
      minX = std::min(minX, sx), maxX = std::max(maxX, sx);
      minY = std::min(minY, sy), maxY = std::max(maxY, sy);
    }
  }
  const auto clip = [](double v, int32_t limit) {
    return static_cast<int32_t>(std::clamp(v, 0.0, static_cast<double>(limit)));
  };
  return RECT{clip(std::floor(minX) - 1, width), clip(std::floor(minY) - 1, height),
              clip(std::floor(maxX) + 2, width), clip(std::floor(maxY) + 2, height)};
}

template <int Channels, Rim kRim>
void sampleTile(BlockHeader& out, const PixelBuffer& in, const RECT& area, const AffineMap& m,
                int32_t sourceWidth, int32_t sourceHeight) {
  static const unsigned char kNothing[Channels] = {};
  const double unit = 1 << kFraction;
  // Accepted positions: within half a pixel of the source, in buffer coordinates.
  const int64_t minX = std::llround((-0.5 - area.left) * unit);
  const int64_t maxX = std::llround((sourceWidth - 0.5 - area.left) * unit);
  const int64_t minY = std::llround((-0.5 - area.top) * unit);
  const int64_t maxY = std::llround((sourceHeight - 0.5 - area.top) * unit);
  const int32_t lastX = area.right - area.left - 1, lastY = area.bottom - area.top - 1;
  const auto stepX = static_cast<int64_t>(std::llround(m.xx * unit));
  const auto stepY = static_cast<int64_t>(std::llround(m.yx * unit));
  const int32_t width = out.right - out.left;
  for (int32_t y = out.top; y < out.bottom; ++y) {
    int64_t sx = std::llround((m.x0 + m.xx * out.left + m.xy * y - area.left) * unit);
    int64_t sy = std::llround((m.y0 + m.yx * out.left + m.yy * y - area.top) * unit);
    unsigned char* to = out.data + int64_t{y - out.top} * out.stride;
    for (int32_t x = 0; x < width; ++x, sx += stepX, sy += stepY, to += Channels) {
      if (sx < minX || sx > maxX || sy < minY || sy > maxY) continue;
      const auto ix = static_cast<int32_t>(sx >> kFraction);
      const auto iy = static_cast<int32_t>(sy >> kFraction);
      const auto fx = static_cast<int32_t>((sx >> kWeightShift) & 1023);
      const auto fy = static_cast<int32_t>((sy >> kWeightShift) & 1023);
      // The area reaches a pixel past every neighbour inside the source, so a neighbour beyond
      // the area lies beyond the source's rim: it repeats the edge pixel or counts as 0.
      const int32_t x0 = std::clamp(ix, 0, lastX), x1 = std::clamp(ix + 1, 0, lastX);
      const int32_t y0 = std::clamp(iy, 0, lastY), y1 = std::clamp(iy + 1, 0, lastY);
      const unsigned char* r0 = in.row(y0);
      const unsigned char* r1 = in.row(y1);
      const unsigned char* p00 = r0 + x0 * Channels;
      const unsigned char* p10 = r0 + x1 * Channels;
      const unsigned char* p01 = r1 + x0 * Channels;
      const unsigned char* p11 = r1 + x1 * Channels;
      if constexpr (kRim == Rim::Zero) {
        const bool left = ix<0, right = ix + 1> lastX, above = iy<0, below = iy + 1> lastY;
        if (left || above) p00 = kNothing;
        if (right || above) p10 = kNothing;
        if (left || below) p01 = kNothing;
        if (right || below) p11 = kNothing;
      }
      for (int c = 0; c < Channels; ++c) {
        const int32_t top = (1024 - fx) * p00[c] + fx * p10[c];
        const int32_t bottom = (1024 - fx) * p01[c] + fx * p11[c];
        to[c] = static_cast<unsigned char>(((1024 - fy) * top + fy * bottom + (1 << 19)) >> 20);
      }
    }
  }
}

}  // namespace

OwnedLayer renderAffine(zanHandle source, const RECT& resultRect, const AffineMap& map,
                        ProgressMeter& meter, Rim rim) {
  const LayerGeometry g = readGeometry(source);
  return forResultTiles(source, resultRect, meter, [&](BlockHeader& out, const RECT& tile) {
    const RECT area = sourceArea(tile, map, g.width(), g.height());
    if (area.right <= area.left || area.bottom <= area.top) return;
    PixelBuffer in(area.right - area.left, area.bottom - area.top, g.bitsPerPixel);
    readPixels(source, area, in);
    if (g.bitsPerPixel == 24)
      sampleTile<3, Rim::Repeat>(out, in, area, map, g.width(), g.height());
    else if (rim == Rim::Repeat)
      sampleTile<1, Rim::Repeat>(out, in, area, map, g.width(), g.height());
    else
      sampleTile<1, Rim::Zero>(out, in, area, map, g.width(), g.height());
  });
}

}  // namespace tessaly::tools
