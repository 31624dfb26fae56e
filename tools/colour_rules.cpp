#include "colour_rules.h"

#include <algorithm>
#include <cmath>

namespace tessaly::tools {

HueSaturation::HueSaturation(int32_t hue, int32_t saturation) : hue_(std::clamp(hue, -180, 180)) {
  const int32_t s = std::clamp(saturation, -100, 100);
  for (int32_t k = 0; k < 256; ++k) {
    shift_[k] = (128 * k * s + 50) / 100;
    base_[k] = 128 * k - shift_[k];
  }
}

void HueSaturation::apply(const unsigned char* in, unsigned char* out) const {
  const int32_t b = in[0], g = in[1], r = in[2];
  const int32_t high = std::max({r, g, b});
  const int32_t low = std::min({r, g, b});
  if (high == low) {
    std::copy(in, in + 3, out);
    return;
  }
  int32_t red = r, green = g, blue = b;
  if (hue_ != 0) {
    const int32_t d = high - low;
    int32_t value;  // hue x d, in degrees
    if (r == high) {
      value = 60 * (g - b);
    } else if (g == high) {
      value = 120 * d + 60 * (b - r);
    } else {
      value = 60 * (r - g) - 120 * d;
    }
    value += hue_ * d;
    // Bring the turned hue back into one full circle, from either side.
    if (value < 0) value += 360 * d;
    if (value >= 360 * d) value -= 360 * d;
    const int32_t sector = value / (60 * d);
    const int32_t offset = value % (60 * d);
    const int32_t middle = high - (((sector & 1) != 0 ? offset : 60 * d - offset) + 30) / 60;
    switch (sector) {
      case 0:
        red = high, green = middle, blue = low;
        break;
      case 1:
        red = middle, green = high, blue = low;
        break;
      case 2:
        red = low, green = high, blue = middle;
        break;
      case 3:
        red = low, green = middle, blue = high;
        break;
      case 4:
        red = middle, green = low, blue = high;
        break;
      default:
        red = high, green = low, blue = middle;
        break;
    }
  }
  const auto saturate = [&](int32_t v) {
    return static_cast<unsigned char>(std::clamp((base_[v] + shift_[high]) >> 7, 0, 255));
  };
  out[0] = saturate(blue);
  out[1] = saturate(green);
  out[2] = saturate(red);
}

void sepiaPixel(const unsigned char* in, unsigned char* out) {
  const int32_t high = std::max({in[0], in[1], in[2]});
  const int32_t low = std::min({in[0], in[1], in[2]});
  out[0] = static_cast<unsigned char>(low);
  out[1] = static_cast<unsigned char>((23 * high + 77 * low) / 100);
  out[2] = static_cast<unsigned char>(high);
}

void toLumaChroma(const unsigned char* bgr, unsigned char* out) {
  const double b = bgr[0], g = bgr[1], r = bgr[2];
  const double y = 0.299 * r + 0.587 * g + 0.114 * b;
  const auto byte = [](double v) {
    return static_cast<unsigned char>(std::clamp(std::lround(v), 0L, 255L));
  };
  out[0] = byte(y);
  out[1] = byte(128.0 + 0.564 * (b - y));
  out[2] = byte(128.0 + 0.713 * (r - y));
}

}  // namespace tessaly::tools
