// Composition through the exports on layouts with known placement, the result compared with the
// page the pieces were cut from.
//
// Error bound: the pieces here are cut from a lightly smoothed page. Cutting a piece at an angle
// and placing it again resamples it twice, which costs 2 to 4 levels of mean error on that page
// with exact arithmetic; one piece of four placed a single pixel off raises the mean to about 5.
// So the covered area must stay within 4 levels, and no textured tile of the result may match
// the page better at any shift but zero.
#include <gtest/gtest.h>

#include <filesystem>

#include "blend_fixture.h"
#include "session.h"
#include "stitch_check.h"

namespace {

using tessaly::stitch::test::StitchLayout;

constexpr double kMeanErrorBound = 4.0;

tessaly::stitch::Session& internals(void* handle) {
  return *static_cast<tessaly::stitch::Session*>(handle);
}

void expectMatchesPage(const tagPixelArray& result, const StitchLayout& layout, int level = 0) {
  const tessaly::stitch::test::StitchCheck check =
      tessaly::stitch::test::checkAgainstPage(result, layout, level);
  EXPECT_GT(check.covered, result.width * result.height / 2);
  EXPECT_LT(check.meanError, kMeanErrorBound);
  EXPECT_LT(std::abs(check.bias), 1.0);
  EXPECT_EQ(check.worstShift, 0);
}

StitchLayout tiltedGrid(int32_t rows, int32_t columns, uint32_t seed) {
  return tessaly::stitch::test::tiltedGrid(rows, columns, 400, 300, 110, seed);
}

class ComposeTest : public tessaly::stitch::test::BlendTest {};

TEST_F(ComposeTest, UnrotatedPiecesInARowGiveThePageBack) {
  const StitchLayout layout = tessaly::stitch::test::gridLayout(1, 3, 400, 300, 120, 1);
  prepare(layout, QX_STYLE_ROW);
  RECT rect{};
  ASSERT_EQ(blend(&rect), QX_OK);
  // The canvas is the union of the pieces plus two pixels on the right and at the bottom.
  EXPECT_EQ(result_->width, 3 * 400 - 2 * 120 + 2);
  EXPECT_EQ(result_->height, 302);
  const tessaly::stitch::test::StitchCheck check =
      tessaly::stitch::test::checkAgainstPage(*result_, layout, 0);
  EXPECT_EQ(check.meanError, 0.0);
  EXPECT_EQ(check.bias, 0.0);
  EXPECT_EQ(rect.left, 0);
  EXPECT_EQ(rect.top, 0);
  EXPECT_EQ(rect.right, 960);
  EXPECT_EQ(rect.bottom, 300);
}

TEST_F(ComposeTest, TiltedGridsInBothStyles) {
  const StitchLayout layout = tiltedGrid(2, 2, 7);
  addLayout(layout);
  for (const int32_t style : {QX_STYLE_GRID, QX_STYLE_ROW}) {
    void* s = alignedSession(style);
    tagPixelArray* result = nullptr;
    ASSERT_EQ(QXAutoBlend(s, &result, nullptr), QX_OK);
    SCOPED_TRACE(style);
    expectMatchesPage(*result, layout);
  }
}

TEST_F(ComposeTest, GridOfSixWithAPieceScannedUpsideDown) {
  StitchLayout layout = tiltedGrid(2, 3, 11);
  layout.cells[4].fileTurns = 2;
  prepare(layout, QX_STYLE_GRID);
  ASSERT_EQ(blend(), QX_OK);
  expectMatchesPage(*result_, layout);
  EXPECT_FALSE(std::filesystem::exists(dir_.storeFolder()));
}

TEST_F(ComposeTest, ASetScannedSideways) {
  StitchLayout layout = tiltedGrid(2, 2, 13);
  for (tessaly::stitch::test::PiecePlan& p : layout.cells) p.fileTurns = 1;
  prepare(layout, QX_STYLE_GRID);
  ASSERT_EQ(blend(), QX_OK);
  expectMatchesPage(*result_, layout);
}

TEST_F(ComposeTest, HalfResolutionResult) {
  const StitchLayout layout = tiltedGrid(2, 2, 17);
  prepare(layout, QX_STYLE_GRID, 1);
  ASSERT_EQ(blend(), QX_OK);
  EXPECT_LT(result_->width, 400);
  expectMatchesPage(*result_, layout, 1);
}

// Pieces 20 levels apart on a page whose tones leave room for the step: the part of the result
// that each piece alone covers must show the page within 3 levels of the same brightness.
StitchLayout steppedLayout(int32_t rows, int32_t columns, std::vector<int> steps, uint32_t seed) {
  StitchLayout layout = tessaly::stitch::test::gridLayout(rows, columns, 400, 300, 110, seed);
  tessaly::stitch::test::squeezeTones(layout.page);
  for (size_t cell = 0; cell < steps.size(); ++cell) layout.cells[cell].brightness = steps[cell];
  return layout;
}

TEST_F(ComposeTest, BrightnessStepsInARowAreEvenedOut) {
  const StitchLayout layout = steppedLayout(1, 3, {0, 20, 0}, 19);
  prepare(layout, QX_STYLE_ROW);
  ASSERT_EQ(blend(), QX_OK);
  EXPECT_LE(tessaly::stitch::test::brightnessSpread(*result_, layout, 0), 3.0);
}

TEST_F(ComposeTest, BrightnessStepsInAGridAreEvenedOut) {
  StitchLayout layout = steppedLayout(2, 2, {0, 20, 20, 0}, 23);
  layout.cells[3].angleDegrees = 1.0;
  prepare(layout, QX_STYLE_GRID);
  ASSERT_EQ(blend(), QX_OK);
  EXPECT_LE(tessaly::stitch::test::brightnessSpread(*result_, layout, 0), 3.0);
}

TEST_F(ComposeTest, ALonePieceIsCopiedOntoTheCanvas) {
  const StitchLayout layout = tessaly::stitch::test::gridLayout(1, 1, 300, 200, 0, 29);
  prepare(layout, QX_STYLE_ROW);
  ASSERT_EQ(blend(), QX_OK);
  ASSERT_EQ(result_->width, 302);
  ASSERT_EQ(result_->height, 202);
  EXPECT_EQ(tessaly::stitch::test::checkAgainstPage(*result_, layout, 0).meanError, 0.0);
}

TEST_F(ComposeTest, ACanvasUnderThirtyTwoPixelsIsRefused) {
  // A 4000 x 10 strip gets two levels; at half size it is 2000 x 5 on a canvas 7 pixels high.
  const StitchLayout layout = tessaly::stitch::test::gridLayout(1, 1, 4000, 10, 0, 43);
  prepare(layout, QX_STYLE_ROW, 1);
  EXPECT_EQ(blend(), QX_ERR_INPUT);
  EXPECT_EQ(result_, nullptr);
  EXPECT_EQ(loader_.positions().back(), 100);
}

TEST_F(ComposeTest, TheRectangleIsOptional) {
  const StitchLayout layout = tiltedGrid(2, 2, 31);
  addLayout(layout);
  void* with = alignedSession(QX_STYLE_GRID);
  void* without = alignedSession(QX_STYLE_GRID);
  tagPixelArray *a = nullptr, *b = nullptr;
  RECT rect{};
  ASSERT_EQ(QXAutoBlend(with, &a, &rect), QX_OK);
  ASSERT_EQ(QXAutoBlend(without, &b, nullptr), QX_OK);
  EXPECT_TRUE(tessaly::stitch::test::Picture::fromArray(*a).samePixels(
      tessaly::stitch::test::Picture::fromArray(*b)));
  EXPECT_GT(rect.right - rect.left, a->width * 4 / 5);
}

TEST_F(ComposeTest, BlendingConsumesThePieces) {
  StitchLayout layout = tiltedGrid(2, 2, 37);
  layout.cells[1].fileTurns = 3;
  prepare(layout, QX_STYLE_GRID);
  loader_.clearPositions();
  loader_.resetMostLive();
  ASSERT_EQ(blend(), QX_OK);
  EXPECT_EQ(result_, internals(session_).result.get());
  // Every full-resolution piece came back, one at a time.
  EXPECT_EQ(loader_.loads(), loader_.releases());
  EXPECT_EQ(loader_.liveImages(), 0);
  EXPECT_EQ(loader_.mostLiveAtOnce(), 1);
  EXPECT_FALSE(loader_.sawBadRelease());
  for (const tessaly::stitch::PieceRecord& piece : internals(session_).pieces) {
    for (const tessaly::stitch::ImagePtr& level : piece.levels) EXPECT_EQ(level, nullptr);
  }
  EXPECT_FALSE(std::filesystem::exists(dir_.storeFolder()));
  const std::vector<long>& at = loader_.positions();
  ASSERT_FALSE(at.empty());
  EXPECT_EQ(at.front(), 0);
  EXPECT_EQ(at.back(), 100);
  EXPECT_TRUE(std::is_sorted(at.begin(), at.end()));

  tagPixelArray* minis[4] = {};
  EXPECT_EQ(QXGetMiniatures(session_, minis), QX_ERR_SETUP);
  tagPixelArray* again = nullptr;
  EXPECT_EQ(QXAutoBlend(session_, &again, nullptr), QX_ERR_SETUP);
}

TEST_F(ComposeTest, CancelAndLoadFailuresHandEverythingBack) {
  const StitchLayout layout = tiltedGrid(1, 3, 41);
  addLayout(layout);
  alignedSession(QX_STYLE_ROW);
  const long before = loader_.reports();
  loader_.cancelAtReport(before + 9);
  EXPECT_EQ(blend(), QX_CANCELLED);
  EXPECT_EQ(loader_.positions().back(), 100);
  EXPECT_EQ(loader_.liveImages(), 0);
  EXPECT_EQ(internals(session_).result, nullptr);

  loader_.cancelAtReport(0);
  void* s = alignedSession(QX_STYLE_ROW);
  loader_.failOn(internals(s).workingNames[2], 77);
  tagPixelArray* result = nullptr;
  EXPECT_EQ(QXAutoBlend(s, &result, nullptr), 77);
  EXPECT_EQ(loader_.liveImages(), 0);
  EXPECT_FALSE(loader_.sawBadRelease());
}

}  // namespace
