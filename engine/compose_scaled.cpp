// Blending a layer at a scale other than 1 / 1. At s <= 1/2 the pixels come from the reduced copy
// of level L (the largest L <= 10 with 2^L <= 1 / s), and the rest of the scale is applied to it.
// Each target pixel samples its centre bilinearly with weights in 1/256 steps; whether the layer
// has pixels there (tiles without a block are transparent) and its mask are sampled the same way
// and together give the pixel's coverage.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "blend_tables.h"
#include "compose.h"
#include "compose_target.h"
#include "layer_area.h"
#include "rect_util.h"

namespace tessaly::engine {
namespace {

// One sampling position: the two neighbours (indices into the area read) and the weight of the
// second, 0 to 256.
struct Tap {
  int32_t first;
  int32_t second;
  uint32_t weight;
};

struct LevelScale {
  int level;
  double factor;  // level pixels per target pixel
};

LevelScale levelScale(const ComposeScale& scale) {
  int level = 0;
  while (level < 10 && (int64_t{scale.numerator} << (level + 1)) <= scale.denominator) ++level;
  return LevelScale{level, static_cast<double>(scale.denominator) /
                               (static_cast<double>(scale.numerator) * (int64_t{1} << level))};
}

// Positions, in level-layer coordinates, of the target pixels from..to (scaled picture space),
// clamped to 0 .. size - 1.
std::vector<Tap> tapsFor(int32_t from, int32_t to, double factor, int32_t levelOrigin,
                         int32_t size) {
  std::vector<Tap> taps;
  taps.reserve(static_cast<size_t>(to - from));
  for (int64_t x = from; x < to; ++x) {
    const double at = ((static_cast<double>(x) + 0.5) * factor - 0.5 - levelOrigin) * 256.0;
    const auto fixed = static_cast<int64_t>(std::floor(at));
    const int64_t base = fixed >> 8;
    auto clampTo = [size](int64_t v) {
      return static_cast<int32_t>(std::clamp<int64_t>(v, 0, size - 1));
    };
    taps.push_back(Tap{clampTo(base), clampTo(base + 1), static_cast<uint32_t>(fixed & 255)});
  }
  return taps;
}

// Moves the taps to indices into an area that starts at origin.
void rebase(std::vector<Tap>& taps, int32_t origin) {
  for (Tap& t : taps) {
    t.first -= origin;
    t.second -= origin;
  }
}

template <typename C>
C loadChannel(const unsigned char* p) {
  C v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <typename C>
uint64_t bilinear(const unsigned char* r0, const unsigned char* r1, const Tap& tx, const Tap& ty,
                  int32_t offset0, int32_t offset1) {
  const uint64_t a = loadChannel<C>(r0 + offset0), b = loadChannel<C>(r0 + offset1);
  const uint64_t c = loadChannel<C>(r1 + offset0), d = loadChannel<C>(r1 + offset1);
  const uint64_t top = a * (256 - tx.weight) + b * tx.weight;
  const uint64_t bottom = c * (256 - tx.weight) + d * tx.weight;
  return (top * (256 - ty.weight) + bottom * ty.weight + 32768) >> 16;
}

struct Sampled {
  const LayerArea& area;
  const std::vector<unsigned char>& mask;  // same size as the area, or empty
  const std::vector<Tap>& columns;
  int32_t pixelBytes;
  int32_t channelBytes;
};

// One target row of source pixels and coverage.
void sampleRow(const Sampled& s, const Tap& ty, unsigned char* pixels, unsigned char* coverage) {
  const BlendTables& t = blendTables();
  const int32_t width = s.area.width();
  const unsigned char* r0 = s.area.pixels.data() + int64_t{ty.first} * s.area.stride;
  const unsigned char* r1 = s.area.pixels.data() + int64_t{ty.second} * s.area.stride;
  const unsigned char* p0 = s.area.present.data() + int64_t{ty.first} * width;
  const unsigned char* p1 = s.area.present.data() + int64_t{ty.second} * width;
  for (size_t i = 0; i < s.columns.size(); ++i) {
    const Tap& tx = s.columns[i];
    const int32_t o0 = tx.first * s.pixelBytes, o1 = tx.second * s.pixelBytes;
    for (int32_t c = 0; c < s.pixelBytes; c += s.channelBytes) {
      unsigned char* out = pixels + i * static_cast<size_t>(s.pixelBytes) + c;
      if (s.channelBytes == 1) {
        *out = static_cast<unsigned char>(bilinear<uint8_t>(r0, r1, tx, ty, o0 + c, o1 + c));
      } else {
        const auto v = static_cast<uint16_t>(bilinear<uint16_t>(r0, r1, tx, ty, o0 + c, o1 + c));
        std::memcpy(out, &v, sizeof v);
      }
    }
    auto present = static_cast<uint8_t>(bilinear<uint8_t>(p0, p1, tx, ty, tx.first, tx.second));
    if (!s.mask.empty()) {
      const unsigned char* m0 = s.mask.data() + int64_t{ty.first} * width;
      const unsigned char* m1 = s.mask.data() + int64_t{ty.second} * width;
      present = t.take[present][bilinear<uint8_t>(m0, m1, tx, ty, tx.first, tx.second)];
    }
    coverage[i] = present;
  }
}

}  // namespace

void blendScaled(TargetTile& tile, Layer& source, bool opaque, const ComposeScale& scale) {
  const LevelScale ls = levelScale(scale);
  // Where the copy of the level lies, known before it is brought up to date, so that only the
  // part this tile samples is.
  const RECT levelRect = reducedRect(source.rect, ls.level);
  const int32_t levelWidth = levelRect.right - levelRect.left;
  const int32_t levelHeight = levelRect.bottom - levelRect.top;
  if (levelWidth <= 0 || levelHeight <= 0) return;
  const RECT picture = tile.pictureRect();
  std::vector<Tap> columns =
      tapsFor(picture.left, picture.right, ls.factor, levelRect.left, levelWidth);
  std::vector<Tap> rows =
      tapsFor(picture.top, picture.bottom, ls.factor, levelRect.top, levelHeight);
  const RECT need{columns.front().first, rows.front().first, columns.back().second + 1,
                  rows.back().second + 1};
  const RECT needAtLevel = offsetRect(need, levelRect.left, levelRect.top);
  Locked<Layer> level(reducedLevel(source, ls.level, &needAtLevel));
  if (!level || !sameRect(level->rect, levelRect)) return;
  const LayerArea area = readLayerArea(*level, need);
  if (!area.anyPresent) return;
  std::vector<unsigned char> mask;
  if (source.mask != 0) {
    Locked<Layer> sourceMask(source.mask);
    if (sourceMask && sourceMask->bitsPerPixel == 8) {
      Locked<Layer> maskLevel(reducedLevel(*sourceMask, ls.level, &needAtLevel));
      if (maskLevel)
        mask = readMaskValues(maskLevel.handle(), need, POINT{level->rect.left, level->rect.top});
    }
  }
  rebase(columns, need.left);
  rebase(rows, need.top);
  zan::HeapLock<unsigned char> palette(0, source.palette);
  const BlendSource blend = blendSourceOf(source, opaque, palette ? palette.get() : nullptr,
                                          palette ? static_cast<uint32_t>(palette.count() / 4) : 0);
  const int32_t channelBytes = source.bitsPerPixel == 16 || source.bitsPerPixel == 48 ? 2 : 1;
  const Sampled sampled{area, mask, columns, area.pixelBytes, channelBytes};
  std::vector<unsigned char> pixels(columns.size() * static_cast<size_t>(area.pixelBytes));
  std::vector<unsigned char> coverage(columns.size());
  for (int32_t y = tile.part.top; y < tile.part.bottom; ++y) {
    sampleRow(sampled, rows[static_cast<size_t>(y - tile.part.top)], pixels.data(),
              coverage.data());
    unsigned char* targetMask = tile.maskRow(y);
    const BlendRowArgs row{
        tile.pixel(tile.part.left, y),        targetMask, pixels.data(), coverage.data(),
        static_cast<int32_t>(columns.size()), false};
    blendRow(tile.target.bitsPerPixel, blend, row);
  }
}

}  // namespace tessaly::engine
