// Nearest and bilinear sampling of a layer area.
#include "transform_sample.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tessaly::engine {
namespace {

struct Axis {
  int32_t first;  // offsets from the area's left or top
  int32_t second;
  uint32_t weight;  // of second, 0 to 256
};

Axis axisAt(double at, int32_t origin, int32_t size) {
  const auto fixed = static_cast<int64_t>(std::floor(at * 256.0));
  const int64_t base = (fixed >> 8) - origin;
  auto clampTo = [size](int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, 0, size - 1));
  };
  return Axis{clampTo(base), clampTo(base + 1), static_cast<uint32_t>(fixed & 255)};
}

template <typename C>
uint32_t load(const unsigned char* p) {
  C v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <typename C>
void store(unsigned char* p, uint32_t v) {
  const auto c = static_cast<C>(v);
  std::memcpy(p, &c, sizeof c);
}

template <typename C>
uint32_t mix(const unsigned char* r0, const unsigned char* r1, int32_t o0, int32_t o1,
             const Axis& ax, const Axis& ay) {
  const uint64_t top =
      uint64_t{load<C>(r0 + o0)} * (256 - ax.weight) + load<C>(r0 + o1) * ax.weight;
  const uint64_t bottom =
      uint64_t{load<C>(r1 + o0)} * (256 - ax.weight) + load<C>(r1 + o1) * ax.weight;
  return static_cast<uint32_t>((top * (256 - ay.weight) + bottom * ay.weight + 32768) >> 16);
}

}  // namespace

AreaSampler::AreaSampler(const LayerArea& area, bool interpolate, int32_t bitsPerPixel)
    : area_(area),
      interpolate_(interpolate),
      channelBytes_(bitsPerPixel == 16 || bitsPerPixel == 48 ? 2 : 1) {}

uint8_t AreaSampler::sample(double x, double y, unsigned char* out) const {
  const int32_t bytes = area_.pixelBytes;
  const int32_t width = area_.width(), height = area_.height();
  if (width <= 0 || height <= 0) {
    std::memset(out, 0, static_cast<size_t>(bytes));
    return 0;
  }
  if (!interpolate_) {
    const auto px = static_cast<int64_t>(std::floor(x + 0.5)) - area_.rect.left;
    const auto py = static_cast<int64_t>(std::floor(y + 0.5)) - area_.rect.top;
    if (px < 0 || py < 0 || px >= width || py >= height) {
      std::memset(out, 0, static_cast<size_t>(bytes));
      return 0;
    }
    std::memcpy(out, area_.pixels.data() + py * area_.stride + px * bytes,
                static_cast<size_t>(bytes));
    return area_.present[static_cast<size_t>(py * width + px)];
  }
  const Axis ax = axisAt(x, area_.rect.left, width);
  const Axis ay = axisAt(y, area_.rect.top, height);
  const unsigned char* r0 = area_.pixels.data() + int64_t{ay.first} * area_.stride;
  const unsigned char* r1 = area_.pixels.data() + int64_t{ay.second} * area_.stride;
  const int32_t o0 = ax.first * bytes, o1 = ax.second * bytes;
  for (int32_t c = 0; c < bytes; c += channelBytes_) {
    if (channelBytes_ == 1)
      store<uint8_t>(out + c, mix<uint8_t>(r0, r1, o0 + c, o1 + c, ax, ay));
    else
      store<uint16_t>(out + c, mix<uint16_t>(r0, r1, o0 + c, o1 + c, ax, ay));
  }
  const unsigned char* p0 = area_.present.data() + int64_t{ay.first} * width;
  const unsigned char* p1 = area_.present.data() + int64_t{ay.second} * width;
  return static_cast<uint8_t>(mix<uint8_t>(p0, p1, ax.first, ax.second, ax, ay));
}

}  // namespace tessaly::engine
