// Damaged files through the loader: every reader meets its files cut short at every length and
// with bytes changed at random. None may crash or hang; a failure must come back as the code for
// bad data (or, when too little is left to recognise the format, as "no plug-in").
#include <random>

#include "fileio_fixture.h"
#include "memory_stream.h"

namespace tessaly::test {
namespace {

// Reads the whole image from the bytes the way the image engine does; 0 or the failure's code.
int32_t readAll(const Bytes& file) {
  tessaly::plugin::MemoryStream memory(file);
  ImageInfo info{};
  info.size = sizeof info;
  int32_t error = 0;
  zanIOImage* image = zanIOOpenImage(memory.stream(), 0, &info, &error);
  if (image == nullptr) return error;
  LayerInfo layer{};
  layer.size = sizeof layer;
  int32_t result = zanIOStartReadImage(image, &layer);
  Bytes band(size_t(std::max(layer.rowBytes, 1)) * 32);
  uint8_t* planes[1] = {band.data()};
  for (int32_t done = 0; result == 0 && done < layer.bottom - layer.top;) {
    const int32_t got = zanIOReadRows(image, 32, planes, layer.rowBytes);
    if (got < 0) result = got;
    done += std::max(got, 0);
  }
  zanIOCloseImage(image);
  return result;
}

Bytes validFile(const std::string& file, int32_t format) {
  const BgrPicture p = bgrPicture(24, 20);
  EXPECT_EQ(
      zanIOWriteBGR(file.c_str(), format, p.pixels.data(), 24, 20, p.stride, 300, 300, nullptr), 0);
  return readFile(file);
}

// Bytes at the end of a file that only mark its end: losing them loses no pixel.
size_t endMarkerBytes(int32_t format) {
  return format == PLUG_FORMAT_PNG ? 12 : (format == PLUG_FORMAT_JPEG ? 2 : 0);
}

using DamagedFiles = LoaderTest;

TEST_F(DamagedFiles, EveryTruncationFailsWithTheCodeForBadData) {
  for (const int32_t format : readWriteFormats()) {
    SCOPED_TRACE(format);
    const Bytes file = validFile(path("v" + extensionOf(format)), format);
    ASSERT_EQ(readAll(file), 0);
    for (size_t n = 0; n < file.size(); n += n < 256 ? 1 : 7) {
      const int32_t code = readAll(Bytes(file.begin(), file.begin() + n));
      if (code == 0 && n >= file.size() - endMarkerBytes(format)) continue;
      if (code != ZANIO_ERR_NO_PLUGIN) {
        EXPECT_EQ(code, PLUG_ERR_BAD_DATA) << "cut at " << n;
      }
    }
  }
}

TEST_F(DamagedFiles, ChangedBytesNeverCrashAndFailOnlyWithKnownCodes) {
  std::mt19937 random(20240601);
  for (const int32_t format : readWriteFormats()) {
    SCOPED_TRACE(format);
    const Bytes file = validFile(path("v" + extensionOf(format)), format);
    for (int trial = 0; trial < 400; ++trial) {
      Bytes damaged = file;
      // Mostly in the headers, where a changed byte does the most harm.
      const size_t span = trial % 2 ? std::min<size_t>(file.size(), 160) : file.size();
      for (int k = 0; k < 1 + trial % 4; ++k)
        damaged[random() % span] = uint8_t(trial % 3 == 0 ? 0xFF : random());
      const int32_t code = readAll(damaged);
      EXPECT_TRUE(code == 0 || code == PLUG_ERR_BAD_DATA || code == ZANIO_ERR_NO_PLUGIN ||
                  code == PLUG_ERR_NO_MEMORY)
          << "trial " << trial << " code " << code;
    }
  }
}

}  // namespace
}  // namespace tessaly::test
