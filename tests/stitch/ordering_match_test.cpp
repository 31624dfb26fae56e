// Scoring one gradient image to the right of another.
#include "ordering_match.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "ordering_features.h"
#include "picture.h"

namespace {

using tessaly::stitch::matchWindow;
using tessaly::stitch::NeighbourOverlap;

// A gradient-like image of random bytes in [low, high].
tessaly::stitch::ImagePtr randomBytes(int32_t width, int32_t height, uint32_t seed, int low = 20,
                                      int high = 200) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> value(low, high);
  tessaly::stitch::ImagePtr image = tessaly::stitch::makeImage(width, height);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t i = 0; i < width * 3; ++i)
      tessaly::stitch::rowOf(*image, y)[i] = static_cast<uint8_t>(value(rng));
  }
  return image;
}

// Columns [x0, x0 + width) and rows [y0, y0 + height) of image, plus `add` on every byte.
tessaly::stitch::GradientFeatures part(const tagPixelArray& image, int32_t x0, int32_t y0,
                                       int32_t width, int32_t height, int add = 0) {
  tessaly::stitch::ImagePtr out = tessaly::stitch::makeImage(width, height);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t i = 0; i < width * 3; ++i) {
      tessaly::stitch::rowOf(*out, y)[i] =
          static_cast<uint8_t>(tessaly::stitch::rowOf(image, y0 + y)[x0 * 3 + i] + add);
    }
  }
  return tessaly::stitch::withSums(std::move(out));
}

tessaly::stitch::MatchSettings rowSettings(bool pruning = true) {
  return {NeighbourOverlap::Partial, 12, pruning};
}

TEST(OrderingMatch, WindowFollowsTheStyle) {
  // Row: a seventh to six sevenths of overlap; vertical slack an eighth, at least 10.
  tessaly::stitch::MatchWindow w = matchWindow(70, 60, 80, 50, NeighbourOverlap::Partial);
  EXPECT_EQ(w.xBegin, 10);
  EXPECT_EQ(w.xEnd, 60);
  EXPECT_EQ(w.yBegin, 5 - 10);
  EXPECT_EQ(w.yEnd, 5 + 10);
  w = matchWindow(70, 200, 80, 160, NeighbourOverlap::Partial);
  EXPECT_EQ(w.yBegin, 20 - 20);
  // Grid: from almost complete overlap; slack a tenth, at least 8. The centring offset rounds
  // towards minus infinity.
  w = matchWindow(70, 50, 80, 61, NeighbourOverlap::Wide);
  EXPECT_EQ(w.xBegin, 1);
  EXPECT_EQ(w.xEnd, 60);
  EXPECT_EQ(w.yBegin, -6 - 8);
  EXPECT_EQ(w.yEnd, -6 + 8);
  w = matchWindow(70, 120, 80, 100, NeighbourOverlap::Wide);
  EXPECT_EQ(w.yBegin, 10 - 10);
}

TEST(OrderingMatch, TheTrueOffsetScoresZeroEvenWithABrightnessShift) {
  const tessaly::stitch::ImagePtr source = randomBytes(120, 60, 1);
  const tessaly::stitch::GradientFeatures a = part(*source, 0, 0, 70, 60);
  EXPECT_EQ(tessaly::stitch::matchScore(a, part(*source, 40, 3, 80, 52), rowSettings()), 0.0);
  EXPECT_EQ(tessaly::stitch::matchScore(a, part(*source, 40, 3, 80, 52, 30), rowSettings()), 0.0);
  // Unrelated content scores far worse.
  const tessaly::stitch::ImagePtr other = randomBytes(80, 52, 2);
  EXPECT_GT(tessaly::stitch::matchScore(
                a, tessaly::stitch::withSums(tessaly::stitch::copyImage(*other)), rowSettings()),
            500.0);
}

TEST(OrderingMatch, PruningNeverChangesTheScore) {
  tessaly::stitch::test::Picture page = tessaly::stitch::test::makeTexturedPage(100, 70, 3);
  const tagPixelArray view = page.view();
  const tessaly::stitch::ImagePtr gradient = tessaly::stitch::gradientImage(view);
  const tessaly::stitch::ImagePtr noise = randomBytes(50, 65, 4);
  const tessaly::stitch::GradientFeatures candidates[] = {
      part(*gradient, 0, 0, 50, 60), part(*gradient, 30, 5, 55, 60), part(*gradient, 40, 2, 60, 68),
      part(*noise, 0, 0, 50, 65), part(*noise, 5, 5, 35, 40)};
  int scored = 0;
  for (const NeighbourOverlap overlap : {NeighbourOverlap::Partial, NeighbourOverlap::Wide}) {
    for (const auto& a : candidates) {
      for (const auto& b : candidates) {
        const double pruned = tessaly::stitch::matchScore(a, b, {overlap, 12, true});
        EXPECT_EQ(pruned, tessaly::stitch::matchScore(a, b, {overlap, 12, false}));
        scored += pruned != tessaly::stitch::kNoMatch;
      }
    }
  }
  EXPECT_EQ(scored, 50);
}

TEST(OrderingMatch, FeaturelessOverlapsAreSkipped) {
  // Every byte 15: featured enough for the floor of 12, not for the stricter 18.
  const tessaly::stitch::ImagePtr flat = randomBytes(60, 60, 5, 15, 15);
  const tessaly::stitch::GradientFeatures a = part(*flat, 0, 0, 60, 60);
  EXPECT_EQ(tessaly::stitch::matchScore(a, a, {NeighbourOverlap::Partial, 12, true}), 0.0);
  EXPECT_EQ(tessaly::stitch::matchScore(a, a, {NeighbourOverlap::Partial, 18, true}),
            tessaly::stitch::kNoMatch);
  // Pieces too small to overlap by more than 2 pixels in the window never match.
  const tessaly::stitch::GradientFeatures tiny = part(*flat, 0, 0, 3, 3);
  EXPECT_EQ(tessaly::stitch::matchScore(tiny, tiny, {NeighbourOverlap::Wide, 12, true}),
            tessaly::stitch::kNoMatch);
}

void record(long position, bool*, void* positions) {
  static_cast<std::vector<long>*>(positions)->push_back(position);
}

TEST(OrderingMatch, ReportsOncePerWindowRow) {
  const tessaly::stitch::ImagePtr source = randomBytes(120, 60, 6);
  std::vector<long> positions;
  const tessaly::stitch::Progress progress(record, &positions);
  tessaly::stitch::matchScore(part(*source, 0, 0, 70, 60), part(*source, 40, 0, 80, 60),
                              rowSettings(), {&progress, 10, 30});
  ASSERT_EQ(positions.size(), 20u);  // y from -10 to 9
  EXPECT_EQ(positions.front(), 10);
  EXPECT_EQ(positions.back(), 29);
}

}  // namespace
