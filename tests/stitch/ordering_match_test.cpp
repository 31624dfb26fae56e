// Scoring one gradient image to the right of another.
#include "ordering_match.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "ordering_features.h"
#include "picture.h"

namespace {

// A gradient-like image of random bytes in [low, high].
qx::ImagePtr randomBytes(int32_t width, int32_t height, uint32_t seed, int low = 20,
                         int high = 200) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> value(low, high);
  qx::ImagePtr image = qx::makeImage(width, height);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t i = 0; i < width * 3; ++i)
      qx::rowOf(*image, y)[i] = static_cast<uint8_t>(value(rng));
  }
  return image;
}

// Columns [x0, x0 + width) and rows [y0, y0 + height) of image, plus `add` on every byte.
qx::GradientFeatures part(const tagPixelArray& image, int32_t x0, int32_t y0, int32_t width,
                          int32_t height, int add = 0) {
  qx::ImagePtr out = qx::makeImage(width, height);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t i = 0; i < width * 3; ++i) {
      qx::rowOf(*out, y)[i] = static_cast<uint8_t>(qx::rowOf(image, y0 + y)[x0 * 3 + i] + add);
    }
  }
  return qx::withSums(std::move(out));
}

qx::MatchSettings rowSettings(bool pruning = true) {
  return {false, 12, pruning};
}

TEST(OrderingMatch, WindowFollowsTheStyle) {
  // Row: a seventh to six sevenths of overlap; vertical slack an eighth, at least 10.
  qx::MatchWindow w = qx::matchWindow(70, 60, 80, 50, false);
  EXPECT_EQ(w.xBegin, 10);
  EXPECT_EQ(w.xEnd, 60);
  EXPECT_EQ(w.yBegin, 5 - 10);
  EXPECT_EQ(w.yEnd, 5 + 10);
  w = qx::matchWindow(70, 200, 80, 160, false);
  EXPECT_EQ(w.yBegin, 20 - 20);
  // Grid: from almost complete overlap; slack a tenth, at least 8. The centring offset rounds
  // towards minus infinity.
  w = qx::matchWindow(70, 50, 80, 61, true);
  EXPECT_EQ(w.xBegin, 1);
  EXPECT_EQ(w.xEnd, 60);
  EXPECT_EQ(w.yBegin, -6 - 8);
  EXPECT_EQ(w.yEnd, -6 + 8);
  w = qx::matchWindow(70, 120, 80, 100, true);
  EXPECT_EQ(w.yBegin, 10 - 10);
}

TEST(OrderingMatch, TheTrueOffsetScoresZeroEvenWithABrightnessShift) {
  const qx::ImagePtr source = randomBytes(120, 60, 1);
  const qx::GradientFeatures a = part(*source, 0, 0, 70, 60);
  EXPECT_EQ(qx::matchScore(a, part(*source, 40, 3, 80, 52), rowSettings()), 0.0);
  EXPECT_EQ(qx::matchScore(a, part(*source, 40, 3, 80, 52, 30), rowSettings()), 0.0);
  // Unrelated content scores far worse.
  const qx::ImagePtr other = randomBytes(80, 52, 2);
  EXPECT_GT(qx::matchScore(a, qx::withSums(qx::copyImage(*other)), rowSettings()), 500.0);
}

TEST(OrderingMatch, PruningNeverChangesTheScore) {
  qxtest::Picture page = qxtest::makeTexturedPage(100, 70, 3);
  const tagPixelArray view = page.view();
  const qx::ImagePtr gradient = qx::gradientImage(view);
  const qx::ImagePtr noise = randomBytes(50, 65, 4);
  const qx::GradientFeatures candidates[] = {
      part(*gradient, 0, 0, 50, 60), part(*gradient, 30, 5, 55, 60), part(*gradient, 40, 2, 60, 68),
      part(*noise, 0, 0, 50, 65), part(*noise, 5, 5, 35, 40)};
  int scored = 0;
  for (bool grid : {false, true}) {
    for (const auto& a : candidates) {
      for (const auto& b : candidates) {
        const double pruned = qx::matchScore(a, b, {grid, 12, true});
        EXPECT_EQ(pruned, qx::matchScore(a, b, {grid, 12, false}));
        scored += pruned != qx::kNoMatch;
      }
    }
  }
  EXPECT_EQ(scored, 50);
}

TEST(OrderingMatch, FeaturelessOverlapsAreSkipped) {
  // Every byte 15: featured enough for the floor of 12, not for the stricter 18.
  const qx::ImagePtr flat = randomBytes(60, 60, 5, 15, 15);
  const qx::GradientFeatures a = part(*flat, 0, 0, 60, 60);
  EXPECT_EQ(qx::matchScore(a, a, {false, 12, true}), 0.0);
  EXPECT_EQ(qx::matchScore(a, a, {false, 18, true}), qx::kNoMatch);
  // Pieces too small to overlap by more than 2 pixels in the window never match.
  const qx::GradientFeatures tiny = part(*flat, 0, 0, 3, 3);
  EXPECT_EQ(qx::matchScore(tiny, tiny, {true, 12, true}), qx::kNoMatch);
}

void record(long position, bool*, void* positions) {
  static_cast<std::vector<long>*>(positions)->push_back(position);
}

TEST(OrderingMatch, ReportsOncePerWindowRow) {
  const qx::ImagePtr source = randomBytes(120, 60, 6);
  std::vector<long> positions;
  const qx::Progress progress(record, &positions);
  qx::matchScore(part(*source, 0, 0, 70, 60), part(*source, 40, 0, 80, 60), rowSettings(),
                 {&progress, 10, 30});
  ASSERT_EQ(positions.size(), 20u);  // y from -10 to 9
  EXPECT_EQ(positions.front(), 10);
  EXPECT_EQ(positions.back(), 29);
}

}  // namespace
