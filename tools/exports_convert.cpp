// Exported layout conversions. 16-bit samples are little-endian in the engine's blocks, so the
// narrowing conversions keep the second (high) byte of each sample, and widening writes a byte
// into both bytes (v x 257), which the narrowing gives back unchanged.
#include "colour_rules.h"
#include "guard.h"
#include "tone_passes.h"

using namespace tessaly::tools;

namespace {

enum Target { kTo8 = 0, kTo16 = 1, kTo24 = 2, kTo48 = 3 };

using RowRule = void (*)(unsigned char* out, const unsigned char* in, int32_t pixels);

void rgbToGrey(unsigned char* out, const unsigned char* in, int32_t pixels) {
  for (int32_t x = 0; x < pixels; ++x) out[x] = greyOf(in + 3 * x);
}
// 16 to 8 bits and 48 to 24 bits alike: the high byte of every sample.
void highBytes(unsigned char* out, const unsigned char* in, int32_t samples) {
  for (int32_t x = 0; x < samples; ++x) out[x] = in[2 * x + 1];
}
void grey16From8(unsigned char* out, const unsigned char* in, int32_t pixels) {
  for (int32_t x = 0; x < pixels; ++x) out[2 * x] = out[2 * x + 1] = in[x];
}
void rgbFromGrey(unsigned char* out, const unsigned char* in, int32_t pixels) {
  for (int32_t x = 0; x < pixels; ++x) out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = in[x];
}
void rgb24To48(unsigned char* out, const unsigned char* in, int32_t pixels) {
  grey16From8(out, in, 3 * pixels);
}
void rgb48To24(unsigned char* out, const unsigned char* in, int32_t pixels) {
  highBytes(out, in, 3 * pixels);
}

struct Conversion {
  int32_t target;
  Layout source;
  int32_t targetBits;
  RowRule rule;
};
constexpr Conversion kConversions[] = {
    {kTo8, kRgb24, 8, rgbToGrey},     {kTo8, kGrey16, 8, highBytes},
    {kTo16, kGrey8, 16, grey16From8}, {kTo24, kGrey8, 24, rgbFromGrey},
    {kTo24, kRgb48, 24, rgb48To24},   {kTo48, kRgb24, 48, rgb24To48},
};

zanHandle convert(zanHandle layer, int32_t target, const ToolProgress* progress) {
  const LayerGeometry g = readGeometry(layer);
  if (target < kTo8 || target > kTo48) fail(MAT_ERR_ARG);
  const Layout source = layoutOf(layer, g.bitsPerPixel);
  for (const Conversion& c : kConversions) {
    if (c.target != target || c.source != source) continue;
    ProgressMeter meter(progress, tileCount(g));
    OwnedLayer result = runPixelFrame(
        layer, c.targetBits,
        [&](BlockHeader& out, const BlockHeader& in) { forEachRow(out, in, c.rule); }, meter);
    return result.release();
  }
  fail(MAT_ERR_LAYOUT);
}

}  // namespace

extern "C" {

ZAN_API zanHandle matConvertLayer(zanHandle layer, int32_t target, const ToolProgress* progress,
                                  int32_t* error) {
  return guardLayer(error, [&] { return convert(layer, target, progress); });
}

ZAN_API zanHandle matConvertLayer24ToGray(zanHandle layer, int32_t* error) {
  return guardLayer(error, [&] {
    requireLayout(layer, readGeometry(layer), kRgb24);
    return convert(layer, kTo8, nullptr);
  });
}

}  // extern "C"
