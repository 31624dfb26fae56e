// Pieces resampled onto their rectangles: copies, exact right angles and fixed-point accuracy.
#include "blend_resample.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "blend_placement.h"
#include "picture.h"

namespace {

using tessaly::stitch::test::Picture;

tessaly::stitch::Surface resample(Picture& piece, const tessaly::stitch::Transform& global,
                                  int32_t offset) {
  const tagPixelArray view = piece.view();
  return tessaly::stitch::resamplePiece(
      view, global, tessaly::stitch::pieceRectangle(global, piece.width, piece.height), offset, {});
}

TEST(BlendResample, UnrotatedPiecesAreCopiedWithTheirOffsetClamped) {
  Picture piece = tessaly::stitch::test::makeTexturedPage(37, 23, 2);
  piece.pixel(3, 4)[0] = 250;
  piece.pixel(5, 6)[2] = 4;
  const tessaly::stitch::Transform at{{1, 0, 12.9, 0, 1, -4.2}};
  const tessaly::stitch::Surface up = resample(piece, at, 10);
  EXPECT_EQ(up.rect.left, 12);
  EXPECT_EQ(up.rect.top, -4);
  EXPECT_EQ(up.image->width, 37);
  EXPECT_EQ(up.coverage.count(), 37 * 23);
  EXPECT_EQ(tessaly::stitch::rowOf(*up.image, 4)[3 * 3], 255);
  EXPECT_EQ(tessaly::stitch::rowOf(*up.image, 7)[8 * 3 + 1],
            std::min(255, piece.pixel(8, 7)[1] + 10));
  const tessaly::stitch::Surface down = resample(piece, at, -10);
  EXPECT_EQ(tessaly::stitch::rowOf(*down.image, 6)[5 * 3 + 2], 0);
}

TEST(BlendResample, ARightAngleReadsWholePixels) {
  // (u, v) -> (-v + 40, u + 7): frame (x, y) shows piece (y - 7, 40 - x). The last row and
  // column of the piece have no neighbour to interpolate with and stay out.
  Picture piece = tessaly::stitch::test::makeTexturedPage(16, 9, 3);
  const tessaly::stitch::Transform quarter{{0, -1, 40, 1, 0, 7}};
  const tessaly::stitch::Surface s = resample(piece, quarter, 0);
  EXPECT_EQ(s.rect.left, 32);
  EXPECT_EQ(s.rect.top, 7);
  EXPECT_EQ(s.coverage.count(), 15 * 8);
  for (int32_t y = s.rect.top; y < s.rect.bottom; ++y) {
    for (int32_t x = s.rect.left; x < s.rect.right; ++x) {
      const int32_t u = y - 7, v = 40 - x;
      const bool inside = u >= 0 && u <= 14 && v >= 0 && v <= 7;
      ASSERT_EQ(s.covers(x, y), inside) << x << "," << y;
      // Outside the piece the surface is white, written by the sampling itself.
      const uint8_t white[3] = {255, 255, 255};
      ASSERT_EQ(std::memcmp(s.pixelAt(x, y), inside ? piece.pixel(u, v) : white, 3), 0)
          << x << "," << y;
    }
  }
}

TEST(BlendResample, AnUnrotatedPieceOnALargerRectangleLeavesTheRestWhite) {
  Picture piece = tessaly::stitch::test::makeTexturedPage(9, 5, 4);
  const tagPixelArray view = piece.view();
  const tessaly::stitch::Transform at{{1, 0, 2, 0, 1, 3}};
  const tessaly::stitch::Surface s =
      tessaly::stitch::resamplePiece(view, at, {2, 3, 13, 10}, 0, {});
  for (int32_t y = 3; y < 10; ++y) {
    for (int32_t x = 2; x < 13; ++x) {
      const bool inside = x < 11 && y < 8;
      const uint8_t white[3] = {255, 255, 255};
      ASSERT_EQ(std::memcmp(s.pixelAt(x, y), inside ? piece.pixel(x - 2, y - 3) : white, 3), 0)
          << x << "," << y;
    }
  }
}

TEST(BlendResample, FixedPointStaysWithinALevelOfExactBilinear) {
  // 2.3 degrees over a 400 x 300 piece: the 16.16 steps must not drift across the rectangle.
  Picture piece = tessaly::stitch::test::makeTexturedPage(400, 300, 5);
  const double a = 2.3 * M_PI / 180;
  const tessaly::stitch::Transform global{
      {std::cos(a), -std::sin(a), 57.25, std::sin(a), std::cos(a), -31.5}};
  const tessaly::stitch::Surface s = resample(piece, global, 0);
  int worst = 0;
  int64_t held = 0;
  for (int32_t y = s.rect.top; y < s.rect.bottom; ++y) {
    for (int32_t x = s.rect.left; x < s.rect.right; ++x) {
      const double dx = x - 57.25, dy = y + 31.5;
      const double u = std::cos(a) * dx + std::sin(a) * dy,
                   v = -std::sin(a) * dx + std::cos(a) * dy;
      // Points well inside must be held, and agree with exact bilinear sampling.
      if (u < 0.01 || v < 0.01 || u > 398.99 || v > 298.99) continue;
      ASSERT_TRUE(s.covers(x, y)) << x << "," << y;
      ++held;
      const int32_t u0 = static_cast<int32_t>(u), v0 = static_cast<int32_t>(v);
      const double fx = u - u0, fy = v - v0;
      for (int c = 0; c < 3; ++c) {
        const double top = piece.pixel(u0, v0)[c] * (1 - fx) + piece.pixel(u0 + 1, v0)[c] * fx;
        const double bottom =
            piece.pixel(u0, v0 + 1)[c] * (1 - fx) + piece.pixel(u0 + 1, v0 + 1)[c] * fx;
        worst = std::max(
            worst, std::abs(s.pixelAt(x, y)[c] - static_cast<int>(top * (1 - fy) + bottom * fy)));
      }
    }
  }
  EXPECT_GT(held, 399 * 299 * 99 / 100);
  EXPECT_LE(worst, 3);
}

}  // namespace
