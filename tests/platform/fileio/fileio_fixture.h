// What the loader's tests share: the plug-ins loaded once from the program's plug-in folder, a
// fresh folder per test, and pictures to write.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "zanFileIO.h"

namespace tessaly::test {

using Bytes = std::vector<uint8_t>;

// The four formats whose plug-ins this branch builds.
constexpr int32_t kFormats[] = {PLUG_FORMAT_JPEG, PLUG_FORMAT_BMP, PLUG_FORMAT_TIFF,
                                PLUG_FORMAT_PNG};
const char* extensionOf(int32_t formatId);  // ".jpg", ".bmp", ...

class LoaderTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  void SetUp() override;
  void TearDown() override;
  // A path in this test's own folder.
  std::string path(const std::string& name) const { return folder_ + "/" + name; }
  // The names of the files in this test's folder.
  std::vector<std::string> files() const;

 private:
  std::string folder_;
};

// Blue-green-red rows top first: gradients (so that lossy formats keep them well) with a few
// hard edges; stride = width * 3 rounded up to 4.
struct BgrPicture {
  int32_t width, height, stride;
  Bytes pixels;
};
BgrPicture bgrPicture(int32_t width, int32_t height);

Bytes readFile(const std::string& path);
void writeFile(const std::string& path, const Bytes& bytes);

// Mean absolute difference of two equally long byte runs.
double meanDifference(const Bytes& a, const Bytes& b);

}  // namespace tessaly::test
