#include "pixel_move.h"

#include <algorithm>
#include <cstring>

#include "guard.h"
#include "result_tiles.h"

namespace tessaly::tools {

PixelMove quarterTurn(int32_t quarters, int32_t width, int32_t height) {
  switch (quarters & 3) {
    case 1:  // the source's right edge becomes the top
      return PixelMove{width - 1, 0, 0, -1, 1, 0};
    case 2:
      return PixelMove{width - 1, height - 1, -1, 0, 0, -1};
    case 3:  // the source's left edge becomes the top
      return PixelMove{0, height - 1, 0, 1, -1, 0};
    default:
      return PixelMove{0, 0, 1, 0, 0, 1};
  }
}

PixelMove mirror(bool horizontal, int32_t width, int32_t height) {
  return horizontal ? PixelMove{width - 1, 0, -1, 0, 0, 1} : PixelMove{0, height - 1, 1, 0, 0, -1};
}

namespace {

// The source rectangle that the result tile maps from (the mapping of its corner pixels).
RECT sourceArea(const RECT& tile, const PixelMove& m) {
  const auto mapX = [&](int32_t x, int32_t y) { return m.originX + m.xx * x + m.xy * y; };
  const auto mapY = [&](int32_t x, int32_t y) { return m.originY + m.yx * x + m.yy * y; };
  const int32_t xs[] = {mapX(tile.left, tile.top), mapX(tile.right - 1, tile.bottom - 1)};
  const int32_t ys[] = {mapY(tile.left, tile.top), mapY(tile.right - 1, tile.bottom - 1)};
  return RECT{std::min(xs[0], xs[1]), std::min(ys[0], ys[1]), std::max(xs[0], xs[1]) + 1,
              std::max(ys[0], ys[1]) + 1};
}

void moveTile(BlockHeader& out, const PixelBuffer& in, const RECT& area, const PixelMove& m,
              int32_t pixelBytes) {
  const int32_t width = out.right - out.left;
  // Stepping one result pixel to the right moves this far in the source buffer.
  const int64_t step = int64_t{m.xx} * pixelBytes + int64_t{m.yx} * in.stride;
  for (int32_t y = out.top; y < out.bottom; ++y) {
    const int32_t sx = m.originX + m.xx * out.left + m.xy * y - area.left;
    const int32_t sy = m.originY + m.yx * out.left + m.yy * y - area.top;
    const unsigned char* from = in.bytes.data() + sy * in.stride + int64_t{sx} * pixelBytes;
    unsigned char* to = out.data + int64_t{y - out.top} * out.stride;
    if (step == pixelBytes) {
      std::memcpy(to, from, static_cast<size_t>(width) * pixelBytes);
      continue;
    }
    for (int32_t x = 0; x < width; ++x, to += pixelBytes, from += step) {
      std::memcpy(to, from, static_cast<size_t>(pixelBytes));
    }
  }
}

}  // namespace

OwnedLayer movePixels(zanHandle source, const RECT& resultRect, const PixelMove& move,
                      ProgressMeter& meter) {
  const LayerGeometry g = readGeometry(source);
  if (g.bitsPerPixel < 8) fail(MAT_ERR_LAYOUT);
  return forResultTiles(source, resultRect, meter, [&](BlockHeader& out, const RECT& tile) {
    const RECT area = sourceArea(tile, move);
    PixelBuffer in(area.right - area.left, area.bottom - area.top, g.bitsPerPixel);
    readPixels(source, area, in);
    moveTile(out, in, area, move, g.pixelBytes());
  });
}

}  // namespace tessaly::tools
