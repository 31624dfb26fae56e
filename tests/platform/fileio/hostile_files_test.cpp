// Hostile and damaged files through the loader: headers that claim huge pictures are refused
// before anything is decoded, damaged data is never reported as a shortage of memory, damaged
// JPEG scan data fails while a JPEG missing only its end marker is read, and a full disk reads
// the same for every writer.
#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <array>

#include "fileio_fixture.h"
#include "memory_stream.h"

namespace tessaly::test {
namespace {

using HostileFiles = LoaderTest;

Bytes writtenFile(const std::string& file, int32_t format, int32_t width, int32_t height) {
  const BgrPicture p = bgrPicture(width, height);
  EXPECT_EQ(zanIOWriteBGR(file.c_str(), format, p.pixels.data(), width, height, p.stride, 300, 300,
                          nullptr),
            0);
  return readFile(file);
}

// The offset of the JPEG frame header's height field (the width follows it).
size_t jpegFrameSizeAt(const Bytes& jpeg) {
  for (size_t i = 2; i + 9 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && jpeg[i + 1] >= 0xC0 && jpeg[i + 1] <= 0xC2) return i + 5;
  }
  ADD_FAILURE() << "no frame header";
  return 0;
}

void claimJpegSize(Bytes& jpeg, uint16_t width, uint16_t height) {
  const size_t at = jpegFrameSizeAt(jpeg);
  jpeg[at] = uint8_t(height >> 8);
  jpeg[at + 1] = uint8_t(height);
  jpeg[at + 2] = uint8_t(width >> 8);
  jpeg[at + 3] = uint8_t(width);
}

// Where the JPEG's entropy-coded data starts: after the start-of-scan header.
size_t jpegScanDataAt(const Bytes& jpeg) {
  for (size_t i = 2; i + 4 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA)
      return i + 2 + (size_t(jpeg[i + 2]) << 8 | jpeg[i + 3]);
  }
  ADD_FAILURE() << "no scan";
  return 0;
}

int32_t readWhole(const std::string& file, Bytes* pixels = nullptr,
                  std::string* warning = nullptr) {
  zanIOBGRInfo info{};
  info.size = sizeof info;
  int32_t error = 0;
  zanIOReader* reader = zanIOOpenBGR(file.c_str(), &info, &error);
  if (reader == nullptr) return error;
  Bytes out(size_t(info.width) * 3 * size_t(info.height));
  error = zanIOReadBGR(reader, out.data(), info.width * 3);
  if (warning != nullptr) {
    warning->assign(size_t(zanIOReaderWarning(reader, nullptr, 0)), '\0');
    std::vector<char> text(warning->size() + 1);
    zanIOReaderWarning(reader, text.data(), int32_t(text.size()));
    warning->assign(text.data());
  }
  zanIOCloseBGR(reader);
  if (pixels != nullptr) *pixels = out;
  return error;
}

// A little-endian TIFF of 16 x 16 grey pixels in one tile of 1048576 x 1048576.
Bytes tiffWithHugeTile() {
  Bytes b = {'I', 'I', 42, 0, 8, 0, 0, 0};
  const std::vector<std::array<uint32_t, 3>> entries = {
      {256, 4, 16}, {257, 4, 16},       {258, 3, 8},        {259, 3, 1},   {262, 3, 1},
      {277, 3, 1},  {322, 4, 1u << 20}, {323, 4, 1u << 20}, {324, 4, 200}, {325, 4, 256}};
  const auto put = [&b](uint32_t value, int bytes) {
    for (int k = 0; k < bytes; ++k) b.push_back(uint8_t(value >> (8 * k)));
  };
  put(uint32_t(entries.size()), 2);
  for (const auto& [tag, type, value] : entries) {
    put(tag, 2);
    put(type, 2);
    put(1, 4);
    put(value, type == 3 ? 2 : 4);
    if (type == 3) put(0, 2);
  }
  put(0, 4);
  b.resize(200 + 256, 0x80);
  return b;
}

TEST_F(HostileFiles, APictureBeyondThePixelLimitIsRefusedFromItsHeader) {
  for (const int32_t format : readWriteFormats()) {
    SCOPED_TRACE(format);
    const std::string file = path("p" + extensionOf(format));
    writtenFile(file, format, 24, 20);
    EXPECT_EQ(zanIOSetPixelLimit(24 * 20 - 1), ZANIO_DEFAULT_PIXEL_LIMIT);
    zanIOBGRInfo info{};
    info.size = sizeof info;
    int32_t error = 0;
    EXPECT_EQ(zanIOOpenBGR(file.c_str(), &info, &error), nullptr);
    EXPECT_EQ(error, ZANIO_ERR_TOO_LARGE);
    EXPECT_EQ(info.width, 24);  // the refused size can be named
    EXPECT_EQ(info.height, 20);
    zanIOSetPixelLimit(24 * 20);
    EXPECT_EQ(readWhole(file), 0);
    zanIOSetPixelLimit(ZANIO_DEFAULT_PIXEL_LIMIT);
  }
}

TEST_F(HostileFiles, AJpegClaimingFourHundredMegapixelsIsRefusedAtTheDefaultLimit) {
  Bytes jpeg = writtenFile(path("good.jpg"), PLUG_FORMAT_JPEG, 24, 20);
  claimJpegSize(jpeg, 20000, 20000);
  writeFile(path("huge.jpg"), jpeg);
  EXPECT_EQ(readWhole(path("huge.jpg")), ZANIO_ERR_TOO_LARGE);
  EXPECT_NE(std::string(zanIOErrorText(ZANIO_ERR_TOO_LARGE)).find("limit"), std::string::npos);
}

TEST_F(HostileFiles, DamagedDataIsNeverAShortageOfMemory) {
  writeFile(path("tile.tif"), tiffWithHugeTile());
  EXPECT_EQ(readWhole(path("tile.tif")), PLUG_ERR_BAD_DATA);
}

TEST_F(HostileFiles, JpegScanDataCutInTheMiddleFailsButAMissingEndMarkerIsRead) {
  const Bytes jpeg = writtenFile(path("good.jpg"), PLUG_FORMAT_JPEG, 64, 48);
  Bytes expected;
  std::string warning = "none read";
  ASSERT_EQ(readWhole(path("good.jpg"), &expected, &warning), 0);
  EXPECT_EQ(warning, "");
  ASSERT_EQ(jpeg.end()[-2], 0xFF);
  ASSERT_EQ(jpeg.end()[-1], 0xD9);

  writeFile(path("no-end.jpg"), Bytes(jpeg.begin(), jpeg.end() - 2));
  Bytes pixels;
  EXPECT_EQ(readWhole(path("no-end.jpg"), &pixels, &warning), 0);
  EXPECT_EQ(pixels, expected);
  EXPECT_NE(warning.find("without its end marker"), std::string::npos) << warning;
  {
    // A short buffer gets the text's start, always terminated, and the full length.
    zanIOBGRInfo info{};
    info.size = sizeof info;
    int32_t error = 0;
    zanIOReader* reader = zanIOOpenBGR(path("no-end.jpg").c_str(), &info, &error);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(zanIOReaderWarning(reader, nullptr, 0), 0);  // nothing before the read
    ASSERT_EQ(zanIOReadBGR(reader, pixels.data(), info.width * 3), 0);
    char cut[5] = {'x', 'x', 'x', 'x', 'x'};
    EXPECT_EQ(zanIOReaderWarning(reader, cut, 5), int32_t(warning.size()));
    EXPECT_EQ(std::string(cut), warning.substr(0, 4));
    EXPECT_EQ(zanIOReaderWarning(reader, cut, 1), int32_t(warning.size()));
    EXPECT_EQ(cut[0], '\0');
    zanIOCloseBGR(reader);
  }

  // The end marker kept, a third of the scan data gone: libjpeg alone would fill with grey.
  const size_t scan = jpegScanDataAt(jpeg);
  const size_t third = (jpeg.size() - 2 - scan) / 3;
  Bytes holed(jpeg.begin(), jpeg.begin() + std::ptrdiff_t(scan + third));
  holed.insert(holed.end(), jpeg.end() - std::ptrdiff_t(third) - 2, jpeg.end());
  writeFile(path("holed.jpg"), holed);
  EXPECT_EQ(readWhole(path("holed.jpg")), PLUG_ERR_BAD_DATA);
  // Cut short with no end marker at all: rows are missing.
  writeFile(path("short.jpg"), Bytes(jpeg.begin(), jpeg.begin() + std::ptrdiff_t(scan + third)));
  EXPECT_EQ(readWhole(path("short.jpg")), PLUG_ERR_BAD_DATA);
}

// A file-size limit makes writes fail as a full disk does, without mounting anything.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    rlimit small = saved_;
    small.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &small);
  }
  ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &saved_); }

 private:
  rlimit saved_{};
};

TEST_F(HostileFiles, AFullDiskReadsAsAShortWriteForEveryFormat) {
  const BgrPicture p = bgrPicture(400, 300);
  for (const int32_t format : readWriteFormats()) {
    SCOPED_TRACE(format);
    const std::string file = path("full" + extensionOf(format));
    int32_t code = 0;
    {
      FileSizeLimit limit(100);  // smaller than any of the files
      code =
          zanIOWriteBGR(file.c_str(), format, p.pixels.data(), 400, 300, p.stride, 0, 0, nullptr);
    }
    EXPECT_EQ(code, PLUG_ERR_SHORT_WRITE) << zanIOErrorText(code);
  }
  EXPECT_TRUE(files().empty());
}

TEST_F(HostileFiles, TheStagedFilesOfOpenWriteStreamsCanBeRemovedAtOnce) {
  PlugStream* a = zanIOCreateFileStream(path("a.png").c_str(), ZANIO_STREAM_WRITE);
  PlugStream* b = zanIOCreateFileStream(path("b.tif").c_str(), ZANIO_STREAM_WRITE);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(files().size(), 2u);  // two hidden temporary files
  zanIORemoveStagedFiles();       // what a signal handler calls before leaving at once
  EXPECT_TRUE(files().empty());
  EXPECT_EQ(zanIODestroyStream(a), ZANIO_ERR_INCOMPLETE);
  EXPECT_EQ(zanIODestroyStream(b), ZANIO_ERR_INCOMPLETE);
  // A stream closed earlier is forgotten: its file is not touched later.
  writtenFile(path("kept.bmp"), PLUG_FORMAT_BMP, 8, 8);
  zanIORemoveStagedFiles();
  EXPECT_EQ(files(), std::vector<std::string>{"kept.bmp"});
}

}  // namespace
}  // namespace tessaly::test
