// The plug-in machinery end to end: a module made by tessaly_add_plugin is loaded with dlopen
// the way the loader will load one, and driven only through its two exports and its function
// table over streams in memory.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "memory_stream.h"
#include "plugin_interface.h"
#include "zanHeap.h"

namespace {

class PluginModule : public ::testing::Test {
 protected:
  void SetUp() override {
    module = dlopen(SAMPLE_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    getInfo = reinterpret_cast<GetPlugInfoProc>(dlsym(module, PLUG_GETPLUGINFO_NAME));
    getStruct = reinterpret_cast<GetPlugStructProc>(dlsym(module, PLUG_GETPLUGSTRUCT_NAME));
    ASSERT_NE(getInfo, nullptr);
    ASSERT_NE(getStruct, nullptr);
    blocksBefore = zanHeapBlockCount(0);
  }
  void TearDown() override {
    EXPECT_EQ(zanHeapBlockCount(0), blocksBefore) << "an instance was not freed";
    if (module) dlclose(module);
  }

  // Writes a grey image through the table; returns what WriteRows answered.
  int32_t write(tessaly::plugin::MemoryStream& out, int32_t width,
                const std::vector<uint8_t>& pixels, int32_t* error = nullptr) {
    PlugInstance* w = getStruct(out.stream(), 1, PLUG_FORMAT_ANY);
    EXPECT_NE(w, nullptr);
    if (w == nullptr) return 0;
    CreateRequest request{};
    request.size = sizeof request;
    request.colorModel = PLUG_COLOR_GREY;
    request.bits = 8;
    request.width = width;
    request.height = static_cast<int32_t>(pixels.size()) / width;
    RowLayout layout{};
    layout.size = sizeof layout;
    EXPECT_EQ(w->table.CreateImage(w, &request, &layout), 1);
    EXPECT_EQ(layout.rowBytes, width);
    const int32_t resolution = 300;
    w->table.AddImageInfo(w, PLUG_TAG_XRESOLUTION, &resolution, sizeof resolution);
    int32_t taken = 0;
    if (w->table.StartWriteImage(w)) {
      const uint8_t* planes[1] = {pixels.data()};
      taken = w->table.WriteRows(w, request.height, planes, width);
    }
    if (error) *error = w->table.GetError(w);
    w->table.CloseImage(w);
    return taken;
  }

  void* module = nullptr;
  GetPlugInfoProc getInfo = nullptr;
  GetPlugStructProc getStruct = nullptr;
  int32_t blocksBefore = 0;
};

TEST_F(PluginModule, InfoCopiesAtMostTheCallersSize) {
  PlugInfo full{};
  full.size = sizeof full;
  EXPECT_EQ(getInfo(&full), 1);
  EXPECT_EQ(full.version, PLUG_INTERFACE_VERSION);
  EXPECT_EQ(full.formatId, 99);
  EXPECT_EQ(std::u16string(full.extensions), u"*.GRY");

  // An older caller with a 40-byte record: the texts behind it stay untouched.
  PlugInfo shortInfo;
  std::memset(&shortInfo, 0xAB, sizeof shortInfo);
  shortInfo.size = 40;
  EXPECT_EQ(getInfo(&shortInfo), 1);
  EXPECT_EQ(shortInfo.size, 40);
  EXPECT_EQ(shortInfo.valueF, 0);
  EXPECT_EQ(shortInfo.description[0], char16_t(0xABAB));
}

TEST_F(PluginModule, ForeignFormatIdIsRefusedWithoutTouchingTheStream) {
  tessaly::plugin::MemoryStream stream({'T', 'G', 'R', 'Y', 1, 0, 1, 0, 7});
  EXPECT_EQ(getStruct(stream.stream(), 0, PLUG_FORMAT_TGA), nullptr);
  EXPECT_EQ(getStruct(stream.stream(), 1, PLUG_FORMAT_TGA), nullptr);
  EXPECT_EQ(stream.calls(), 0);
  tessaly::plugin::MemoryStream other({'N', 'O', 'P', 'E', 1, 0, 1, 0, 7});
  EXPECT_EQ(getStruct(other.stream(), 0, 99), nullptr);  // fails the signature test
}

TEST_F(PluginModule, SaveListAnswersTheCountFirst) {
  tessaly::plugin::MemoryStream stream;
  PlugInstance* w = getStruct(stream.stream(), 1, 99);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->table.GetSaveList(0, nullptr), 1);
  SaveListEntry entries[3] = {{-1, -1}, {-1, -1}, {-1, -1}};
  EXPECT_EQ(w->table.GetSaveList(3, entries), 1);
  EXPECT_EQ(entries[0].colorModel, PLUG_COLOR_GREY);
  EXPECT_EQ(entries[1].colorModel, -1);  // nothing beyond the plug-in's own entries
  w->table.CloseImage(w);
}

TEST_F(PluginModule, RowsRoundTripAndShortImageInfoGetsOnlyItsPrefix) {
  const std::vector<uint8_t> pixels = {1, 2, 3, 4, 5, 6};
  tessaly::plugin::MemoryStream file;
  ASSERT_EQ(write(file, 3, pixels), 2);

  tessaly::plugin::MemoryStream in(file.bytes());
  PlugInstance* r = getStruct(in.stream(), 0, PLUG_FORMAT_ANY);
  ASSERT_NE(r, nullptr);
  ImageInfo prefix;
  std::memset(&prefix, 0x5A, sizeof prefix);
  prefix.size = 24;
  ASSERT_EQ(r->table.OpenImage(r, &prefix), 1);
  EXPECT_EQ(prefix.colorModel, PLUG_COLOR_GREY);
  EXPECT_EQ(prefix.bits, 0x5A5A5A5A);  // offset 24 lies beyond the caller's record
  EXPECT_EQ(prefix.width, 0x5A5A5A5A);

  LayerInfo layer{};
  layer.size = sizeof layer;
  ASSERT_EQ(r->table.StartReadImage(r, &layer), 1);
  ASSERT_EQ(layer.right, 3);
  // Bottom-up delivery into a top-down buffer through a negative stride.
  std::vector<uint8_t> rows(6, 0);
  uint8_t* planes[1] = {rows.data() + 3};
  EXPECT_EQ(r->table.ReadRows(r, 2, planes, -3), 2);
  EXPECT_EQ(rows, (std::vector<uint8_t>{4, 5, 6, 1, 2, 3}));
  EXPECT_EQ(r->table.GetError(r), 0);
  r->table.CloseImage(r);
}

TEST_F(PluginModule, AStreamThatFillsUpFailsTheWrite) {
  tessaly::plugin::MemoryStream file;
  file.limitSize(10);  // the header and part of the first row
  int32_t error = 0;
  EXPECT_EQ(write(file, 4, std::vector<uint8_t>(8, 9), &error), 0);
  EXPECT_EQ(error, PLUG_ERR_SHORT_WRITE);
}

// plugCopyOut on its own: the rule both sides of every record exchange rely on.
TEST(PlugCopyOut, CopiesTheSmallerSizeAndSaysHowMuch) {
  struct Own {
    int32_t size, a, b;
  } own{12, 1, 2};
  int32_t bigger[5] = {20, 0, 0, 0, 77};
  EXPECT_EQ(plugCopyOut(bigger, &own, sizeof own), 12);
  EXPECT_EQ(bigger[0], 12);  // the caller learns how much is valid
  EXPECT_EQ(bigger[2], 2);
  EXPECT_EQ(bigger[4], 77);
  int32_t smaller[3] = {8, 0, 55};
  EXPECT_EQ(plugCopyOut(smaller, &own, sizeof own), 8);
  EXPECT_EQ(smaller[0], 8);  // never more than the caller's own room
  EXPECT_EQ(smaller[2], 55);
  int32_t tiny[2] = {3, 66};
  EXPECT_EQ(plugCopyOut(tiny, &own, sizeof own), 0);
  EXPECT_EQ(tiny[0], 3);
  int32_t negative[2] = {-8, 66};
  EXPECT_EQ(plugCopyOut(negative, &own, sizeof own), 0);
  EXPECT_EQ(plugCopyOut(nullptr, &own, sizeof own), 0);
}

}  // namespace
