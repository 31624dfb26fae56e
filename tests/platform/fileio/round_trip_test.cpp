// Round trips through the loader: every layout in the save list of every plug-in loaded, and the
// options the writers know, written through the image calls onto a file stream and read back by
// probing; and the whole-picture reader and writer in every format, with the resolution.
#include <cstring>

#include "fileio_fixture.h"
#include "plugin_driver.h"
#include "plugin_kit.h"

namespace tessaly::test {
namespace {

struct Layout {
  int32_t format, colorModel, bits, option;  // option: SaveOptions main word
};

std::ostream& operator<<(std::ostream& out, const Layout& l) {
  return out << "format " << l.format << " model " << l.colorModel << " bits " << l.bits
             << " option " << l.option;
}

void writeThroughLoader(const std::string& file, const Layout& l, const tessaly::test::Picture& p) {
  PlugStream* s = zanIOCreateFileStream(file.c_str(), ZANIO_STREAM_WRITE);
  ASSERT_NE(s, nullptr);
  SaveOptions options = {sizeof options, l.option, 0};
  CreateRequest request{};
  request.size = sizeof request;
  request.colorModel = l.colorModel;
  request.bits = l.bits;
  request.width = p.width;
  request.height = p.height;
  request.hasPalette = p.paletteCount > 0;
  request.paletteCount = p.paletteCount;
  std::memcpy(request.palette, p.palette, sizeof request.palette);
  request.options = &options;
  RowLayout layout{};
  layout.size = sizeof layout;
  int32_t error = 0;
  zanIOImage* image = zanIOCreateImage(s, l.format, &request, &layout, &error);
  ASSERT_NE(image, nullptr) << zanIOErrorText(error);
  const int32_t dpi = 240;
  EXPECT_EQ(zanIOAddImageInfo(image, PLUG_TAG_XRESOLUTION, 4, &dpi), 1);
  EXPECT_EQ(zanIOAddImageInfo(image, PLUG_TAG_YRESOLUTION, 4, &dpi), 1);
  if (keepsTaggedValues(l.format)) {
    EXPECT_EQ(zanIOAddImageInfo(image, 999, 4, &dpi), 0);
  }
  ASSERT_EQ(zanIOStartWriteImage(image), 0);
  const bool bottomUp = layout.rowOrder == PLUG_ROWS_BOTTOM_UP;
  const int32_t rowBytes = p.rowBytes();
  for (int32_t done = 0; done < p.height; done += 32) {
    const int32_t rows = std::min(32, p.height - done);
    const int32_t first = bottomUp ? p.height - 1 - done : done;
    const uint8_t* planes[1] = {p.rows.data() + size_t(first) * rowBytes};
    ASSERT_EQ(zanIOWriteRows(image, rows, planes, bottomUp ? -rowBytes : rowBytes), rows);
  }
  EXPECT_EQ(zanIOCloseImage(image), 0);
  EXPECT_EQ(zanIODestroyStream(s), 0);
}

struct ReadBack {
  ImageInfo image{};
  Bytes rows;  // top first
  int32_t dpi[2] = {0, 0};
};

void keepDpi(int32_t tag, int32_t, const void* value, void* user) {
  auto* dpi = static_cast<int32_t*>(user);
  std::memcpy(&dpi[tag == PLUG_TAG_XRESOLUTION ? 0 : 1], value, 4);
}

ReadBack readThroughLoader(const std::string& file) {
  ReadBack back;
  PlugStream* s = zanIOCreateFileStream(file.c_str(), ZANIO_STREAM_READ);
  back.image.size = sizeof back.image;
  int32_t error = 0;
  zanIOImage* image = zanIOOpenImage(s, 0, &back.image, &error);
  EXPECT_NE(image, nullptr) << zanIOErrorText(error);
  if (image == nullptr) return back;
  zanIOEnumImageInfo(image, keepDpi, back.dpi);
  LayerInfo layer{};
  layer.size = sizeof layer;
  EXPECT_EQ(zanIOStartReadImage(image, &layer), 0);
  const int32_t height = layer.bottom, rowBytes = layer.rowBytes;
  back.rows.assign(size_t(rowBytes) * height, 0);
  const bool bottomUp = layer.rowOrder == PLUG_ROWS_BOTTOM_UP;
  for (int32_t done = 0; done < height;) {
    uint8_t* planes[1] = {back.rows.data() +
                          size_t(bottomUp ? height - 1 - done : done) * rowBytes};
    const int32_t got = zanIOReadRows(image, 32, planes, bottomUp ? -rowBytes : rowBytes);
    EXPECT_GT(got, 0);
    if (got <= 0) break;
    done += got;
  }
  EXPECT_EQ(zanIOCloseImage(image), 0);
  zanIODestroyStream(s);
  return back;
}

// What a reader hands back for rows written in layout l: the same bytes, except that 1-bit rows
// come back one byte per pixel.
Bytes expectedRows(const Layout& l, const tessaly::test::Picture& p) {
  if (l.bits != 1) return p.rows;
  Bytes out(size_t(p.width) * p.height);
  for (int32_t y = 0; y < p.height; ++y)
    tessaly::plugin::unpackSamples(&p.rows[size_t(y) * p.rowBytes()], &out[size_t(y) * p.width],
                                   p.width, 1, true);
  return out;
}

class LayoutRoundTrip : public LoaderTest, public ::testing::WithParamInterface<Layout> {};

TEST_P(LayoutRoundTrip, ReadsBackWhatWasWritten) {
  const Layout l = GetParam();
  const bool lossy = l.format == PLUG_FORMAT_JPEG || l.option == 7;
  const tessaly::test::Picture p = lossy ? tessaly::test::smooth(l.colorModel, l.bits, 45, 37)
                                         : tessaly::test::pattern(l.colorModel, l.bits, 45, 37);
  const std::string file = path("image" + extensionOf(l.format));
  writeThroughLoader(file, l, p);
  const ReadBack back = readThroughLoader(file);
  EXPECT_EQ(back.image.width, 45);
  EXPECT_EQ(back.image.height, 37);
  if (keepsTaggedValues(l.format)) {
    EXPECT_EQ(back.dpi[0], 240);
    EXPECT_EQ(back.dpi[1], 240);
  }
  if (lossy) {
    EXPECT_LT(meanDifference(back.rows, p.rows), 2.0);
  } else {
    EXPECT_EQ(back.rows, expectedRows(l, p));
  }
  if (l.colorModel == PLUG_COLOR_INDEXED) {
    EXPECT_EQ(std::memcmp(back.image.palette, p.palette, 1024), 0);
  }
}

std::string layoutName(const ::testing::TestParamInfo<Layout>& info) {
  const Layout& l = info.param;
  return extensionOf(l.format).substr(1) + "_model" + std::to_string(l.colorModel) + "_bits" +
         std::to_string(l.bits) + "_option" + std::to_string(l.option);
}

// Every entry of every loaded writer's save list, with the writer's default options.
std::vector<Layout> everySaveListEntry() {
  std::vector<Layout> layouts;
  for (const LoadedFormat& f : loadedFormats())
    if (f.reads && f.writes)
      for (const SaveListEntry& e : f.saveList)
        layouts.push_back({f.formatId, e.colorModel, e.bits, 0});
  return layouts;
}

INSTANTIATE_TEST_SUITE_P(SaveLists, LayoutRoundTrip, ::testing::ValuesIn(everySaveListEntry()),
                         layoutName);

// The options the writers know: quality, file depth, compression level and method.
INSTANTIATE_TEST_SUITE_P(Options, LayoutRoundTrip,
                         ::testing::Values(Layout{PLUG_FORMAT_JPEG, PLUG_COLOR_BGR, 24, 95},
                                           Layout{PLUG_FORMAT_JPEG, PLUG_COLOR_GREY, 8, 95},
                                           Layout{PLUG_FORMAT_BMP, PLUG_COLOR_BGR, 24, 24},
                                           Layout{PLUG_FORMAT_BMP, PLUG_COLOR_INDEXED, 8, 8},
                                           Layout{PLUG_FORMAT_PNG, PLUG_COLOR_BGR, 48, 9},
                                           Layout{PLUG_FORMAT_PNG, PLUG_COLOR_GREY, 16, 1},
                                           Layout{PLUG_FORMAT_TIFF, PLUG_COLOR_BGR, 24, 5},
                                           Layout{PLUG_FORMAT_TIFF, PLUG_COLOR_BGR, 24, 8},
                                           Layout{PLUG_FORMAT_TIFF, PLUG_COLOR_BGR, 24, 32773},
                                           Layout{PLUG_FORMAT_TIFF, PLUG_COLOR_BGR, 24, 7},
                                           Layout{PLUG_FORMAT_TIFF, PLUG_COLOR_BGR, 48, 5},
                                           Layout{PLUG_FORMAT_TIFF, PLUG_COLOR_GREY, 8, 5},
                                           Layout{PLUG_FORMAT_TIFF, PLUG_COLOR_GREY, 8, 7},
                                           Layout{PLUG_FORMAT_TIFF, PLUG_COLOR_GREY, 16, 8},
                                           Layout{PLUG_FORMAT_TIFF, PLUG_COLOR_GREY, 1, 32773},
                                           Layout{PLUG_FORMAT_TIFF, PLUG_COLOR_INDEXED, 8, 5}),
                         layoutName);

using WholePictures = LoaderTest;

// Widths 16 (rows of 48 bytes: read straight into place) and 13 (padded rows: through the
// band buffer); bottom-up formats turn round on the way.
TEST_F(WholePictures, EveryFormatRoundTripsWithItsResolution) {
  for (const int32_t format : readWriteFormats()) {
    for (const int32_t width : {16, 13}) {
      SCOPED_TRACE(testing::Message() << "format " << format << " width " << width);
      const BgrPicture p = bgrPicture(width, 70);
      const std::string file = path("w" + std::to_string(width) + extensionOf(format));
      ASSERT_EQ(
          zanIOWriteBGR(file.c_str(), 0, p.pixels.data(), width, 70, p.stride, 300, 150, nullptr),
          0);
      zanIOBGRInfo info{};
      info.size = sizeof info;
      int32_t error = 0;
      zanIOReader* reader = zanIOOpenBGR(file.c_str(), &info, &error);
      ASSERT_NE(reader, nullptr) << zanIOErrorText(error);
      EXPECT_EQ(info.formatId, format);
      EXPECT_EQ(info.width, width);
      EXPECT_EQ(info.height, 70);
      if (keepsTaggedValues(format)) {
        EXPECT_EQ(info.xDpi, 300);
        EXPECT_EQ(info.yDpi, 150);
      }
      Bytes out(size_t(width) * 3 * 70, 0);
      ASSERT_EQ(zanIOReadBGR(reader, out.data(), width * 3), 0);
      EXPECT_EQ(zanIOReadBGR(reader, out.data(), width * 3), ZANIO_ERR_ARGUMENT);  // once only
      zanIOCloseBGR(reader);
      Bytes packed;
      for (int32_t y = 0; y < 70; ++y)
        packed.insert(packed.end(), p.pixels.begin() + y * p.stride,
                      p.pixels.begin() + y * p.stride + width * 3);
      if (format == PLUG_FORMAT_JPEG)
        EXPECT_LT(meanDifference(out, packed), 6.0);  // sharp colour edges cost JPEG most
      else
        EXPECT_EQ(out, packed);
    }
  }
}

// Grey, palette and 16-bit files all come out as blue-green-red.
TEST_F(WholePictures, OtherLayoutsAreConvertedToBlueGreenRed) {
  const tessaly::test::Picture grey16 = tessaly::test::pattern(PLUG_COLOR_GREY, 16, 9, 5);
  const std::string file = path("grey16.png");
  writeThroughLoader(file, {PLUG_FORMAT_PNG, PLUG_COLOR_GREY, 16, 0}, grey16);
  const tessaly::test::Picture indexed = tessaly::test::pattern(PLUG_COLOR_INDEXED, 8, 9, 5);
  const std::string tif = path("indexed.tif");
  writeThroughLoader(tif, {PLUG_FORMAT_TIFF, PLUG_COLOR_INDEXED, 8, 5}, indexed);
  Bytes out(9 * 3 * 5);
  zanIOReader* reader = zanIOOpenBGR(file.c_str(), nullptr, nullptr);
  ASSERT_EQ(zanIOReadBGR(reader, out.data(), 27), 0);
  zanIOCloseBGR(reader);
  for (int32_t i = 0; i < 9 * 5; ++i) {
    const uint8_t high = grey16.rows[size_t(i) * 2 + 1];  // little-endian samples
    EXPECT_EQ(out[size_t(i) * 3], high);
    EXPECT_EQ(out[size_t(i) * 3 + 2], high);
  }
  reader = zanIOOpenBGR(tif.c_str(), nullptr, nullptr);
  ASSERT_EQ(zanIOReadBGR(reader, out.data(), 27), 0);
  zanIOCloseBGR(reader);
  for (int32_t i = 0; i < 9 * 5; ++i) {
    const PlugPaletteEntry& e = indexed.palette[indexed.rows[size_t(i)]];
    EXPECT_EQ(out[size_t(i) * 3], e.blue);
    EXPECT_EQ(out[size_t(i) * 3 + 2], e.red);
  }
}

TEST_F(WholePictures, WritingRefusesWhatItCannotDo) {
  const BgrPicture p = bgrPicture(4, 4);
  EXPECT_EQ(zanIOWriteBGR(path("a.xyz").c_str(), 0, p.pixels.data(), 4, 4, p.stride, 0, 0, nullptr),
            ZANIO_ERR_NO_PLUGIN);
  EXPECT_EQ(zanIOWriteBGR(path("a.png").c_str(), 0, p.pixels.data(), 4, 4, 5, 0, 0, nullptr),
            ZANIO_ERR_ARGUMENT);  // a stride shorter than a row
  EXPECT_EQ(zanIOWriteBGR(path("no/such/folder/a.png").c_str(), 0, p.pixels.data(), 4, 4, p.stride,
                          0, 0, nullptr),
            ZANIO_ERR_STREAM);
  EXPECT_EQ(zanIOWriteBGR(path("big.jpg").c_str(), 0, p.pixels.data(), 70000, 1, 70000 * 3, 0, 0,
                          nullptr),
            PLUG_ERR_BAD_DATA);  // beyond what JPEG holds (never reads the pixels)
  EXPECT_TRUE(files().empty());
}

// A plug-in storing images inside its own file names the format by the request's variant.
TEST_F(WholePictures, TheVariantWordNamesTheLossyAndLosslessFormats) {
  for (const int32_t variant : {1, 2}) {
    tessaly::plugin::MemoryStream memory;
    CreateRequest request{};
    request.size = sizeof request;
    request.variant = variant;
    request.colorModel = PLUG_COLOR_GREY;
    request.bits = 8;
    request.width = 8;
    request.height = 8;
    int32_t error = 0;
    zanIOImage* image = zanIOCreateImage(memory.stream(), 0, &request, nullptr, &error);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(zanIOStartWriteImage(image), 0);
    const Bytes rows(64, 128);
    const uint8_t* planes[1] = {rows.data()};
    EXPECT_EQ(zanIOWriteRows(image, 8, planes, 8), 8);
    EXPECT_EQ(zanIOCloseImage(image), 0);
    EXPECT_EQ(memory.bytes()[0], variant == 1 ? 0xFF : 'B');  // JPEG, then BMP
  }
}

}  // namespace
}  // namespace tessaly::test
