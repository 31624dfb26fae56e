// Per-pixel colour rules that need more than one table: each maps a blue, green, red pixel.
#pragma once

#include <array>
#include <cstdint>

namespace tessaly::tools {

// Hue shift (clamped to -180 ... 180 degrees) and saturation (clamped to -100 ... 100).
class HueSaturation {
 public:
  HueSaturation(int32_t hue, int32_t saturation);
  // Maps one pixel in place: bgr[0] blue, bgr[1] green, bgr[2] red.
  void apply(const unsigned char* in, unsigned char* out) const;

 private:
  int32_t hue_;
  std::array<int32_t, 256> shift_{};  // (128 k S + 50) / 100
  std::array<int32_t, 256> base_{};   // 128 k - shift
};

// The grey of the layout conversion: B/8 + G/16 + G/2 + R/16 + R/4, each term truncated.
inline uint8_t greyOf(const unsigned char* bgr) {
  return static_cast<uint8_t>(bgr[0] / 8 + bgr[1] / 16 + bgr[1] / 2 + bgr[2] / 16 + bgr[2] / 4);
}

// Sepia: blue the smallest channel, red the largest, green 0.23 of the largest plus 0.77 of the
// smallest (rounded down, in exact integer arithmetic).
void sepiaPixel(const unsigned char* in, unsigned char* out);

// Black or white by the weighted grey against threshold x 255.
inline bool aboveThreshold(const unsigned char* bgr, int32_t threshold) {
  return threshold * 255 < 76 * bgr[2] + 150 * bgr[1] + 29 * bgr[0];
}

// Luminance and two chroma components (each 0 ... 255, chroma centred on 128).
void toLumaChroma(const unsigned char* bgr, unsigned char* out);

}  // namespace tessaly::tools
