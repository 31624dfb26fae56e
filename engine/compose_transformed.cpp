// Blending a layer through its outline (a rectangle mask) and, for a transformed layer, through
// its matrix. Every target pixel's centre is taken back to picture coordinates; the outline's
// coverage of the picture pixel there multiplies the layer's opacity, and the layer is sampled
// bilinearly at the point (through the inverse matrix when its pixels are untransformed).
#include <algorithm>
#include <cmath>
#include <vector>

#include "blend_tables.h"
#include "compose.h"
#include "compose_target.h"
#include "layer_area.h"
#include "layer_transform.h"
#include "rect_mask.h"
#include "rect_util.h"
#include "transform_sample.h"

namespace tessaly::engine {
namespace {

// The outline's coverage of picture line y from left to right (exclusive).
void coverageRow(const ZanMaskLine* line, int32_t left, int32_t right, unsigned char* out) {
  std::fill(out, out + (right - left), 0);
  if (line == nullptr || line->count <= 0) return;
  auto put = [&](const ZanMaskSpan& span) {
    for (int32_t i = 0; i < span.length; ++i) {
      const int64_t x = int64_t{span.start} + i;
      if (x >= left && x < right) out[x - left] = span.coverage[i];
    }
  };
  put(line->spans[0]);
  if (line->count < 2) return;
  const int64_t from =
      std::max<int64_t>(int64_t{line->spans[0].start} + line->spans[0].length, left);
  const int64_t to = std::min<int64_t>(line->spans[1].start, right);
  for (int64_t x = from; x < to; ++x) out[x - left] = 255;
  put(line->spans[1]);
}

// Where the layer's pixel grid stands: the layer coordinates of a picture point.
struct SourceMap {
  bool mapped;
  Matrix inverse;
  double originX;  // picture coordinates of the layer's (0, 0) pixel corner, before the matrix
  double originY;

  PointD toLayer(double x, double y) const {
    const PointD p = mapped ? mapPoint(inverse, x, y) : PointD{x, y};
    return PointD{p.x - originX - 0.5, p.y - originY - 0.5};
  }
};

// The layer pixels (clipped to the layer) that the picture rectangle draws on.
RECT neededArea(const SourceMap& map, const RECT& picture, const Layer& source) {
  RECT inLayer;
  if (map.mapped) {
    inLayer = mappedBound(map.inverse, picture);
    inLayer =
        offsetRect(inLayer, -static_cast<int32_t>(map.originX), -static_cast<int32_t>(map.originY));
  } else {
    inLayer = offsetRect(picture, -source.rect.left, -source.rect.top);
  }
  const RECT grown{inLayer.left - 1, inLayer.top - 1, inLayer.right + 1, inLayer.bottom + 1};
  return intersect(grown, RECT{0, 0, source.width(), source.height()});
}

}  // namespace

void blendTransformed(TargetTile& tile, Layer& source, bool opaque, const ComposeScale& scale,
                      const TransformedLook& look) {
  Locked<RectMask> outline(look.rectMask, true);
  if (!outline) return;
  rasteriseRectMask(*outline, look.matrix.data());
  const double toPicture =
      static_cast<double>(scale.denominator) / static_cast<double>(scale.numerator);
  const RECT target = tile.pictureRect();
  // The picture pixels the tile covers, and the layer pixels they need.
  const RECT picture{static_cast<int32_t>(std::floor(target.left * toPicture)),
                     static_cast<int32_t>(std::floor(target.top * toPicture)),
                     static_cast<int32_t>(std::ceil(target.right * toPicture)),
                     static_cast<int32_t>(std::ceil(target.bottom * toPicture))};
  SourceMap map{look.pixelsMapped, {}, double(look.source.left), double(look.source.top)};
  if (map.mapped) {
    map.inverse = invertAffine(look.matrix);
  } else {
    map.originX = source.rect.left;
    map.originY = source.rect.top;
  }
  const RECT need = neededArea(map, picture, source);
  if (isEmpty(need)) return;
  const LayerArea area = readLayerArea(source, need);
  if (!area.anyPresent) return;
  const AreaSampler sampler(area, true, source.bitsPerPixel);
  zan::HeapLock<unsigned char> palette(0, source.palette);
  const BlendSource blend = blendSourceOf(source, opaque, palette ? palette.get() : nullptr,
                                          palette ? static_cast<uint32_t>(palette.count() / 4) : 0);
  const BlendTables& t = blendTables();
  const int32_t width = tile.part.right - tile.part.left;
  std::vector<unsigned char> pixels(static_cast<size_t>(width) * area.pixelBytes);
  std::vector<unsigned char> coverage(static_cast<size_t>(width));
  std::vector<unsigned char> lineCoverage(static_cast<size_t>(rectWidth(picture)));
  int32_t lineY = INT32_MIN;
  for (int32_t y = tile.part.top; y < tile.part.bottom; ++y) {
    const double cy = (y + tile.target.rect.top + 0.5) * toPicture;
    const auto py = static_cast<int32_t>(std::floor(cy));
    if (py != lineY) {
      coverageRow(maskLine(*outline, py), picture.left, picture.right, lineCoverage.data());
      lineY = py;
    }
    for (int32_t i = 0; i < width; ++i) {
      const double cx = (tile.part.left + i + tile.target.rect.left + 0.5) * toPicture;
      const auto px = static_cast<int32_t>(std::floor(cx));
      unsigned char* out = pixels.data() + static_cast<size_t>(i) * area.pixelBytes;
      const bool inLayer = map.mapped || (px >= source.rect.left && px < source.rect.right &&
                                          py >= source.rect.top && py < source.rect.bottom);
      const unsigned char outlined =
          px >= picture.left && px < picture.right ? lineCoverage[px - picture.left] : 0;
      if (!inLayer || outlined == 0) {
        coverage[static_cast<size_t>(i)] = 0;
        continue;
      }
      const PointD at = map.toLayer(cx, cy);
      coverage[static_cast<size_t>(i)] = t.take[outlined][sampler.sample(at.x, at.y, out)];
    }
    unsigned char* targetMask = tile.maskRow(y);
    const BlendRowArgs row{
        tile.pixel(tile.part.left, y), targetMask, pixels.data(), coverage.data(), width, false};
    blendRow(tile.target.bitsPerPixel, blend, row);
  }
}

}  // namespace tessaly::engine
