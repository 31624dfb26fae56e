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
