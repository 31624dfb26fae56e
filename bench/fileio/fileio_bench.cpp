// Decoding and encoding an A4 page scanned at 300 dots per inch (2480 x 3508, 24-bit) in each
// format: through the loader (zanIOWriteBGR / zanIOOpenBGR + zanIOReadBGR, with the plug-ins of
// the program's plug-in folder) and with the format's library called directly, same settings,
// in the same run. The loader's overhead is the difference between the two.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "direct_codecs.h"
#include "temp_folder.h"
#include "zanFileIO.h"

namespace {

constexpr int32_t kWidth = 2480, kHeight = 3508, kStride = kWidth * 3, kDpi = 300;

// A page-like picture: paper-white with smooth shading, dark text-like strokes and a photo-like
// patch, so that the codecs do realistic work.
std::vector<uint8_t>& page() {
  static std::vector<uint8_t> pixels = [] {
    std::vector<uint8_t> p(size_t(kStride) * kHeight);
    uint32_t noise = 12345;
    for (int32_t y = 0; y < kHeight; ++y)
      for (int32_t x = 0; x < kWidth; ++x) {
        noise = noise * 1103515245 + 12345;
        const bool stroke = (y / 40) % 3 == 0 && (x / 7 + y / 9) % 5 == 0;
        const bool photo = x > 600 && x < 1800 && y > 1200 && y < 2200;
        uint8_t* px = &p[size_t(y) * kStride + 3 * x];
        const int base = stroke ? 30 : 235 - (x + y) / 200;
        for (int c = 0; c < 3; ++c)
          px[c] = uint8_t(photo ? (x * (c + 1) + y * (3 - c)) / 16 % 256 : base + (noise >> 29));
      }
    return p;
  }();
  return pixels;
}

// Files go to a private folder of this run, removed when the program ends.
std::string tempPath(const char* extension) {
  static const tessaly::test::TempFolder folder("zanio-bench-");
  return folder.file(std::string("page") + extension);
}

const char* extensionOf(int32_t format) {
  switch (format) {
    case PLUG_FORMAT_JPEG:
      return ".jpg";
    case PLUG_FORMAT_BMP:
      return ".bmp";
    case PLUG_FORMAT_TIFF:
      return ".tif";
    default:
      return ".png";
  }
}

bool directWrite(int32_t format, const std::string& path, const tessaly::bench::Picture& p) {
  switch (format) {
    case PLUG_FORMAT_JPEG:
      return tessaly::bench::writeJpeg(path, p, 90);
    case PLUG_FORMAT_BMP:
      return tessaly::bench::writeBmp(path, p);
    case PLUG_FORMAT_TIFF:
      return tessaly::bench::writeTiffLzw(path, p);
    default:
      return tessaly::bench::writePng(path, p);
  }
}

bool directRead(int32_t format, const std::string& path, tessaly::bench::Picture& p) {
  switch (format) {
    case PLUG_FORMAT_JPEG:
      return tessaly::bench::readJpeg(path, p);
    case PLUG_FORMAT_BMP:
      return tessaly::bench::readBmp(path, p);
    case PLUG_FORMAT_TIFF:
      return tessaly::bench::readTiff(path, p);
    default:
      return tessaly::bench::readPng(path, p);
  }
}

void loaderEncode(benchmark::State& state) {
  const auto format = int32_t(state.range(0));
  const std::string path = tempPath(extensionOf(format));
  for (auto _ : state)
    if (zanIOWriteBGR(path.c_str(), format, page().data(), kWidth, kHeight, kStride, kDpi, kDpi,
                      nullptr) != 0)
      state.SkipWithError("the loader could not write");
  unlink(path.c_str());
}

void libraryEncode(benchmark::State& state) {
  const auto format = int32_t(state.range(0));
  const std::string path = tempPath(extensionOf(format));
  const tessaly::bench::Picture p = {kWidth, kHeight, kStride, page().data()};
  for (auto _ : state)
    if (!directWrite(format, path, p)) state.SkipWithError("the library could not write");
  unlink(path.c_str());
}

void loaderDecode(benchmark::State& state) {
  const auto format = int32_t(state.range(0));
  const std::string path = tempPath(extensionOf(format));
  zanIOWriteBGR(path.c_str(), format, page().data(), kWidth, kHeight, kStride, kDpi, kDpi, nullptr);
  std::vector<uint8_t> out(page().size());
  for (auto _ : state) {
    zanIOReader* reader = zanIOOpenBGR(path.c_str(), nullptr, nullptr);
    if (reader == nullptr || zanIOReadBGR(reader, out.data(), kStride) != 0)
      state.SkipWithError("the loader could not read");
    zanIOCloseBGR(reader);
  }
  unlink(path.c_str());
}

void libraryDecode(benchmark::State& state) {
  const auto format = int32_t(state.range(0));
  const std::string path = tempPath(extensionOf(format));
  zanIOWriteBGR(path.c_str(), format, page().data(), kWidth, kHeight, kStride, kDpi, kDpi, nullptr);
  std::vector<uint8_t> out(page().size());
  tessaly::bench::Picture p = {kWidth, kHeight, kStride, out.data()};
  for (auto _ : state)
    if (!directRead(format, path, p)) state.SkipWithError("the library could not read");
  unlink(path.c_str());
}

// Formats as arguments: 1 JPEG, 2 BMP, 3 TIFF (LZW), 6 PNG.
void formats(benchmark::internal::Benchmark* b) {
  for (const int64_t f : {1, 2, 3, 6}) b->Arg(f);
  b->Unit(benchmark::kMillisecond)->MinTime(1.0);
}

BENCHMARK(libraryDecode)->Apply(formats);
BENCHMARK(loaderDecode)->Apply(formats);
BENCHMARK(libraryEncode)->Apply(formats);
BENCHMARK(loaderEncode)->Apply(formats);

}  // namespace

int main(int argc, char** argv) {
  if (_zanIOLoadPlugsEx(nullptr) < 4) {
    std::fprintf(stderr, "the plug-ins were not found beside the program\n");
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
