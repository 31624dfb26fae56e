#include "turn.h"

#include <gtest/gtest.h>

#include <vector>

#include "errors.h"
#include "picture.h"

namespace {

using tessaly::stitch::TurnWay;
using tessaly::stitch::test::Picture;

constexpr TurnWay kWays[] = {TurnWay::Portable, TurnWay::Ssse3, TurnWay::Avx2};

const char* nameOf(TurnWay way) {
  return way == TurnWay::Avx2 ? "AVX2" : way == TurnWay::Ssse3 ? "SSSE3" : "portable";
}

Picture numbered(int32_t w, int32_t h) {
  Picture p(w, h);
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      p.pixel(x, y)[0] = static_cast<uint8_t>(x);
      p.pixel(x, y)[1] = static_cast<uint8_t>(y);
      p.pixel(x, y)[2] = static_cast<uint8_t>(x * 7 + y * 13);
    }
  }
  return p;
}

TEST(QuarterTurn, EqualsTheElementaryMappingIncludingPartialTiles) {
  // 17 x 5 and 5 x 17 exercise partial tiles in both directions; 40 x 35 has whole and
  // partial tiles together.
  for (auto [w, h] : {std::pair{17, 5}, {5, 17}, {40, 35}, {1, 1}}) {
    Picture src = numbered(w, h);
    const tagPixelArray view = src.view();
    for (int code = 1; code <= 3; ++code) {
      tessaly::stitch::ImagePtr turned = tessaly::stitch::quarterTurn(view, code);
      EXPECT_TRUE(Picture::fromArray(*turned).samePixels(
          tessaly::stitch::test::turnByElementarySteps(src, code)))
          << w << " x " << h << " turn " << code;
      EXPECT_EQ(turned->bytesPerLine, (turned->width * 24 + 31) / 32 * 4);
    }
  }
}

TEST(QuarterTurn, SideTurnsCrossBlocksKeepPaddingWhiteAndReadThroughTheStride) {
  // Turned, 70 x 131 gives 131 x 70: output rows in a whole block and a partial one with a
  // remainder of two rows, output columns in bands with a partial last one, and rows of
  // 393 bytes padded to 396. The source rows are wider than the standard stride.
  Picture src = numbered(70, 131);
  Picture padded(70, 131, 70 * 3 + 5);
  for (int32_t y = 0; y < 131; ++y) std::copy_n(src.pixel(0, y), 70 * 3, padded.pixel(0, y));
  const tagPixelArray view = padded.view();
  for (const int code : {1, 3}) {
    tessaly::stitch::ImagePtr turned = tessaly::stitch::quarterTurn(view, code);
    EXPECT_TRUE(Picture::fromArray(*turned).samePixels(
        tessaly::stitch::test::turnByElementarySteps(src, code)))
        << "turn " << code;
    ASSERT_EQ(turned->bytesPerLine, 396);
    for (int32_t r = 0; r < turned->height; ++r) {
      const uint8_t* padding = turned->bits + r * 396 + 393;
      EXPECT_TRUE(padding[0] == 255 && padding[1] == 255 && padding[2] == 255)
          << "turn " << code << " row " << r;
    }
  }
}

TEST(QuarterTurn, ReadsRowsThroughTheSourceStride) {
  Picture src = numbered(17, 5);
  Picture padded(17, 5, 17 * 3 + 9);  // rows wider than the standard stride
  for (int32_t y = 0; y < 5; ++y) std::copy_n(src.pixel(0, y), 17 * 3, padded.pixel(0, y));
  const tagPixelArray view = padded.view();
  tessaly::stitch::ImagePtr turned = tessaly::stitch::quarterTurn(view, 2);
  EXPECT_TRUE(
      Picture::fromArray(*turned).samePixels(tessaly::stitch::test::turnByElementarySteps(src, 2)));
}

// Every way (one this processor lacks runs the portable way instead), held against the elementary
// mapping: sizes of one pixel, sizes
// just under, at and over the 4- and 8-pixel blocks and the 16-row bands, in both directions. The
// source rows are packed with no padding, so a load past a row's last pixel would read the next
// row (or past the buffer, which the sanitizer builds catch) and show in the result.
TEST(QuarterTurn, EveryWayEqualsTheElementaryMapping) {
  const std::vector<int32_t> sizes = {1, 2, 3, 4, 5, 7, 8, 9, 12, 15, 16, 17, 31, 33, 37};
  for (const TurnWay way : kWays) {
    for (const int32_t w : sizes) {
      for (const int32_t h : sizes) {
        const Picture src = numbered(w, h);
        Picture packed(w, h, w * 3);
        for (int32_t y = 0; y < h; ++y) std::copy_n(src.pixel(0, y), w * 3, packed.pixel(0, y));
        const tagPixelArray view = packed.view();
        for (const int code : {1, 2, 3}) {
          tessaly::stitch::ImagePtr turned = tessaly::stitch::quarterTurn(view, code, way);
          ASSERT_TRUE(Picture::fromArray(*turned).samePixels(
              tessaly::stitch::test::turnByElementarySteps(src, code)))
              << nameOf(way) << " " << w << " x " << h << " turn " << code;
          const int32_t used = turned->width * 3;
          for (int32_t r = 0; r < turned->height; ++r) {
            for (int32_t b = used; b < turned->bytesPerLine; ++b)
              ASSERT_EQ(turned->bits[r * turned->bytesPerLine + b], 255)
                  << nameOf(way) << " " << w << " x " << h << " turn " << code << " row " << r;
          }
        }
      }
    }
  }
}

TEST(QuarterTurn, EveryWayReadsThroughAWideStrideAndMatchesOnAPage) {
  // 301 x 203 with 7 bytes of slack per source row: whole bands and blocks with edges of every
  // kind, big enough that the ways run long strips.
  const Picture src = tessaly::stitch::test::makeTexturedPage(301, 203, 5);
  Picture padded(301, 203, 301 * 3 + 7);
  for (int32_t y = 0; y < 203; ++y) std::copy_n(src.pixel(0, y), 301 * 3, padded.pixel(0, y));
  const tagPixelArray view = padded.view();
  for (const int code : {1, 2, 3}) {
    const Picture expected = tessaly::stitch::test::turnByElementarySteps(src, code);
    for (const TurnWay way : kWays) {
      tessaly::stitch::ImagePtr turned = tessaly::stitch::quarterTurn(view, code, way);
      EXPECT_TRUE(Picture::fromArray(*turned).samePixels(expected))
          << nameOf(way) << " turn " << code;
    }
  }
}

void countReport(long, bool* cancel, void* userData) {
  ++*static_cast<int*>(userData);
  *cancel = false;
}

TEST(QuarterTurn, EveryWayReportsOncePerBandOfSixteenOutputColumnsOrRows) {
  // 20 x 40: turn 1 makes 40 output columns and turn 2 40 output rows, three bands each.
  Picture src = numbered(20, 40);
  const tagPixelArray view = src.view();
  for (const TurnWay way : kWays) {
    for (const int code : {1, 2}) {
      int reports = 0;
      const tessaly::stitch::Progress progress(countReport, &reports);
      tessaly::stitch::quarterTurn(view, code, way, {&progress, 0, 100});
      EXPECT_EQ(reports, 4) << nameOf(way) << " turn " << code;  // one per band and the last
    }
  }
}

TEST(QuarterTurn, RejectsCodesOutsideOneToThree) {
  Picture src = numbered(4, 4);
  const tagPixelArray view = src.view();
  for (int code : {0, 4, -1}) {
    try {
      tessaly::stitch::quarterTurn(view, code);
      FAIL() << "code " << code << " accepted";
    } catch (const tessaly::stitch::StitchError& e) {
      EXPECT_EQ(e.code, QX_ERR_INPUT);
    }
  }
}

}  // namespace
