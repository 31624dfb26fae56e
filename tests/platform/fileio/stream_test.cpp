// File streams: buffered reading and seeking, and writes that reach the named file only when a
// whole image was written, so a failure never leaves a partial file or spoils an old one.
#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <numeric>

#include "fileio_fixture.h"
#include "memory_stream.h"

namespace tessaly::test {
namespace {

using Streams = LoaderTest;

TEST_F(Streams, ReadsAndSeeksAgreeWithTheFileAcrossTheBuffer) {
  Bytes content(700 * 1024);
  std::iota(content.begin(), content.end(), uint8_t{0});
  for (size_t i = 0; i < content.size(); i += 4099) content[i] = uint8_t(i >> 12);
  const std::string file = path("data.bin");
  writeFile(file, content);
  PlugStream* s = zanIOCreateFileStream(file.c_str(), ZANIO_STREAM_READ);
  ASSERT_NE(s, nullptr);
  Bytes got(300 * 1024);
  // Small reads, a read larger than the buffer, seeks backwards and from the end.
  struct Step {
    int64_t offset;
    int32_t origin, count;
  };
  for (const Step step : {Step{10, PLUG_SEEK_SET, 5}, Step{100, PLUG_SEEK_CUR, 300 * 1024},
                          Step{-200000, PLUG_SEEK_CUR, 17}, Step{-9, PLUG_SEEK_END, 100}}) {
    const int64_t at = s->seek(s, step.offset, step.origin);
    ASSERT_GE(at, 0);
    const int32_t n = s->read(s, got.data(), step.count);
    ASSERT_EQ(n, std::min<int64_t>(step.count, int64_t(content.size()) - at));
    EXPECT_TRUE(std::equal(got.begin(), got.begin() + n, content.begin() + at)) << at;
    EXPECT_EQ(s->seek(s, 0, PLUG_SEEK_CUR), at + n);
  }
  EXPECT_EQ(s->seek(s, -1, PLUG_SEEK_SET), -1);
  EXPECT_EQ(s->write(s, got.data(), 1), 0);  // a read stream takes nothing
  char16_t name[PLUG_TEXT_UNITS];
  ASSERT_EQ(s->name(s, name), 1);
  EXPECT_EQ(name[0], u'/');
  EXPECT_EQ(zanIODestroyStream(s), 0);
}

TEST_F(Streams, StreamNamesAreUtf16Paths) {
  const std::string file = path("Grüße.bin");
  writeFile(file, Bytes{1, 2, 3});
  const std::string start = path("Gr");
  std::u16string name(start.begin(), start.end());
  name += u"\u00FC\u00DFe.bin";
  PlugStream* s = zanIOCreateStdStream(name.c_str(), ZANIO_STREAM_READ);
  ASSERT_NE(s, nullptr);
  uint8_t b[3];
  EXPECT_EQ(s->read(s, b, 3), 3);
  zanIODestroyStream(s);
  EXPECT_EQ(zanIOCreateStdStream(name.c_str(), 12345), nullptr);  // not a mode of ours
}

TEST_F(Streams, AWriterReadsBackWhatItWroteBeforeTheFileIsInPlace) {
  const std::string file = path("out.bin");
  PlugStream* s = zanIOCreateFileStream(file.c_str(), ZANIO_STREAM_WRITE);
  ASSERT_NE(s, nullptr);
  const Bytes header = {1, 2, 3, 4, 5, 6, 7, 8};
  ASSERT_EQ(s->write(s, header.data(), 8), 8);
  ASSERT_EQ(s->seek(s, 2, PLUG_SEEK_SET), 2);
  const uint8_t patch[2] = {9, 9};
  ASSERT_EQ(s->write(s, patch, 2), 2);
  EXPECT_EQ(s->seek(s, 0, PLUG_SEEK_END), 8);
  uint8_t back[8];
  ASSERT_EQ(s->seek(s, 0, PLUG_SEEK_SET), 0);
  ASSERT_EQ(s->read(s, back, 8), 8);
  EXPECT_EQ(Bytes(back, back + 8), (Bytes{1, 2, 9, 9, 5, 6, 7, 8}));
  EXPECT_TRUE(readFile(file).empty());  // not there yet
  // No image was completed on the stream: the bytes are thrown away.
  EXPECT_EQ(zanIODestroyStream(s), ZANIO_ERR_INCOMPLETE);
  EXPECT_TRUE(files().empty());
}

// What the image engine does: a write stream, an image, only part of the rows.
TEST_F(Streams, AnImageClosedEarlyLeavesTheOldFileAsItWas) {
  const std::string file = path("keep.png");
  writeFile(file, Bytes{'o', 'l', 'd'});
  PlugStream* s = zanIOCreateFileStream(file.c_str(), ZANIO_STREAM_WRITE);
  CreateRequest request{};
  request.size = sizeof request;
  request.colorModel = PLUG_COLOR_GREY;
  request.bits = 8;
  request.width = 16;
  request.height = 10;
  int32_t error = 0;
  zanIOImage* image = zanIOCreateImage(s, PLUG_FORMAT_PNG, &request, nullptr, &error);
  ASSERT_NE(image, nullptr);
  ASSERT_EQ(zanIOStartWriteImage(image), 0);
  const Bytes rows(16 * 4, 7);
  const uint8_t* planes[1] = {rows.data()};
  EXPECT_EQ(zanIOWriteRows(image, 4, planes, 16), 4);
  EXPECT_EQ(zanIOWriteRows(image, 7, planes, 16), ZANIO_ERR_ARGUMENT);  // more than are left
  EXPECT_EQ(zanIOCloseImage(image), ZANIO_ERR_ARGUMENT);
  EXPECT_EQ(zanIODestroyStream(s), ZANIO_ERR_INCOMPLETE);
  EXPECT_EQ(readFile(file), (Bytes{'o', 'l', 'd'}));
  EXPECT_EQ(files(), std::vector<std::string>{"keep.png"});
}

// A writer whose stream fills up part way reports the short write, and the loader passes the
// plug-in's code on.
TEST_F(Streams, AStreamThatFillsUpPartWayFailsTheWrite) {
  for (const int32_t format : readWriteFormats()) {
    SCOPED_TRACE(format);
    tessaly::plugin::MemoryStream memory;
    memory.limitSize(100);  // inside the first rows' data
    CreateRequest request{};
    request.size = sizeof request;
    request.colorModel = PLUG_COLOR_BGR;
    request.bits = 24;
    request.width = 64;
    request.height = 64;
    int32_t error = 0;
    zanIOImage* image = zanIOCreateImage(memory.stream(), format, &request, nullptr, &error);
    ASSERT_NE(image, nullptr);
    const BgrPicture p = bgrPicture(64, 64);
    int32_t result = zanIOStartWriteImage(image);
    for (int32_t done = 0; result >= 0 && done < 64; done += 32) {
      const uint8_t* planes[1] = {p.pixels.data() + size_t(done) * p.stride};
      result = zanIOWriteRows(image, 32, planes, p.stride);
    }
    EXPECT_EQ(result, PLUG_ERR_SHORT_WRITE);
    EXPECT_EQ(zanIOCloseImage(image), PLUG_ERR_SHORT_WRITE);
  }
}

// A real disk that runs out of room: the process may write files of at most 64 KiB.
TEST_F(Streams, ADiskThatRunsOutOfRoomLeavesNoPartialFile) {
  const BgrPicture small = bgrPicture(8, 8), large = bgrPicture(300, 300);
  const std::string file = path("result.bmp");
  ASSERT_EQ(zanIOWriteBGR(file.c_str(), 0, small.pixels.data(), 8, 8, small.stride, 0, 0, nullptr),
            0);
  const Bytes before = readFile(file);
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
  const rlimit tight = {64 * 1024, old.rlim_max};
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
  const int32_t result =
      zanIOWriteBGR(file.c_str(), 0, large.pixels.data(), 300, 300, large.stride, 0, 0, nullptr);
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, oldHandler);
  EXPECT_LT(result, 0);
  EXPECT_EQ(readFile(file), before);
  EXPECT_EQ(files(), std::vector<std::string>{"result.bmp"});
}

}  // namespace
}  // namespace tessaly::test
