// The whole engine from file names to one picture through the exported functions only: pieces
// cut from a textured page are loaded, arranged, aligned by the engine and blended, and the
// result is compared with the page.
//
// Error bound: cutting a piece at an angle and placing it again resamples it twice, which costs
// 2 to 4 levels of mean error on the smoothed page with exact placement (see the composition
// tests); an alignment within a pixel may add about one more, so the covered area must stay
// within 5 levels. Placement is checked separately: no textured 48 x 48 tile of the result may
// match the page better at a shift of more than one pixel.
#include <gtest/gtest.h>

#include "session_fixture.h"
#include "stitch_check.h"
#include "stitch_layout.h"

namespace {

using tessaly::stitch::test::StitchLayout;

constexpr double kMeanErrorBound = 5.0;

class EndToEndTest : public tessaly::stitch::test::SessionTest {
 protected:
  // Stitches the layout's pieces (load order is cell order) and returns the result.
  const tagPixelArray* stitch(const StitchLayout& layout, int32_t style) {
    std::vector<std::string> files;
    for (size_t cell = 0; cell < layout.cells.size(); ++cell) {
      files.push_back(addPiece("piece" + std::to_string(cell) + ".bmp",
                               layout.file(static_cast<int>(cell)), static_cast<long>(cell)));
    }
    open(style);
    const long aligned = tessaly::stitch::test::alignLayout(
        session_, layout, files, tessaly::stitch::test::Alignment::Engine);
    EXPECT_TRUE(aligned == QX_OK || aligned == QX_WARN_FEATURELESS_OVERLAP ||
                aligned == QX_WARN_SMALL_OVERLAP)
        << aligned;
    tagPixelArray* result = nullptr;
    RECT rect{};
    EXPECT_EQ(QXAutoBlend(session_, &result, &rect), QX_OK);
    EXPECT_EQ(loader_.liveImages(), 0);
    return result;
  }

  static void expectMatchesPage(const tagPixelArray* result, const StitchLayout& layout) {
    ASSERT_NE(result, nullptr);
    const tessaly::stitch::test::StitchCheck check =
        tessaly::stitch::test::checkAgainstPage(*result, layout, 0, 6);
    EXPECT_GT(check.covered, static_cast<int64_t>(result->width) * result->height / 2);
    EXPECT_LT(check.meanError, kMeanErrorBound);
    EXPECT_LE(check.worstShift, 1);
  }
};

// 800 x 600 pieces overlapping by about a third.
StitchLayout tilted(int32_t rows, int32_t columns, uint32_t seed) {
  return tessaly::stitch::test::tiltedGrid(rows, columns, 800, 600, 240, seed);
}

// The whole road as the program takes it: the engine also finds the arrangement.
TEST_F(EndToEndTest, GridArrangedByTheEngineFromShuffledScans) {
  const StitchLayout layout = tilted(2, 2, 127);
  const long scanTimes[] = {2, 0, 3, 1};
  for (int cell = 0; cell < 4; ++cell) {
    addPiece("scan" + std::to_string(cell) + ".bmp", layout.file(cell), scanTimes[cell]);
  }
  open(QX_STYLE_GRID);
  ASSERT_EQ(load(), QX_OK);
  tessaly::stitch::test::CandidateRecords candidates(4);
  long count = 0;
  ASSERT_EQ(QXAutoOrder(session_, &count, candidates.records), QX_OK);
  const long aligned = QXAutoAlign(session_);
  EXPECT_TRUE(aligned == QX_OK || aligned == QX_WARN_FEATURELESS_OVERLAP) << aligned;
  tagPixelArray* result = nullptr;
  ASSERT_EQ(QXAutoBlend(session_, &result, nullptr), QX_OK);
  EXPECT_EQ(loader_.liveImages(), 0);
  expectMatchesPage(result, layout);
}

TEST_F(EndToEndTest, RowOfThree) {
  // A row is searched for overlaps between a third and six sevenths of a piece.
  const StitchLayout layout = tessaly::stitch::test::tiltedGrid(1, 3, 800, 600, 320, 101);
  expectMatchesPage(stitch(layout, QX_STYLE_ROW), layout);
}

TEST_F(EndToEndTest, TwoByTwo) {
  const StitchLayout layout = tilted(2, 2, 103);
  expectMatchesPage(stitch(layout, QX_STYLE_GRID), layout);
}

TEST_F(EndToEndTest, TwoByThreeWithAPieceScannedUpsideDown) {
  StitchLayout layout = tilted(2, 3, 107);
  layout.cells[4].fileTurns = 2;
  expectMatchesPage(stitch(layout, QX_STYLE_GRID), layout);
}

TEST_F(EndToEndTest, ASetScannedSideways) {
  StitchLayout layout = tilted(2, 2, 109);
  for (tessaly::stitch::test::PiecePlan& p : layout.cells) p.fileTurns = 1;
  expectMatchesPage(stitch(layout, QX_STYLE_GRID), layout);
}

TEST_F(EndToEndTest, BrightnessStepOfTwentyLevelsIsEvenedOut) {
  StitchLayout layout = tessaly::stitch::test::gridLayout(2, 2, 800, 600, 240, 113);
  tessaly::stitch::test::squeezeTones(layout.page);
  const int steps[] = {0, 20, 20, 0};
  for (int cell = 0; cell < 4; ++cell) layout.cells[cell].brightness = steps[cell];
  layout.cells[3].angleDegrees = 1.0;
  const tagPixelArray* result = stitch(layout, QX_STYLE_GRID);
  expectMatchesPage(result, layout);
  EXPECT_LE(tessaly::stitch::test::brightnessSpread(*result, layout, 0), 3.0);
}

}  // namespace
