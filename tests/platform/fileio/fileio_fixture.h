// What the loader's tests share: the plug-ins loaded once from the program's plug-in folder (and
// the list of formats they read and write, which the suites run through, so every plug-in built
// is covered), a fresh folder per test, and pictures to write.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "temp_folder.h"
#include "zanFileIO.h"

namespace tessaly::test {

using Bytes = std::vector<uint8_t>;

// A plug-in found in the program's plug-in folder, as the loader describes it.
struct LoadedFormat {
  int32_t formatId = 0;
  std::string extension;  // of its first pattern, lower case: ".jpg", ".tga", ...
  bool reads = false, writes = false;
  std::vector<SaveListEntry> saveList;
};
// Every plug-in in the program's plug-in folder; the first call loads them.
const std::vector<LoadedFormat>& loadedFormats();
// The ids of the loaded formats that are both read and written.
std::vector<int32_t> readWriteFormats();
// The extension of a loaded format, ".unknown" for any other.
std::string extensionOf(int32_t formatId);

// What some formats cannot keep, so the suites do not expect it back from them.
// Targa files hold no resolution: the writer takes every tagged value and stores none.
bool keepsTaggedValues(int32_t formatId);

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
  std::unique_ptr<tessaly::test::TempFolder> temp_;
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
