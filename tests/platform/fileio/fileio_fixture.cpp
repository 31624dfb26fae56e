#include "fileio_fixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace tessaly::test {

const char* extensionOf(int32_t formatId) {
  switch (formatId) {
    case PLUG_FORMAT_JPEG:
      return ".jpg";
    case PLUG_FORMAT_BMP:
      return ".bmp";
    case PLUG_FORMAT_TIFF:
      return ".tif";
    case PLUG_FORMAT_PNG:
      return ".png";
    default:
      return ".unknown";
  }
}

void LoaderTest::SetUpTestSuite() {
  ASSERT_GE(_zanIOLoadPlugsEx(PLUGIN_FOLDER), 4);
}

void LoaderTest::SetUp() {
  char name[] = "/tmp/zanio-test.XXXXXX";
  ASSERT_NE(mkdtemp(name), nullptr);
  folder_ = name;
}

void LoaderTest::TearDown() {
  std::filesystem::remove_all(folder_);
}

std::vector<std::string> LoaderTest::files() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder_))
    names.push_back(entry.path().filename().string());
  return names;
}

BgrPicture bgrPicture(int32_t width, int32_t height) {
  BgrPicture p{width, height, (width * 3 + 3) / 4 * 4, {}};
  p.pixels.assign(size_t(p.stride) * height, 0);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      uint8_t* px = &p.pixels[size_t(y) * p.stride + 3 * x];
      px[0] = uint8_t(x * 255 / width);
      px[1] = uint8_t(y * 255 / height);
      px[2] = uint8_t(x < width / 2 ? 40 : 200);
    }
  return p;
}

Bytes readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

double meanDifference(const Bytes& a, const Bytes& b) {
  if (a.size() != b.size() || a.empty()) return 1e9;
  double sum = 0;
  for (size_t i = 0; i < a.size(); ++i) sum += std::abs(int(a[i]) - int(b[i]));
  return sum / double(a.size());
}

}  // namespace tessaly::test
