// Import of a letter-size page at 300 dots per inch (2480 x 3508 JPEG) into a picture through the
// engine, next to decoding the same file with libjpeg-turbo alone into one buffer; and export of
// the picture as JPEG next to encoding the same pixels with libjpeg-turbo alone.
#include <benchmark/benchmark.h>
#include <jpeglib.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "zanFileIO.h"
#include "zanengin.h"

namespace {

namespace fs = std::filesystem;

constexpr int32_t kWidth = 2480;
constexpr int32_t kHeight = 3508;
constexpr int32_t kStride = (kWidth * 3 + 3) & ~3;
constexpr int kQuality = 90;

// A page with smooth shading and fine lines, compressible like a scan.
std::vector<unsigned char> page() {
  std::vector<unsigned char> bytes(size_t(kStride) * kHeight);
  for (int32_t y = 0; y < kHeight; ++y)
    for (int32_t x = 0; x < kWidth; ++x) {
      unsigned char* p = bytes.data() + size_t(y) * kStride + size_t(x) * 3;
      const bool line = (y % 40) < 2 || (x % 97) == 0;
      p[0] = line ? 20 : (unsigned char)(200 + (x + y) % 50);
      p[1] = line ? 20 : (unsigned char)(210 + x % 40);
      p[2] = line ? 30 : (unsigned char)(220 + y % 30);
    }
  return bytes;
}

fs::path folder() {
  static const fs::path dir = [] {
    const fs::path d = fs::temp_directory_path() / "tessaly-file-io-bench";
    fs::create_directories(d);
    return d;
  }();
  return dir;
}

std::vector<char16_t> streamNameOf(const fs::path& file) {
  const std::u16string text = file.u16string();
  std::vector<char16_t> units(ZANIO_NAME_UNITS, 0);
  std::copy(text.begin(), text.end(), units.begin());
  return units;
}

void encodeAlone(const std::vector<unsigned char>& pixels, const fs::path& file) {
  FILE* out = std::fopen(file.c_str(), "wb");
  jpeg_compress_struct c{};
  jpeg_error_mgr errors{};
  c.err = jpeg_std_error(&errors);
  jpeg_create_compress(&c);
  jpeg_stdio_dest(&c, out);
  c.image_width = kWidth;
  c.image_height = kHeight;
  c.input_components = 3;
  c.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, kQuality, TRUE);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<unsigned char*>(pixels.data()) + size_t(c.next_scanline) * kStride;
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::fclose(out);
}

void decodeAlone(const fs::path& file, std::vector<unsigned char>& pixels) {
  FILE* in = std::fopen(file.c_str(), "rb");
  jpeg_decompress_struct d{};
  jpeg_error_mgr errors{};
  d.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&d);
  jpeg_stdio_src(&d, in);
  jpeg_read_header(&d, TRUE);
  d.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&d);
  while (d.output_scanline < d.output_height) {
    JSAMPROW row = pixels.data() + size_t(d.output_scanline) * kStride;
    jpeg_read_scanlines(&d, &row, 1);
  }
  jpeg_finish_decompress(&d);
  jpeg_destroy_decompress(&d);
  std::fclose(in);
}

// The page as a picture of one layer.
zanHandle pagePicture(const std::vector<unsigned char>& pixels) {
  const zanHandle picture = zanCreatePicture(nullptr);
  const zanHandle layer = zanCreateLayer(0, 0, kWidth, kHeight, nullptr);
  zanSetLayerBits(pixels.data(), layer, 0, 0, kWidth, kHeight, kStride, 0);
  zanInsertLayer(picture, layer, 1);
  const int32_t size[2] = {kWidth, kHeight};
  zanSetPictureProperty(picture, ZAN_PICT_WIDTH, &size[0], 4, 0);
  zanSetPictureProperty(picture, ZAN_PICT_HEIGHT, &size[1], 4, 0);
  const int32_t quality = kQuality;
  zanSetPictureProperty(picture, ZAN_GEN_QUALITY, &quality, 4, 0);
  return picture;
}

const fs::path& sampleFile() {
  static const fs::path file = [] {
    zanLoadFilePlugIns(FORMAT_PLUGIN_FOLDER);
    const fs::path f = folder() / "page.jpg";
    encodeAlone(page(), f);
    return f;
  }();
  return file;
}

void BM_Decode_LibjpegAlone(benchmark::State& state) {
  std::vector<unsigned char> pixels(size_t(kStride) * kHeight);
  for (auto _ : state) {
    decodeAlone(sampleFile(), pixels);
    benchmark::DoNotOptimize(pixels.data());
  }
}
BENCHMARK(BM_Decode_LibjpegAlone)->Unit(benchmark::kMillisecond);

void BM_Import_JpegToPicture(benchmark::State& state) {
  const std::vector<char16_t> streamPath = streamNameOf(sampleFile());
  ZanImportOptions options{};
  options.type = ZAN_IMPORT_FLATTENED;
  for (auto _ : state) {
    const zanHandle picture = zanCreatePicture(nullptr);
    if (zanImportToPicture(0, picture, streamPath.data(), &options) != 0)
      state.SkipWithError("import failed");
    state.PauseTiming();
    zanDestroyPicture(picture);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_Import_JpegToPicture)->Unit(benchmark::kMillisecond);

void BM_Encode_LibjpegAlone(benchmark::State& state) {
  const std::vector<unsigned char> pixels = page();
  const fs::path file = folder() / "alone.jpg";
  for (auto _ : state) encodeAlone(pixels, file);
}
BENCHMARK(BM_Encode_LibjpegAlone)->Unit(benchmark::kMillisecond);

void BM_Export_PictureToJpeg(benchmark::State& state) {
  sampleFile();  // loads the plug-ins
  const zanHandle picture = pagePicture(page());
  const std::vector<char16_t> streamPath = streamNameOf(folder() / "export.jpg");
  for (auto _ : state)
    if (zanExportImage(PLUG_FORMAT_JPEG, streamPath.data(), picture, nullptr) != 0)
      state.SkipWithError("export failed");
  zanDestroyPicture(picture);
}
BENCHMARK(BM_Export_PictureToJpeg)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
