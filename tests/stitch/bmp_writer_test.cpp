#include "bmp_writer.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "errors.h"
#include "picture.h"
#include "temp_dir.h"
#include "test_loader.h"

namespace {

using tessaly::stitch::test::Picture;

std::vector<uint8_t> fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(BmpWriter, WritesTheClassicHeaderByteByByte) {
  tessaly::stitch::test::TempDir dir;
  Picture p(5, 3);  // stride 16
  const tagPixelArray view = p.view();
  const std::string path = tessaly::stitch::writeBmp(dir.file("h.bmp"), view);
  const std::vector<uint8_t> b = fileBytes(path);
  const std::vector<uint8_t> expected = {'B', 'M', 102, 0, 0, 0,  // file size 16 * 3 + 54
                                         0,   0,   0,   0,        // reserved
                                         54,  0,   0,   0,        // pixel data offset
                                         40,  0,   0,   0,        // information header size
                                         5,   0,   0,   0,        // width
                                         3,   0,   0,   0,        // height, positive
                                         1,   0,   24,  0,        // planes, bits per pixel
                                         0,   0,   0,   0,        // no compression
                                         48,  0,   0,   0,        // image size
                                         0,   0,   0,   0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  ASSERT_EQ(b.size(), 102u);
  EXPECT_EQ(std::vector<uint8_t>(b.begin(), b.begin() + 54), expected);
}

TEST(BmpWriter, StoresTheLastRowFirstSoReadersSeeRowZeroOnTop) {
  tessaly::stitch::test::TempDir dir;
  Picture p(3, 2);
  p.pixel(0, 0)[0] = 11;  // row 0
  p.pixel(0, 1)[0] = 22;  // row 1
  const tagPixelArray view = p.view();
  const std::string path = tessaly::stitch::writeBmp(dir.file("rows.bmp"), view);
  const std::vector<uint8_t> b = fileBytes(path);
  EXPECT_EQ(b[54], 22);
  EXPECT_EQ(b[54 + 12], 11);
  Picture back;
  ASSERT_TRUE(tessaly::stitch::test::readBmp(path, back));
  EXPECT_TRUE(back.samePixels(p));
}

TEST(BmpWriter, WritesWithTheStandardStrideWhateverTheImageStride) {
  tessaly::stitch::test::TempDir dir;
  Picture padded(3, 2, 20);
  padded.pixel(2, 1)[2] = 99;
  const tagPixelArray view = padded.view();
  const std::string path = tessaly::stitch::writeBmp(dir.file("padded.bmp"), view);
  EXPECT_EQ(fileBytes(path).size(), 54u + 12 * 2);
  Picture back;
  ASSERT_TRUE(tessaly::stitch::test::readBmp(path, back));
  EXPECT_TRUE(back.samePixels(padded));
}

TEST(BmpWriter, KeepsABmpExtensionInAnyCaseAndReplacesOthers) {
  EXPECT_EQ(tessaly::stitch::bmpPathFor("/t/a.BMP"), "/t/a.BMP");
  EXPECT_EQ(tessaly::stitch::bmpPathFor("/t/a.bmp"), "/t/a.bmp");
  EXPECT_EQ(tessaly::stitch::bmpPathFor("/t/a.tif"), "/t/a.bmp");
  EXPECT_EQ(tessaly::stitch::bmpPathFor("/t/a"), "/t/a.bmp");
  EXPECT_EQ(tessaly::stitch::bmpPathFor("/t.d/a"), "/t.d/a.bmp");
  EXPECT_EQ(tessaly::stitch::bmpPathFor("a.b.jpeg"), "a.b.bmp");
}

TEST(BmpWriter, FailsCleanlyOnEmptyOrUnwritablePaths) {
  Picture p(2, 2);
  const tagPixelArray view = p.view();
  for (const char* path : {"", "/nonexistent-folder/x.bmp"}) {
    try {
      tessaly::stitch::writeBmp(path, view);
      FAIL() << "'" << path << "' accepted";
    } catch (const tessaly::stitch::StitchError& e) {
      EXPECT_EQ(e.code, QX_ERR_INPUT);
    }
  }
}

}  // namespace
