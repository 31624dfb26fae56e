// Buffered memory transfers of the test backend's frames: the bytes of its known pictures at
// every depth the program uses, rows padded to 4 bytes, blocks of whole rows, and the sizes an
// application gets wrong refused.
#include <algorithm>

#include "twain_fixture.h"

namespace twain_test {
namespace {

using Transfer = TwainTest;

// Every row's whole pixel bytes equal value and its padding (from paddingFrom) is 0.
void expectRows(const TwainTest::Image& image, TW_UINT32 pixelBytes, unsigned char value,
                TW_UINT32 paddingFrom = 0) {
  if (paddingFrom == 0) paddingFrom = pixelBytes;
  const auto rows = static_cast<size_t>(image.info.ImageLength);
  ASSERT_EQ(image.bytes.size(), rows * image.rowBytes);
  for (size_t y = 0; y < rows; ++y) {
    const unsigned char* row = image.bytes.data() + y * image.rowBytes;
    ASSERT_TRUE(std::all_of(row, row + pixelBytes, [&](unsigned char b) { return b == value; }))
        << "row " << y;
    ASSERT_TRUE(std::all_of(row + paddingFrom, row + image.rowBytes,
                            [](unsigned char b) { return b == 0; }))
        << "padding of row " << y;
  }
}

TEST_F(Transfer, GreyColourAndDeepFramesArriveRowByRowInWholeRowBlocks) {
  struct Case {
    const char* mode;
    const char* depth;
    const char* picture;
    TW_INT16 bitsPerPixel;
    TW_INT16 pixelType;
    unsigned char value;
  };
  for (const Case& c : {Case{"Gray", "8", "\"Solid white\"", 8, TWPT_GRAY, 0xFF},
                        Case{"Color", "8", "\"Solid white\"", 24, TWPT_RGB, 0xFF},
                        Case{"Color", "16", "\"Solid white\"", 48, TWPT_RGB, 0xFF},
                        Case{"Gray", "8", "\"Solid black\"", 8, TWPT_GRAY, 0x00},
                        Case{"Gray", "1", "\"Solid black\"", 1, TWPT_BW, 0xFF}}) {
    SCOPED_TRACE(std::string(c.mode) + " " + c.depth + " " + c.picture);
    configure({{"mode", c.mode}, {"depth", c.depth}, {"test-picture", c.picture}});
    openSource();
    enableAndWaitForTransfer();
    const Image image = transferImage(7);
    EXPECT_EQ(image.info.BitsPerPixel, c.bitsPerPixel);
    EXPECT_EQ(image.info.PixelType, c.pixelType);
    EXPECT_EQ(image.info.XResolution.Whole, 50);
    // 40 x 30 mm at 50 dpi.
    EXPECT_EQ(image.info.ImageWidth, 78);
    EXPECT_EQ(image.info.ImageLength, 59);
    EXPECT_EQ(image.rowBytes, (TW_UINT32(c.bitsPerPixel) * 78 + 31) / 32 * 4);
    EXPECT_EQ(image.blocks, (59 + 6) / 7);
    // Whole bytes of pixels; a bilevel row's last byte is only partly pixels.
    const TW_UINT32 bits = TW_UINT32(c.bitsPerPixel) * 78;
    expectRows(image, bits / 8, c.value, (bits + 7) / 8);
    closeAll();
  }
}

TEST_F(Transfer, OneSessionScansPieceAfterPieceAndEndsAFrameEarlyOnRequest) {
  openSource();
  enableAndWaitForTransfer();
  TW_IMAGEINFO info{};
  ASSERT_EQ(source(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info), TWRC_SUCCESS);
  std::vector<unsigned char> block(4096);
  TW_IMAGEMEMXFER transfer{};
  transfer.Memory = TW_MEMORY{TWMF_APPOWNS | TWMF_POINTER, 4096, block.data()};
  ASSERT_EQ(source(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &transfer), TWRC_SUCCESS);
  TW_PENDINGXFERS pending{};
  ASSERT_EQ(source(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS);
  // The source stays enabled: the window's scan button would ask again; here the program
  // disables and enables it again for the next piece.
  TW_USERINTERFACE ui{0, 0, nullptr};
  ASSERT_EQ(source(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_SUCCESS);
  enableAndWaitForTransfer();
  const Image second = transferImage(100);
  EXPECT_EQ(second.blocks, 1);
  expectRows(second, 78, 0xFF);
}

TEST_F(Transfer, BlocksTooSmallOrMissingAreRefusedAndNothingIsWrittenPastThem) {
  openSource();
  enableAndWaitForTransfer();
  TW_SETUPMEMXFER setup{};
  ASSERT_EQ(source(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup), TWRC_SUCCESS);
  EXPECT_EQ(setup.MinBufSize, 80u);
  EXPECT_EQ(setup.Preferred % setup.MinBufSize, 0u);
  std::vector<unsigned char> guard(setup.MinBufSize + 16, 0xAB);
  TW_IMAGEMEMXFER transfer{};
  transfer.Memory = TW_MEMORY{TWMF_APPOWNS | TWMF_POINTER, setup.MinBufSize - 1, guard.data()};
  EXPECT_EQ(source(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &transfer), TWRC_FAILURE);
  EXPECT_EQ(condition(true), TWCC_BADVALUE);
  EXPECT_TRUE(std::all_of(guard.begin(), guard.end(), [](unsigned char b) { return b == 0xAB; }));
  transfer.Memory = TW_MEMORY{TWMF_APPOWNS | TWMF_POINTER, 4096, nullptr};
  EXPECT_EQ(source(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &transfer), TWRC_FAILURE);
  // A block of one row and a bit takes exactly one row.
  transfer.Memory = TW_MEMORY{TWMF_APPOWNS | TWMF_POINTER, setup.MinBufSize + 15, guard.data()};
  ASSERT_EQ(source(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &transfer), TWRC_SUCCESS);
  EXPECT_EQ(transfer.Rows, 1u);
  EXPECT_EQ(transfer.BytesWritten, setup.MinBufSize);
  EXPECT_TRUE(std::all_of(guard.begin() + setup.MinBufSize, guard.end(),
                          [](unsigned char b) { return b == 0xAB; }));
}

TEST_F(Transfer, AFrameOfUnknownLengthIsMeasuredBeforeItIsReported) {
  configure({{"hand-scanner", "true"}});
  openSource();
  enableAndWaitForTransfer();
  const Image image = transferImage(16);
  EXPECT_GT(image.info.ImageLength, 0);
  expectRows(image, static_cast<TW_UINT32>(image.info.ImageWidth), 0xFF);
}

}  // namespace
}  // namespace twain_test
