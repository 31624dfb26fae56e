#include "turn.h"

#include <gtest/gtest.h>

#include "errors.h"
#include "picture.h"

namespace {

using tessaly::stitch::test::Picture;

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
