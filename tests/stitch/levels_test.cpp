#include "levels.h"

#include <gtest/gtest.h>

#include "errors.h"
#include "picture.h"

namespace {

using tessaly::stitch::halve;
using tessaly::stitch::levelCount;
using tessaly::stitch::test::Picture;

int countFor(int32_t w, int32_t h, int32_t style) {
  const POINT size{w, h};
  return levelCount(&size, 1, tessaly::stitch::policyFor(style));
}

TEST(LevelCount, FollowsTheSmallestPieceAndTheStyleMinimumEdge) {
  EXPECT_EQ(countFor(60, 100, 0), 1);  // the coarsest level is full resolution
  EXPECT_EQ(countFor(40, 100, 1), 0);  // 40 is not above 40
  EXPECT_EQ(countFor(2000, 3000, 1), 6);
  EXPECT_EQ(countFor(2000, 3000, 0), 6);
  EXPECT_EQ(countFor(1700, 3000, 1), 6);
  EXPECT_EQ(countFor(1700, 3000, 0), 5);  // 53 is not above 54
  EXPECT_EQ(countFor(2480, 3508, 1), 6);
  EXPECT_EQ(countFor(1700, 3000, 7), 5);  // any style but 1 counts as a row
}

TEST(LevelCount, UsesTheFirstOfEqualAreasAndTheSmallestOverall) {
  // Equal areas: the first piece (1700 x 3000, row style) decides: 5 levels. Swapped: 6.
  const POINT tallFirst[] = {{1700, 3000}, {3000, 1700}, {5000, 5000}};
  EXPECT_EQ(levelCount(tallFirst, 3, tessaly::stitch::policyFor(QX_STYLE_ROW)), 5);
  const POINT smallLast[] = {{5000, 5000}, {60, 100}};
  EXPECT_EQ(levelCount(smallLast, 2, tessaly::stitch::policyFor(QX_STYLE_ROW)), 1);
}

Picture randomPicture(int32_t w, int32_t h, uint32_t seed) {
  Picture p(w, h);
  uint32_t state = seed;
  for (auto& b : p.bytes) {
    state = state * 1664525u + 1013904223u;
    b = static_cast<uint8_t>(state >> 24);
  }
  return p;
}

// The filter written out the slow way: every tap clamped separately.
Picture referenceHalving(const Picture& src) {
  Picture out(src.width / 2, src.height / 2);
  const int weights[3] = {1, 2, 1};
  for (int32_t i = 0; i < out.height; ++i) {
    for (int32_t j = 0; j < out.width; ++j) {
      for (int c = 0; c < 3; ++c) {
        int sum = 0;
        for (int dy = -1; dy <= 1; ++dy) {
          for (int dx = -1; dx <= 1; ++dx) {
            const int y = std::clamp(2 * i + dy, 0, src.height - 1);
            const int x = std::clamp(2 * j + dx, 0, src.width - 1);
            sum += weights[dy + 1] * weights[dx + 1] * src.pixel(x, y)[c];
          }
        }
        out.pixel(j, i)[c] = static_cast<uint8_t>(sum >> 4);
      }
    }
  }
  return out;
}

TEST(Halving, MatchesTheClampedBinomialFilterOnOddAndEvenSizes) {
  for (auto [w, h] : {std::pair{8, 6}, {9, 7}, {3, 2}, {2, 3}, {33, 17}}) {
    Picture src = randomPicture(w, h, static_cast<uint32_t>(w * 31 + h));
    const tagPixelArray view = src.view();
    tessaly::stitch::ImagePtr out = halve(view, {});
    EXPECT_TRUE(Picture::fromArray(*out).samePixels(referenceHalving(src))) << w << " x " << h;
    EXPECT_EQ(out->bytesPerLine, ((w / 2) * 24 + 31) / 32 * 4);
  }
}

TEST(Halving, KnownValuesAtTheCornerAndCentre) {
  // One bright pixel at (2, 2) of a 6 x 6 black image: output (1, 1) sees it with weight 4.
  Picture src(6, 6);
  std::fill(src.bytes.begin(), src.bytes.end(), 0);
  src.pixel(2, 2)[1] = 160;
  src.pixel(0, 0)[0] = 160;  // corner: clamping gives it weights 4 (centre) + 2 + 2 + 1 = 9
  const tagPixelArray view = src.view();
  tessaly::stitch::ImagePtr out = halve(view, {});
  const Picture result = Picture::fromArray(*out);
  EXPECT_EQ(result.pixel(1, 1)[1], 160 * 4 / 16);
  EXPECT_EQ(result.pixel(0, 0)[0], 160 * 9 / 16);
  EXPECT_EQ(result.pixel(1, 0)[1], 0);
}

TEST(Halving, DropsTheLastOddColumnAndEmptiesOnePixelWidth) {
  Picture odd = randomPicture(5, 4, 7);
  tagPixelArray view = odd.view();
  EXPECT_EQ(halve(view, {})->width, 2);
  Picture thin = randomPicture(1, 9, 8);
  view = thin.view();
  tessaly::stitch::ImagePtr out = halve(view, {});
  EXPECT_EQ(out->width, 0);
  EXPECT_EQ(out->height, 4);
}

struct Recorder {
  std::vector<long> positions;
  long cancelAt = -1;
  static void proc(long position, bool* cancel, void* self) {
    auto* r = static_cast<Recorder*>(self);
    r->positions.push_back(position);
    *cancel = static_cast<long>(r->positions.size()) == r->cancelAt;
  }
};

TEST(Halving, ReportsBeforeEveryRowAndStopsOnCancel) {
  Picture src = randomPicture(20, 20, 3);
  const tagPixelArray view = src.view();
  Recorder recorder;
  const tessaly::stitch::Progress progress(Recorder::proc, &recorder);
  halve(view, {&progress, 10, 20});
  EXPECT_EQ(recorder.positions, (std::vector<long>{10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20}));

  recorder.positions.clear();
  recorder.cancelAt = 3;
  try {
    halve(view, {&progress, 10, 20});
    FAIL() << "cancel ignored";
  } catch (const tessaly::stitch::StitchError& e) {
    EXPECT_EQ(e.code, QX_CANCELLED);
  }
}

}  // namespace
