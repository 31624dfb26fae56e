// Geometry against exact expectations: quarter turns and flips move pixels, crops cut them,
// resizes and rotations resample within their rounding.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "rotation.h"
#include "tools_fixture.h"

namespace tessaly::tools::test {
namespace {

class GeometryTest : public ToolsTest {};

// An odd size over 16 x 16 tiles: partial tiles on the right and at the bottom.
constexpr int32_t kW = 37, kH = 23;

Pixels rotated(zanHandle layer, int32_t angle, RotateParams* out = nullptr) {
  RotateParams params{angle, 0, 0, 0, 0, 0, 0, 0};
  int32_t error = -1;
  Result result(matRotateLayer(layer, &params, nullptr, &error));
  EXPECT_EQ(error, MAT_OK);
  if (out != nullptr) *out = params;
  return readLayer(result.layer);
}

TEST_F(GeometryTest, QuarterTurnsMoveEveryPixelToItsTurnedPlace) {
  for (const int32_t bits : {8, 24, 48}) {
    const Pixels source = patternPixels(kW, kH, bits / 8);
    const zanHandle layer = makeLayer(source, bits, 5, 9);
    const Pixels quarter = rotated(layer, 90), half = rotated(layer, 180),
                 three = rotated(layer, 270);
    ASSERT_EQ(quarter.width, kH);
    ASSERT_EQ(quarter.height, kW);
    ASSERT_EQ(half.width, kW);
    for (int32_t y = 0; y < kH; ++y) {
      for (int32_t x = 0; x < kW; ++x) {
        const unsigned char* p = source.at(x, y);
        // Counter-clockwise: the right edge comes to the top.
        EXPECT_EQ(std::memcmp(quarter.at(y, kW - 1 - x), p, bits / 8), 0) << bits;
        EXPECT_EQ(std::memcmp(half.at(kW - 1 - x, kH - 1 - y), p, bits / 8), 0) << bits;
        EXPECT_EQ(std::memcmp(three.at(kH - 1 - y, x), p, bits / 8), 0) << bits;
      }
    }
    EXPECT_EQ(readLayer(layer).bytes, source.bytes) << "the source is left unchanged";
    zanDestroyLayer(layer);
  }
}

TEST_F(GeometryTest, AnglesAreNormalisedAndTheRecordGetsTheRealSize) {
  const zanHandle layer = makeLayer(patternPixels(kW, kH, 3), 24);
  RotateParams params{};
  EXPECT_EQ(rotated(layer, -90, &params).bytes, rotated(layer, 270).bytes);
  EXPECT_EQ(params.resultWidth, kH);
  EXPECT_EQ(params.resultHeight, kW);
  EXPECT_EQ(rotated(layer, 450).bytes, rotated(layer, 90).bytes);
  EXPECT_EQ(rotated(layer, 360).bytes, readLayer(layer).bytes);
  zanDestroyLayer(layer);
}

TEST_F(GeometryTest, FlipsMirrorRowsOrColumns) {
  const Pixels source = patternPixels(kW, kH, 3);
  const zanHandle layer = makeLayer(source, 24, -4, 3);
  FlipParams across{1}, down{0};
  Result h(matFlipLayer(layer, &across, nullptr, nullptr));
  Result v(matFlipLayer(layer, &down, nullptr, nullptr));
  const Pixels ph = readLayer(h.layer), pv = readLayer(v.layer);
  for (int32_t y = 0; y < kH; ++y) {
    for (int32_t x = 0; x < kW; ++x) {
      EXPECT_EQ(std::memcmp(ph.at(kW - 1 - x, y), source.at(x, y), 3), 0);
      EXPECT_EQ(std::memcmp(pv.at(x, kH - 1 - y), source.at(x, y), 3), 0);
    }
  }
  EXPECT_EQ(layerRect(h.layer).left, -4);
  zanDestroyLayer(layer);
}

TEST_F(GeometryTest, CropKeepsTheOverlapWithTheShape) {
  const Pixels source = patternPixels(kW, kH, 3);
  const zanHandle layer = makeLayer(source, 24, 10, 20);
  const zanHandle shape = makeLayer(patternPixels(20, 30, 1), 8, 25, 27);
  int32_t error = -1;
  Result cut(matCropLayer(layer, shape, &error));
  EXPECT_EQ(error, MAT_OK);
  const RECT r = layerRect(cut.layer);
  EXPECT_EQ(r.left, 25);
  EXPECT_EQ(r.top, 27);
  EXPECT_EQ(r.right, 45);
  EXPECT_EQ(r.bottom, 43);
  const Pixels part = readLayer(cut.layer);
  for (int32_t y = 0; y < part.height; ++y) {
    for (int32_t x = 0; x < part.width; ++x) {
      ASSERT_EQ(std::memcmp(part.at(x, y), source.at(x + 15, y + 7), 3), 0);
    }
  }
  Result copy(matCropLayer(layer, 0, &error));
  EXPECT_EQ(readLayer(copy.layer).bytes, source.bytes);
  const zanHandle far = makeLayer(patternPixels(4, 4, 1), 8, 500, 500);
  error = -1;
  EXPECT_EQ(matCropLayer(layer, far, &error), 0u);
  EXPECT_EQ(error, MAT_OK) << "no overlap is not an error";
  zanDestroyLayer(far);
  zanDestroyLayer(shape);
  zanDestroyLayer(layer);
}

TEST_F(GeometryTest, ResizeKeepsConstantsAndAveragesExactly) {
  const Pixels flat =
      makePixels(kW, kH, 3, [](int32_t, int32_t, int32_t b) { return 40 + b * 90; });
  const zanHandle layer = makeLayer(flat, 24, 6, 4);
  for (const int32_t method : {0, 2}) {
    ResizeRatio twice{2, 1, 2, 1, method};
    Result big(matResize(layer, &twice, nullptr, nullptr));
    const Pixels p = readLayer(big.layer);
    ASSERT_EQ(p.width, 2 * kW);
    ASSERT_EQ(p.height, 2 * kH);
    for (int32_t i = 0; i < p.width * p.height; ++i) {
      ASSERT_EQ(std::memcmp(p.bytes.data() + 3 * i, flat.bytes.data(), 3), 0) << method;
    }
    EXPECT_EQ(layerRect(big.layer).left, 12);
    EXPECT_EQ(layerRect(big.layer).top, 4) << "the top edge stays";
  }
  ResizeRatio same{3, 3, 5, 5, 1};
  Result copy(matResize(layer, &same, nullptr, nullptr));
  EXPECT_EQ(readLayer(copy.layer).bytes, flat.bytes);
  ResizeRatio tiny{1, 100, 1, 2, 1};
  Result thin(matResize(layer, &tiny, nullptr, nullptr));
  EXPECT_EQ(readLayer(thin.layer).width, 1) << "a width that computes to 0 becomes 1";
  zanDestroyLayer(layer);

  // Halving averages each 2 x 2 block, rounded.
  const Pixels grey = patternPixels(40, 20, 1);
  const zanHandle small = makeLayer(grey, 8);
  ResizeRatio half{1, 2, 1, 2, 1};
  Result halved(matResize(small, &half, nullptr, nullptr));
  const Pixels h = readLayer(halved.layer);
  for (int32_t y = 0; y < 10; ++y) {
    for (int32_t x = 0; x < 20; ++x) {
      const int sum = grey.at(2 * x, 2 * y)[0] + grey.at(2 * x + 1, 2 * y)[0] +
                      grey.at(2 * x, 2 * y + 1)[0] + grey.at(2 * x + 1, 2 * y + 1)[0];
      ASSERT_EQ(h.at(x, y)[0], (sum + 2) / 4);
    }
  }
  zanDestroyLayer(small);
}

// Halving reads the source's blocks in place when its cells cannot straddle two of them and
// through a copy otherwise; both give the rounded 2 x 2 means, and tiles without a block give 0.
TEST_F(GeometryTest, HalvingAveragesEveryCellWhereverTheTilesSplitIt) {
  const Pixels source = patternPixels(40, 22, 3);
  auto expectHalved = [&](zanHandle layer, const RECT& crop, bool leftHalfOnly) {
    const CropResizeParams params{crop, ResizeRatio{1, 2, 1, 2, 1}};
    Result halved(matCropResizeLayer(layer, &params, nullptr, nullptr));
    ASSERT_NE(halved.layer, 0u);
    const Pixels h = readLayer(halved.layer);
    Result separate(_matCropResizeLayerEx(layer, &params.crop, &params.ratio, nullptr, nullptr));
    EXPECT_EQ(readLayer(separate.layer).bytes, h.bytes);
    const int32_t x0 = crop.left - 3, y0 = crop.top - 5;  // the layer stands at (3, 5)
    ASSERT_EQ(h.width, (crop.right - crop.left) / 2);
    ASSERT_EQ(h.height, (crop.bottom - crop.top) / 2);
    for (int32_t y = 0; y < h.height; ++y) {
      for (int32_t x = 0; x < h.width; ++x) {
        const int32_t sx = x0 + 2 * x, sy = y0 + 2 * y;
        for (int32_t c = 0; c < 3; ++c) {
          int sum = source.at(sx, sy)[c] + source.at(sx + 1, sy)[c] + source.at(sx, sy + 1)[c] +
                    source.at(sx + 1, sy + 1)[c];
          if (leftHalfOnly && sx >= 16) sum = 0;
          ASSERT_EQ(h.at(x, y)[c], (sum + 2) / 4) << x << "," << y << "," << c;
        }
      }
    }
  };
  for (const int32_t tile : {6, 7}) {
    SCOPED_TRACE(tile);
    const zanHandle layer = makeLayer(source, 24, 3, 5, tile);
    expectHalved(layer, RECT{3, 5, 43, 27}, false);  // even origin
    expectHalved(layer, RECT{4, 8, 40, 26}, false);  // odd origin in the layer
    zanDestroyLayer(layer);
  }
  const zanHandle holes = zanCreateLayer(3, 5, 43, 27, nullptr);
  const int32_t tile = 8;
  zanSetLayerProperty(holes, ZAN_LAYER_TILEW, &tile, 4, 0);
  zanSetLayerProperty(holes, ZAN_LAYER_TILEH, &tile, 4, 0);
  ASSERT_EQ(zanSetLayerBits(source.bytes.data(), holes, 0, 0, 16, 22, 40 * 3, ZAN_NO_FILL), 0);
  expectHalved(holes, RECT{3, 5, 43, 27}, true);
  zanDestroyLayer(holes);
}

TEST_F(GeometryTest, CalcResizeRectTruncatesTowardZero) {
  const RECT r{-7, 5, 9, 11};
  const int32_t x[] = {1, 2}, y[] = {2, 3};
  RECT out{};
  ASSERT_EQ(_matCalcResizeRect(&out, &r, x, y), 1);
  EXPECT_EQ(out.left, -3);
  EXPECT_EQ(out.top, 3);
  EXPECT_EQ(out.right, 4);
  EXPECT_EQ(out.bottom, 7);
  const int32_t zero[] = {1, 0};
  EXPECT_EQ(_matCalcResizeRect(&out, &r, zero, y), 0);
}

TEST_F(GeometryTest, FortyFiveDegreesGivesTheDiagonalSizeWithEmptyCorners) {
  const Pixels flat = makePixels(40, 30, 3, [](int32_t, int32_t, int32_t) { return 200; });
  const zanHandle layer = makeLayer(flat, 24);
  RotateParams params{};
  const Pixels p = rotated(layer, 45, &params);
  const int32_t side = static_cast<int32_t>(std::floor(0.70710678 * 70 + 0.5));
  EXPECT_EQ(params.resultWidth, side);
  EXPECT_EQ(p.width, side);
  EXPECT_EQ(p.height, side);
  EXPECT_EQ(p.at(0, 0)[0], 0);
  EXPECT_EQ(p.at(side - 1, side - 1)[0], 0);
  EXPECT_EQ(p.at(side / 2, side / 2)[0], 200);
  zanDestroyLayer(layer);
}

TEST_F(GeometryTest, ATurnAndBackStaysWithinTheInterpolationError) {
  // A smooth image: bilinear sampling twice loses little.
  const Pixels smooth = makePixels(60, 50, 3, [](int32_t x, int32_t y, int32_t b) {
    return static_cast<int>(128 + 60 * std::sin(x * 0.15 + b) * std::cos(y * 0.11));
  });
  const zanHandle layer = makeLayer(smooth, 24);
  const double there[] = {10.0, 30.0, 25.0}, back[] = {-10.0, 30.0, 25.0};
  const RECT full = layerRect(layer);
  Result turned(matRotateLayerEx(&full, layer, there, nullptr, nullptr));
  Result again(matRotateLayerEx(&full, turned.layer, back, nullptr, nullptr));
  const Pixels p = readLayer(again.layer);
  int worst = 0;
  for (int32_t y = 15; y < 35; ++y) {
    for (int32_t x = 15; x < 45; ++x) {
      for (int b = 0; b < 3; ++b)
        worst = std::max(worst, std::abs(p.at(x, y)[b] - smooth.at(x, y)[b]));
    }
  }
  EXPECT_LE(worst, 6);
  zanDestroyLayer(layer);
}

TEST_F(GeometryTest, RotationBoundsAndPlacementAboutACentre) {
  const RECT r{0, 0, 40, 20};
  const double quarter[] = {90.0, 20.0, 10.0};
  RECT out{};
  ASSERT_EQ(_matRotateRect(&out, &r, quarter), 1);
  EXPECT_EQ(out.left, 10);
  EXPECT_EQ(out.top, -10);
  EXPECT_EQ(out.right, 30);
  EXPECT_EQ(out.bottom, 30);
  const POINT p = placementAboutCentre(90, r, POINT{20, 10});
  EXPECT_EQ(p.x, 10);
  EXPECT_EQ(p.y, -10);
}

TEST_F(GeometryTest, TransformByTranslationMovesTheLayer) {
  const Pixels source = patternPixels(kW, kH, 3);
  const zanHandle layer = makeLayer(source, 24, 3, 4);
  ToolTransform shift{{1, 0, 0, 0, 1, 0, 10, -2, 1}, 0};
  Result moved(matTransform(layer, &shift));
  ASSERT_NE(moved.layer, 0u);
  EXPECT_EQ(layerRect(moved.layer).left, 13);
  EXPECT_EQ(layerRect(moved.layer).top, 2);
  EXPECT_EQ(readLayer(moved.layer).bytes, source.bytes);
  ToolTransform flat{{0, 0, 0, 0, 0, 0, 0, 0, 1}, 0};
  EXPECT_EQ(matTransform(layer, &flat), 0u) << "a singular matrix";
  zanDestroyLayer(layer);
}

}  // namespace
}  // namespace tessaly::tools::test
