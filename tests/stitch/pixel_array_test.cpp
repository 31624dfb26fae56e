#include "pixel_array.h"

#include <gtest/gtest.h>

#include <climits>

#include "errors.h"
#include "picture.h"

namespace {

using tessaly::stitch::test::Picture;

TEST(ImageCopy, CopiesPaddedRowsRowByRowIntoAStandardStride) {
  Picture padded(5, 3, 64);  // 15 bytes of pixels in rows of 64
  for (size_t i = 0; i < padded.bytes.size(); ++i) padded.bytes[i] = static_cast<uint8_t>(i);
  const tagPixelArray view = padded.view();
  tessaly::stitch::ImagePtr copy = tessaly::stitch::copyImage(view);
  EXPECT_EQ(copy->bytesPerLine, 16);
  EXPECT_TRUE(Picture::fromArray(*copy).samePixels(padded));
  EXPECT_EQ(copy->bits[15], 255);  // padding stays white
}

TEST(ImageChecks, RejectImagesThatCannotBeReadSafely) {
  unsigned char pixels[64] = {};
  tagPixelArray ok{4, 4, 12, pixels};
  EXPECT_TRUE(tessaly::stitch::isValidImage(&ok));
  EXPECT_FALSE(tessaly::stitch::isValidImage(nullptr));
  for (tagPixelArray bad : {tagPixelArray{0, 4, 12, pixels}, tagPixelArray{4, -1, 12, pixels},
                            tagPixelArray{4, 4, 11, pixels}, tagPixelArray{4, 4, -12, pixels},
                            tagPixelArray{4, 4, 12, nullptr}}) {
    EXPECT_FALSE(tessaly::stitch::isValidImage(&bad))
        << bad.width << " " << bad.height << " " << bad.bytesPerLine;
  }
}

TEST(ImageAllocation, OversizedRowsFailAsMemoryErrors) {
  try {
    tessaly::stitch::makeImage(INT_MAX, 1);
    FAIL() << "overflowing stride accepted";
  } catch (const tessaly::stitch::StitchError& e) {
    EXPECT_EQ(e.code, QX_ERR_SETUP);
  }
}

}  // namespace
