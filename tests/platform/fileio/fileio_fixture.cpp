#include "fileio_fixture.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace tessaly::test {

namespace {

std::string lowerFirstExtension(const char16_t* patterns) {
  std::string out;
  for (const char16_t* c = patterns; *c != 0 && *c != u';'; ++c)
    if (*c != u'*') out += char(*c >= u'A' && *c <= u'Z' ? *c - u'A' + u'a' : *c);
  return out;
}

std::vector<LoadedFormat> describeLoaded() {
  _zanIOLoadPlugsEx(PLUGIN_FOLDER);
  std::vector<LoadedFormat> formats;
  for (int32_t i = 0; i < zanIOGetPlugCount(); ++i) {
    PlugInfo info{};
    info.size = sizeof info;
    if (zanIOEnumPlugsInfo(i, &info) < 0) continue;
    LoadedFormat f{info.formatId,
                   lowerFirstExtension(info.extensions),
                   info.canRead == 1,
                   info.canWrite == 1,
                   {}};
    if (f.writes) {
      f.saveList.resize(size_t(std::max(zanIOGetSaveList(f.formatId, 0, nullptr), 0)));
      zanIOGetSaveList(f.formatId, int32_t(f.saveList.size()), f.saveList.data());
    }
    formats.push_back(f);
  }
  return formats;
}

}  // namespace

const std::vector<LoadedFormat>& loadedFormats() {
  static const std::vector<LoadedFormat> formats = describeLoaded();
  return formats;
}

std::vector<int32_t> readWriteFormats() {
  std::vector<int32_t> ids;
  for (const LoadedFormat& f : loadedFormats())
    if (f.reads && f.writes) ids.push_back(f.formatId);
  return ids;
}

std::string extensionOf(int32_t formatId) {
  for (const LoadedFormat& f : loadedFormats())
    if (f.formatId == formatId) return f.extension;
  return ".unknown";
}

bool keepsTaggedValues(int32_t formatId) {
  return formatId != PLUG_FORMAT_TGA;
}

void LoaderTest::SetUpTestSuite() {
  ASSERT_GE(_zanIOLoadPlugsEx(PLUGIN_FOLDER), 5);
}

void LoaderTest::SetUp() {
  temp_ = std::make_unique<tessaly::test::TempFolder>("zanio-test-");
  folder_ = temp_->path();
}

void LoaderTest::TearDown() {
  temp_.reset();
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
