// Scaling a layer into a caller's block: the part rect of the scaled layer. The source rows and
// columns the part needs are read into scratch memory first; positions are worked out in 64 bits,
// so layers wider or higher than 65,535 pixels scale like small ones.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "layer_area.h"
#include "layer_transform.h"
#include "pixel_format.h"
#include "rect_util.h"

namespace tessaly::engine {
namespace {

// The scaled size of a source size: at least one pixel.
int64_t scaledSize(int64_t size, const int32_t ratio[2]) {
  return std::max<int64_t>(1, size * ratio[0] / ratio[1]);
}

// One result index's source pixels: first .. first + count - 1 for a box, or first and second
// with first's weight (of 256 for type 2, of 32768 for type 1) for an interpolation.
struct Tap {
  int32_t first;
  int32_t second;  // box: the count of pixels
  uint32_t weight;
};

struct AxisTaps {
  bool box = false;
  std::vector<Tap> taps;
  int32_t low() const { return taps.front().first; }
  int32_t high() const {  // one past the last source index used
    int32_t h = 0;
    for (const Tap& t : taps)
      h = std::max(h, box ? t.first + t.second : std::max(t.first, t.second) + 1);
    return h;
  }
};

// Type 1: steps of (size - 1) x 32768 / (scaled - 1), first and last pixels on each other.
AxisTaps fixedTaps(int64_t from, int64_t to, int64_t size, int64_t scaled) {
  const int64_t step = (size - 1) * 32768 / std::max<int64_t>(scaled - 1, 1);
  AxisTaps axis;
  for (int64_t i = from; i < to; ++i) {
    const int64_t at = i * step;
    const auto first = static_cast<int32_t>(std::min<int64_t>(at >> 15, size - 1));
    const auto second = static_cast<int32_t>(std::min<int64_t>(first + 1, size - 1));
    axis.taps.push_back(Tap{first, second, static_cast<uint32_t>(32768 - (at & 32767))});
  }
  return axis;
}

// Type 2: linear at pixel centres up to a factor of 2 (source pixels per result pixel), box
// averages beyond.
AxisTaps floatTaps(int64_t from, int64_t to, int64_t size, const int32_t ratio[2]) {
  const double f = static_cast<double>(ratio[1]) / static_cast<double>(ratio[0]);
  AxisTaps axis;
  axis.box = f > 2;
  const auto last = static_cast<int32_t>(size - 1);
  if (axis.box) {
    double at = f * static_cast<double>(from);
    for (int64_t i = from; i < to; ++i, at += f) {
      const auto start = static_cast<int64_t>(at);
      const int64_t end = std::min<int64_t>(static_cast<int64_t>(at + f), size);
      const auto first = static_cast<int32_t>(std::min<int64_t>(start, last));
      axis.taps.push_back(Tap{first, static_cast<int32_t>(std::max<int64_t>(end - first, 1)), 0});
    }
    return axis;
  }
  double b = f * static_cast<double>(from) + f / 2 - 0.5;
  for (int64_t i = from; i < to; ++i, b += f) {
    if (b < 0) {
      axis.taps.push_back(Tap{0, 0, 256});
      continue;
    }
    const auto left = static_cast<int64_t>(b);
    const auto weight =
        static_cast<uint32_t>(std::lround((static_cast<double>(left) + 1 - b) * 256));
    const auto first = static_cast<int32_t>(std::min<int64_t>(left, last));
    axis.taps.push_back(Tap{first, std::min(first + 1, last), std::min<uint32_t>(weight, 256)});
  }
  return axis;
}

struct Out {
  unsigned char* data;
  int64_t stride;
  int32_t bytes;
  int32_t width;
  int32_t height;
};

void resizeFixed(const LayerArea& src, const AxisTaps& cols, const AxisTaps& rows, const Out& out) {
  for (int32_t r = 0; r < out.height; ++r) {
    const Tap& ty = rows.taps[static_cast<size_t>(r)];
    const unsigned char* r0 = src.row(ty.first);
    const unsigned char* r1 = src.row(ty.second);
    unsigned char* o = out.data + r * out.stride;
    for (int32_t c = 0; c < out.width; ++c) {
      const Tap& tx = cols.taps[static_cast<size_t>(c)];
      const int64_t a = int64_t{tx.first - src.rect.left} * out.bytes;
      const int64_t b = int64_t{tx.second - src.rect.left} * out.bytes;
      for (int32_t k = 0; k < out.bytes; ++k) {
        const uint32_t fx = 32768 - tx.weight, fy = 32768 - ty.weight;
        const uint32_t h0 = (r0[a + k] * (32768 - fx) + r0[b + k] * fx + 16384) >> 15;
        const uint32_t h1 = (r1[a + k] * (32768 - fx) + r1[b + k] * fx + 16384) >> 15;
        o[int64_t{c} * out.bytes + k] =
            static_cast<unsigned char>((h0 * (32768 - fy) + h1 * fy + 16384) >> 15);
      }
    }
  }
}

// 65536 / count for the box averages.
uint32_t reciprocal(int32_t count) {
  return 65536u / static_cast<uint32_t>(std::max(count, 1));
}

void resizeFloat(const LayerArea& src, const AxisTaps& cols, const AxisTaps& rows, const Out& out) {
  const int32_t width = src.width() * out.bytes;  // channels per source row
  std::vector<uint16_t> inter(static_cast<size_t>(width));
  for (int32_t r = 0; r < out.height; ++r) {
    // Vertical pass: values with 8 fraction bits.
    const Tap& ty = rows.taps[static_cast<size_t>(r)];
    if (rows.box) {
      const uint32_t recip = reciprocal(ty.second);
      for (int32_t k = 0; k < width; ++k) {
        uint64_t sum = 0;
        for (int32_t y = ty.first; y < ty.first + ty.second; ++y) sum += src.row(y)[k];
        inter[static_cast<size_t>(k)] = static_cast<uint16_t>((sum * recip) >> 8);
      }
    } else {
      const unsigned char* r0 = src.row(ty.first);
      const unsigned char* r1 = src.row(ty.second);
      for (int32_t k = 0; k < width; ++k)
        inter[static_cast<size_t>(k)] =
            static_cast<uint16_t>(r0[k] * ty.weight + r1[k] * (256 - ty.weight));
    }
    // Horizontal pass.
    unsigned char* o = out.data + r * out.stride;
    for (int32_t c = 0; c < out.width; ++c) {
      const Tap& tx = cols.taps[static_cast<size_t>(c)];
      const int32_t a = (tx.first - src.rect.left) * out.bytes;
      for (int32_t k = 0; k < out.bytes; ++k) {
        uint64_t v;
        if (cols.box) {
          uint64_t sum = 0;
          for (int32_t i = 0; i < tx.second; ++i)
            sum += inter[static_cast<size_t>(a + i * out.bytes + k)];
          v = (sum * reciprocal(tx.second) + (1u << 23)) >> 24;
        } else {
          const int32_t b = (tx.second - src.rect.left) * out.bytes;
          v = (uint64_t{inter[static_cast<size_t>(a + k)]} * tx.weight +
               uint64_t{inter[static_cast<size_t>(b + k)]} * (256 - tx.weight)) >>
              16;
        }
        o[int64_t{c} * out.bytes + k] = static_cast<unsigned char>(std::min<uint64_t>(v, 255));
      }
    }
  }
}

}  // namespace

int32_t cropResize(BlockHeader& block, const RECT& rect, Layer& layer, const int32_t ratioX[2],
                   const int32_t ratioY[2], int32_t type) {
  if (type != 1 && type != 2) return 0;
  if (ratioX[0] <= 0 || ratioX[1] <= 0 || ratioY[0] <= 0 || ratioY[1] <= 0) return 0;
  const int32_t bpp = layer.bitsPerPixel;
  if ((bpp != 8 && bpp != 24 && bpp != 32) || block.bitsPerPixel != bpp || block.data == nullptr)
    return 0;
  const int64_t width = layer.width(), height = layer.height();
  if (width <= 0 || height <= 0) return 0;
  const int64_t scaledW = scaledSize(width, ratioX), scaledH = scaledSize(height, ratioY);
  // The part of rect that is both in the scaled layer and in the block.
  const int64_t right = std::min<int64_t>(
      {rect.right, scaledW,
       int64_t{rect.left} + rectWidth(RECT{block.left, block.top, block.right, block.bottom})});
  const int64_t bottom = std::min<int64_t>(
      {rect.bottom, scaledH,
       int64_t{rect.top} + rectHeight(RECT{block.left, block.top, block.right, block.bottom})});
  const int64_t left = std::max<int64_t>(rect.left, 0), top = std::max<int64_t>(rect.top, 0);
  if (right <= left || bottom <= top) return 1;
  const AxisTaps cols =
      type == 1 ? fixedTaps(left, right, width, scaledW) : floatTaps(left, right, width, ratioX);
  const AxisTaps rows =
      type == 1 ? fixedTaps(top, bottom, height, scaledH) : floatTaps(top, bottom, height, ratioY);
  const LayerArea src =
      readLayerArea(layer, RECT{cols.low(), rows.low(), cols.high(), rows.high()});
  const int32_t bytes = bytesPerPixel(bpp);
  const Out out{block.data + (top - rect.top) * int64_t{block.stride} + (left - rect.left) * bytes,
                block.stride, bytes, static_cast<int32_t>(right - left),
                static_cast<int32_t>(bottom - top)};
  if (type == 1)
    resizeFixed(src, cols, rows, out);
  else
    resizeFloat(src, cols, rows, out);
  return 1;
}

}  // namespace tessaly::engine
