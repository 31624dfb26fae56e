// Tone and colour operations against their rules computed in double precision, and the tables'
// documented landmarks.
#include <algorithm>
#include <cmath>

#include "tone_tables.h"
#include "tools_fixture.h"

namespace tessaly::tools::test {
namespace {

class ToneTest : public ToolsTest {};

// Mid-range values: every level from 40 to 215 appears in every channel.
Pixels midRange(int32_t pixelBytes) {
  return makePixels(44, 20, pixelBytes, [](int32_t x, int32_t y, int32_t b) {
    return 40 + (x * 4 + y * 9 + b * 53) % 176;
  });
}

template <typename Rule>
void expectEveryByte(const Pixels& in, const Pixels& out, Rule&& rule) {
  ASSERT_EQ(in.bytes.size(), out.bytes.size());
  for (size_t i = 0; i < in.bytes.size(); ++i) {
    ASSERT_EQ(out.bytes[i], rule(in.bytes[i], static_cast<int>(i % in.pixelBytes))) << i;
  }
}

TEST_F(ToneTest, BrightnessAndContrastFollowTheStretch) {
  const Pixels source = midRange(3);
  const zanHandle layer = makeLayer(source, 24);
  for (const auto& [a, b] : {std::pair{20, 30}, std::pair{-35, -50}, std::pair{0, 0}}) {
    BriContParams params{int16_t(a), int16_t(b), 0};
    Result result(matBriAndCont(layer, &params, nullptr, nullptr));
    expectEveryByte(source, readLayer(result.layer), [&](int v, int) {
      const double f = v + a;
      const double stretched = std::floor(255.0 * (f - b) / (255 - 2 * b) + 0.5);
      return static_cast<unsigned char>(f < b         ? 0
                                        : f > 255 - b ? 255
                                                      : std::clamp(stretched, 0.0, 255.0));
    });
  }
  const ToneTable hard = brightnessContrastTable(0, 127);
  EXPECT_EQ(hard[127], 0);
  EXPECT_EQ(hard[128], 255);
  // Only the red channel (the third byte) moves.
  BriContParams red{40, 0, 1};
  Result r(matBriAndCont(layer, &red, nullptr, nullptr));
  expectEveryByte(source, readLayer(r.layer), [](int v, int c) {
    return static_cast<unsigned char>(c == 2 ? std::min(v + 40, 255) : v);
  });
  zanDestroyLayer(layer);
}

TEST_F(ToneTest, ToneAdjustmentIsLevelsWithGamma) {
  const Pixels source = midRange(1);
  const zanHandle layer = makeLayer(source, 8);
  ToneAdjustParams params{30, -40, 20, 0};
  Result result(matToneAdjustment(layer, &params, nullptr, nullptr));
  const double gamma = 1 + 0.035 * 40;
  expectEveryByte(source, readLayer(result.layer), [&](int v, int) {
    if (v >= 225) return static_cast<unsigned char>(255);
    const double share = std::pow((v - 0) / 225.0, gamma);
    return static_cast<unsigned char>(20 + std::floor(share * (255 - 20) + 0.5));
  });
  const ToneTable drop = toneAdjustmentTable(-50, 0, 0);
  EXPECT_LE(drop[254], 205);
  EXPECT_EQ(drop[255], 255);
  EXPECT_EQ(toneAdjustmentTable(0, 0, 0), identityTable());
  zanDestroyLayer(layer);
}

TEST_F(ToneTest, EqualisationUsesRealArithmeticOverAllSamples) {
  const Pixels source = midRange(3);
  const zanHandle layer = makeLayer(source, 24);
  Result result(matEqualization(layer, nullptr, nullptr));
  double below[256] = {};
  for (const unsigned char v : source.bytes) {
    for (int i = v + 1; i < 256; ++i) below[i] += 1;
  }
  const double n = static_cast<double>(source.bytes.size());
  expectEveryByte(source, readLayer(result.layer), [&](int v, int) {
    return static_cast<unsigned char>(std::floor(255.0 / (n + 1) * below[v] + 0.5));
  });
  const Pixels out = readLayer(result.layer);
  EXPECT_GT(*std::max_element(out.bytes.begin(), out.bytes.end()), 200);
  zanDestroyLayer(layer);
}

TEST_F(ToneTest, ThresholdSepiaAndNegativePerPixel) {
  const Pixels source = midRange(3);
  const zanHandle layer = makeLayer(source, 24);
  ThresholdParams t{120};
  Result black(matThreshold(layer, &t, nullptr, nullptr));
  Result sepia(matSepia(layer, nullptr, nullptr));
  Result negative(matNegative(layer, nullptr, nullptr));
  const Pixels pb = readLayer(black.layer), ps = readLayer(sepia.layer);
  for (int32_t y = 0; y < source.height; ++y) {
    for (int32_t x = 0; x < source.width; ++x) {
      const unsigned char* p = source.at(x, y);
      const double grey = (76.0 * p[2] + 150.0 * p[1] + 29.0 * p[0]) / 255.0;
      EXPECT_EQ(pb.at(x, y)[1], grey > 120 ? 255 : 0);
      const int hi = std::max({p[0], p[1], p[2]}), lo = std::min({p[0], p[1], p[2]});
      EXPECT_EQ(ps.at(x, y)[0], lo);
      EXPECT_EQ(ps.at(x, y)[1], static_cast<int>(std::floor(0.23 * hi + 0.77 * lo + 1e-9)));
      EXPECT_EQ(ps.at(x, y)[2], hi);
    }
  }
  expectEveryByte(source, readLayer(negative.layer), [](int v, int) { return 255 - v; });
  ThresholdParams all{255};
  Result none(matThreshold(layer, &all, nullptr, nullptr));
  const Pixels pn = readLayer(none.layer);
  EXPECT_EQ(*std::max_element(pn.bytes.begin(), pn.bytes.end()), 0);
  zanDestroyLayer(layer);
}

TEST_F(ToneTest, HueAndSaturationLandmarks) {
  const Pixels source = midRange(3);
  const zanHandle layer = makeLayer(source, 24);
  HueSatParams none{0, 0};
  Result copy(matHueAndSaturation(layer, &none, nullptr, nullptr));
  EXPECT_EQ(readLayer(copy.layer).bytes, source.bytes);
  HueSatParams full{0, 100};
  Result grey(matHueAndSaturation(layer, &full, nullptr, nullptr));
  const Pixels g = readLayer(grey.layer);
  for (int32_t i = 0; i < source.width * source.height; ++i) {
    const unsigned char* p = source.bytes.data() + 3 * i;
    const int hi = std::max({p[0], p[1], p[2]});
    for (int c = 0; c < 3; ++c) ASSERT_EQ(g.bytes[3 * i + c], hi);
  }
  // A full turn of the hue by 120 degrees moves red to green, exactly for pure colours.
  const Pixels red =
      makePixels(3, 3, 3, [](int32_t, int32_t, int32_t b) { return b == 2 ? 200 : 50; });
  const zanHandle redLayer = makeLayer(red, 24);
  HueSatParams turn{120, 0};
  Result green(matHueAndSaturation(redLayer, &turn, nullptr, nullptr));
  const Pixels pg = readLayer(green.layer);
  EXPECT_EQ(pg.at(1, 1)[0], 50);
  EXPECT_EQ(pg.at(1, 1)[1], 200);
  EXPECT_EQ(pg.at(1, 1)[2], 50);
  // Hue plus the shift beyond a full circle wraps instead of falling off the sectors.
  const Pixels magenta = makePixels(2, 2, 3, [](int32_t, int32_t, int32_t b) {
    return b == 1 ? 20 : b == 0 ? 150 : 220;
  });
  const zanHandle magentaLayer = makeLayer(magenta, 24);
  HueSatParams far{180, 0};
  Result wrapped(matHueAndSaturation(magentaLayer, &far, nullptr, nullptr));
  const Pixels pw = readLayer(wrapped.layer);
  EXPECT_EQ(std::max({pw.at(0, 0)[0], pw.at(0, 0)[1], pw.at(0, 0)[2]}), 220);
  EXPECT_EQ(std::min({pw.at(0, 0)[0], pw.at(0, 0)[1], pw.at(0, 0)[2]}), 20);
  zanDestroyLayer(magentaLayer);
  zanDestroyLayer(redLayer);
  zanDestroyLayer(layer);
}

TEST_F(ToneTest, ColourToneKeepsBlackAndWhite) {
  const Pixels ends =
      makePixels(2, 1, 3, [](int32_t x, int32_t, int32_t) { return x == 0 ? 0 : 255; });
  const zanHandle layer = makeLayer(ends, 24);
  ColorToneParams tone{200, 120, 40};
  Result result(matColorTone(layer, &tone, nullptr, nullptr));
  EXPECT_EQ(readLayer(result.layer).bytes, ends.bytes);
  zanDestroyLayer(layer);
}

TEST_F(ToneTest, ColourReductionLevels) {
  const ToneTable two = colorReductionTable(2);
  EXPECT_EQ(two[0], 0);
  EXPECT_EQ(two[127], 0);
  EXPECT_EQ(two[128], 255);
  EXPECT_EQ(two[255], 255);
  const ToneTable three = colorReductionTable(3);
  for (int i = 0; i < 256; ++i) EXPECT_TRUE(three[i] == 0 || three[i] == 128 || three[i] == 255);
  EXPECT_EQ(colorReductionTable(1)[0], 255);
}

TEST_F(ToneTest, AutomaticLevelStretchesAndRefusesFlatImages) {
  // Levels 50 ... 149 in equal numbers: the ends lie just inside.
  const Pixels ramp = makePixels(100, 10, 1, [](int32_t x, int32_t, int32_t) { return 50 + x; });
  const zanHandle layer = makeLayer(ramp, 8);
  int32_t error = -1;
  Result result(matAutoLevel(layer, nullptr, &error));
  EXPECT_EQ(error, MAT_OK);
  const Pixels out = readLayer(result.layer);
  EXPECT_EQ(out.at(0, 0)[0], 0);
  EXPECT_EQ(out.at(99, 0)[0], 255);
  const Pixels flat = makePixels(20, 20, 3, [](int32_t, int32_t, int32_t) { return 90; });
  const zanHandle flatLayer = makeLayer(flat, 24);
  for (auto op : {matAutoLevel, matAutoContrast}) {
    error = -1;
    EXPECT_EQ(op(flatLayer, nullptr, &error), 0u);
    EXPECT_EQ(error, MAT_ERR_FAILED);
  }
  zanDestroyLayer(flatLayer);
  zanDestroyLayer(layer);
}

TEST_F(ToneTest, AutomaticColourNeutralisesACast) {
  // Mid-tones with a blue cast: the result's most common pixel comes out near grey.
  const Pixels cast = makePixels(
      30, 30, 3, [](int32_t x, int32_t, int32_t b) { return (b == 0 ? 150 : 110) + (x % 3); });
  const zanHandle layer = makeLayer(cast, 24);
  int32_t error = -1;
  Result result(matAutoColor(layer, nullptr, &error));
  ASSERT_EQ(error, MAT_OK);
  const Pixels out = readLayer(result.layer);
  const unsigned char* p = out.at(4, 4);
  EXPECT_LE(std::abs(p[0] - p[2]), 8);
  zanDestroyLayer(layer);
}

TEST_F(ToneTest, LayoutConversionsKeepTheHighByte) {
  const Pixels grey = midRange(1);
  const zanHandle layer = makeLayer(grey, 8);
  int32_t error = -1;
  Result wide(matConvertLayer(layer, 1, nullptr, &error));
  ASSERT_EQ(error, MAT_OK);
  EXPECT_EQ(layerValue(wide.layer, ZAN_LAYER_BPP), 16);
  Result back(matConvertLayer(wide.layer, 0, nullptr, &error));
  EXPECT_EQ(readLayer(back.layer).bytes, grey.bytes) << "8 to 16 to 8 bits is lossless";
  Result colour(matConvertLayer(layer, 2, nullptr, &error));
  Result deep(matConvertLayer(colour.layer, 3, nullptr, &error));
  Result shallow(matConvertLayer(deep.layer, 2, nullptr, &error));
  EXPECT_EQ(readLayer(shallow.layer).bytes, readLayer(colour.layer).bytes);
  Result grey2(matConvertLayer24ToGray(colour.layer, &error));
  expectEveryByte(grey, readLayer(grey2.layer),
                  [](int v, int) { return v / 8 + v / 16 + v / 2 + v / 16 + v / 4; });
  EXPECT_EQ(matConvertLayer(layer, 3, nullptr, &error), 0u);
  EXPECT_EQ(error, MAT_ERR_LAYOUT);
  EXPECT_EQ(matConvertLayer(layer, 4, nullptr, &error), 0u);
  EXPECT_EQ(error, MAT_ERR_ARG);
  zanDestroyLayer(layer);
}

}  // namespace
}  // namespace tessaly::tools::test
