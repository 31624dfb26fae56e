// The checks before a stitch and the choice of style.
#include <gtest/gtest.h>

#include "checks.h"

namespace {

using tessaly::cli::stitch::CheckLimits;
using tessaly::cli::stitch::checkPieces;
using tessaly::cli::stitch::ExitCode;
using tessaly::cli::stitch::Piece;

Piece piece(const std::string& path, int32_t width, int32_t height, int32_t xDpi = 300,
            int32_t yDpi = 300, int rotation = 0) {
  return tessaly::cli::stitch::describePiece({path, rotation}, 1, width, height, xDpi, yDpi);
}

TEST(ChecksTest, StyleIsARowUnlessAnEvenNumberOfAtLeastFour) {
  using tessaly::cli::stitch::chooseStyle;
  using tessaly::cli::stitch::StyleChoice;
  EXPECT_EQ(chooseStyle(2, StyleChoice::Automatic), QX_STYLE_ROW);
  EXPECT_EQ(chooseStyle(3, StyleChoice::Automatic), QX_STYLE_ROW);
  EXPECT_EQ(chooseStyle(4, StyleChoice::Automatic), QX_STYLE_GRID);
  EXPECT_EQ(chooseStyle(5, StyleChoice::Automatic), QX_STYLE_ROW);
  EXPECT_EQ(chooseStyle(6, StyleChoice::Automatic), QX_STYLE_GRID);
  EXPECT_EQ(chooseStyle(4, StyleChoice::Row), QX_STYLE_ROW);
  EXPECT_EQ(chooseStyle(3, StyleChoice::Grid), QX_STYLE_GRID);
}

TEST(ChecksTest, SizeSpreadAtTheLimitPassesAndAboveItFailsNamingBothPieces) {
  EXPECT_FALSE(checkPieces({piece("a", 1000, 800), piece("b", 800, 800)}, {}));
  const auto failure = checkPieces({piece("a", 1000, 800), piece("b", 790, 800)}, {});
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->code(), ExitCode::UnsuitablePieces);
  EXPECT_NE(std::string(failure->what()).find("'a'"), std::string::npos);
  EXPECT_NE(std::string(failure->what()).find("'b'"), std::string::npos);
  // A wider limit lets the same pieces through.
  EXPECT_FALSE(checkPieces({piece("a", 1000, 800), piece("b", 790, 800)}, {false, 25}));
}

TEST(ChecksTest, OrientationFreeSizesCompareSideForSideAndStillCatchRealSpreads) {
  const std::vector<Piece> oneTurned = {piece("a", 1000, 1400), piece("b", 1400, 1000)};
  EXPECT_TRUE(checkPieces(oneTurned, {}));  // as laid, widths differ by 29 %
  EXPECT_FALSE(checkPieces(oneTurned, {false, 20, true}));
  // Shorter sides 1000 and 790 differ by 21 %, whichever way b lies.
  const auto failure =
      checkPieces({piece("a", 1000, 1400), piece("b", 1400, 790)}, {false, 20, true});
  ASSERT_TRUE(failure);
  EXPECT_NE(std::string(failure->what()).find("shorter sides differ by 21 %"), std::string::npos)
      << failure->what();
  EXPECT_FALSE(checkPieces({piece("a", 1000, 1400), piece("b", 1400, 800)}, {false, 20, true}));
}

TEST(ChecksTest, ResolutionSpreadCountsAndAMissingResolutionIsFifty) {
  EXPECT_TRUE(checkPieces({piece("a", 1000, 800, 300, 300), piece("b", 1000, 800, 200, 300)}, {}));
  // No resolution in either file: both count as 50 dpi and pass.
  EXPECT_FALSE(checkPieces({piece("a", 1000, 800, 0, 0), piece("b", 1000, 800, 0, 0)}, {}));
  // One without: 50 against 300 is far apart.
  EXPECT_TRUE(checkPieces({piece("a", 1000, 800, 0, 0), piece("b", 1000, 800, 300, 300)}, {}));
}

TEST(ChecksTest, LowResolutionAndTinyAreaAreRefused) {
  const auto lowDpi =
      checkPieces({piece("a", 1000, 800, 40, 40), piece("b", 1000, 800, 40, 40)}, {false, 100});
  ASSERT_TRUE(lowDpi);
  EXPECT_EQ(lowDpi->code(), ExitCode::UnsuitablePieces);
  // 100 x 14 is 1400 pixels, under 1500.
  const auto tiny = checkPieces({piece("a", 100, 14), piece("b", 100, 14)}, {});
  ASSERT_TRUE(tiny);
  EXPECT_NE(std::string(tiny->what()).find("1400"), std::string::npos);
  EXPECT_FALSE(checkPieces({piece("a", 100, 15), piece("b", 100, 15)}, {}));
}

TEST(ChecksTest, RotationSwapsSizeAndResolutionBeforeTheChecks) {
  // 1000 x 600 and 600 x 1000 turned a quarter are the same shape.
  EXPECT_FALSE(checkPieces({piece("a", 1000, 600), piece("b", 600, 1000, 300, 300, 90)}, {}));
  const Piece turned = piece("c", 600, 1000, 150, 300, 270);
  EXPECT_EQ(turned.width, 1000);
  EXPECT_EQ(turned.xDpi, 300);
  EXPECT_EQ(turned.yDpi, 150);
}

TEST(ChecksTest, MoreThanTenPiecesNeedTheOption) {
  const std::vector<Piece> eleven(11, piece("a", 1000, 800));
  const auto failure = checkPieces(eleven, {});
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->code(), ExitCode::Usage);
  EXPECT_FALSE(checkPieces(eleven, {true, 20}));
  EXPECT_FALSE(checkPieces(std::vector<Piece>(10, piece("a", 1000, 800)), {}));
}

}  // namespace
