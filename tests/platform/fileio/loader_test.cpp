// The loader's set of plug-ins: loading, descriptions, choice by extension and by probing, save
// lists, and the contract's edge cases as the loader's callers meet them.
#include <dlfcn.h>

#include <cstring>
#include <new>
#include <stdexcept>
#include <string>

#include "fileio_fixture.h"
#include "memory_stream.h"
#include "zanError.h"

namespace tessaly::test {
namespace {

int32_t indexOfFormat(int32_t formatId) {
  for (int32_t i = 0; i < zanIOGetPlugCount(); ++i) {
    PlugInfo info{};
    info.size = sizeof info;
    if (zanIOEnumPlugsInfo(i, &info) >= 0 && info.formatId == formatId) return i;
  }
  return -1;
}

using Plugins = LoaderTest;

TEST_F(Plugins, EveryFormatIsLoadedOnceWithItsDescription) {
  const int32_t count = zanIOGetPlugCount();
  EXPECT_EQ(_zanIOLoadPlugsEx(PLUGIN_FOLDER), count);  // loading again adds nothing
  for (const int32_t format : readWriteFormats()) {
    const int32_t index = indexOfFormat(format);
    ASSERT_GE(index, 0) << format;
    PlugInfo info{};
    info.size = sizeof info;
    EXPECT_EQ(zanIOEnumPlugsInfo(index, &info), 1);
    EXPECT_EQ(info.canRead, 1);
    EXPECT_EQ(info.canWrite, 1);
    EXPECT_EQ(info.valueE, info.valueF);
  }
  PlugInfo shortInfo;
  std::memset(&shortInfo, 0x77, sizeof shortInfo);
  shortInfo.size = 20;
  EXPECT_EQ(zanIOEnumPlugsInfo(0, &shortInfo), 1);
  EXPECT_EQ(shortInfo.canWrite, 0x77777777);  // beyond the caller's 20 bytes
  EXPECT_EQ(zanIOEnumPlugsInfo(count, &shortInfo), ZANIO_ERR_ARGUMENT);
  EXPECT_EQ(_zanIOLoadPlugsEx("/no/such/folder"), ZANIO_ERR_NO_FOLDER);
}

TEST_F(Plugins, TheDefaultFolderIsBesideTheProgram) {
  char folder[4096];
  ASSERT_GT(zanIOPlugFolder(folder, sizeof folder), 0);
  EXPECT_EQ(std::string(folder).substr(std::string(folder).size() - 8), "/plugins");
}

TEST_F(Plugins, ExtensionsChooseTheFormatWhateverTheirCase) {
  EXPECT_EQ(zanIOFindFormatByExtension("scan.jpeg", 1), PLUG_FORMAT_JPEG);
  EXPECT_EQ(zanIOFindFormatByExtension("/a.b/RESULT.TIFF", 1), PLUG_FORMAT_TIFF);
  EXPECT_EQ(zanIOFindFormatByExtension(".Png", 0), PLUG_FORMAT_PNG);
  EXPECT_EQ(zanIOFindFormatByExtension("x.dib", 1), PLUG_FORMAT_BMP);
  EXPECT_EQ(zanIOFindFormatByExtension("folder.jpg/name", 1), 0);  // the dot is in a folder
  EXPECT_EQ(zanIOFindFormatByExtension("notes.txt", 1), 0);

  const int32_t png = indexOfFormat(PLUG_FORMAT_PNG);
  ASSERT_EQ(zanIOEnablePlug(png, 0), ZANIO_OK);
  EXPECT_EQ(zanIOFindFormatByExtension("a.png", 1), 0);
  EXPECT_EQ(zanIOGetSaveList(PLUG_FORMAT_PNG, 0, nullptr), ZANIO_ERR_NO_PLUGIN);
  ASSERT_EQ(zanIOEnablePlug(png, 1), ZANIO_OK);
  EXPECT_EQ(zanIOFindFormatByExtension("a.png", 1), PLUG_FORMAT_PNG);
}

TEST_F(Plugins, SaveListsAnswerTheCountFirstAndCopyOnlyTheirEntries) {
  EXPECT_EQ(zanIOGetSaveList(PLUG_FORMAT_JPEG, 0, nullptr), 2);
  SaveListEntry entries[8];
  std::memset(entries, 0xFF, sizeof entries);
  EXPECT_EQ(zanIOGetSaveList(PLUG_FORMAT_BMP, 8, entries), 3);
  EXPECT_EQ(entries[0].colorModel, PLUG_COLOR_BGR);
  EXPECT_EQ(entries[0].bits, 24);
  EXPECT_EQ(entries[3].colorModel, -1);
  std::memset(entries, 0xFF, sizeof entries);
  EXPECT_EQ(zanIOGetSaveList(PLUG_FORMAT_TIFF, 1, entries), 6);
  EXPECT_EQ(entries[1].colorModel, -1);  // only one was asked for
  EXPECT_EQ(zanIOGetSaveList(99, 0, nullptr), ZANIO_ERR_NO_PLUGIN);
}

TEST_F(Plugins, ReadersAreFoundByProbingWhateverTheFileIsCalled) {
  const BgrPicture p = bgrPicture(8, 6);
  const std::string png = path("a.png");
  ASSERT_EQ(zanIOWriteBGR(png.c_str(), 0, p.pixels.data(), 8, 6, p.stride, 0, 0, nullptr), 0);
  const std::string misnamed = path("really-a-png.jpg");
  writeFile(misnamed, readFile(png));
  zanIOBGRInfo info{};
  info.size = sizeof info;
  int32_t error = 1;
  zanIOReader* reader = zanIOOpenBGR(misnamed.c_str(), &info, &error);
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(error, 0);
  EXPECT_EQ(info.formatId, PLUG_FORMAT_PNG);
  zanIOCloseBGR(reader);

  const std::string text = path("notes.bmp");
  writeFile(text, Bytes(100, 'x'));
  EXPECT_EQ(zanIOOpenBGR(text.c_str(), &info, &error), nullptr);
  EXPECT_EQ(error, ZANIO_ERR_NO_PLUGIN);
  EXPECT_EQ(zanIOOpenBGR(path("missing.png").c_str(), &info, &error), nullptr);
  EXPECT_EQ(error, ZANIO_ERR_STREAM);
}

TEST_F(Plugins, AForeignFormatIdFindsNoReaderAndAShortImageInfoGetsItsPrefix) {
  const BgrPicture p = bgrPicture(5, 4);
  const std::string file = path("p.bmp");
  ASSERT_EQ(zanIOWriteBGR(file.c_str(), 0, p.pixels.data(), 5, 4, p.stride, 0, 0, nullptr), 0);
  PlugStream* stream = zanIOCreateFileStream(file.c_str(), ZANIO_STREAM_READ);
  ASSERT_NE(stream, nullptr);
  int32_t error = 0;
  EXPECT_EQ(zanIOOpenImage(stream, PLUG_FORMAT_PNG, nullptr, &error), nullptr);
  EXPECT_EQ(error, ZANIO_ERR_NO_PLUGIN);
  ImageInfo prefix;
  std::memset(&prefix, 0x5A, sizeof prefix);
  prefix.size = 24;
  zanIOImage* image = zanIOOpenImage(stream, PLUG_FORMAT_BMP, &prefix, &error);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(prefix.size, 24);
  EXPECT_EQ(prefix.colorModel, PLUG_COLOR_BGR);
  EXPECT_EQ(prefix.width, 0x5A5A5A5A);
  EXPECT_EQ(zanIOOpenThumb(stream, 0, nullptr, &error), nullptr);
  EXPECT_EQ(zanIOUnloadPlugs(), ZANIO_ERR_BUSY);  // the image still runs plug-in code
  EXPECT_EQ(zanIOCloseImage(image), 0);
  EXPECT_EQ(zanIODestroyStream(stream), 0);
}

TEST_F(Plugins, RowsAreNeverAskedPastTheEnd) {
  const BgrPicture p = bgrPicture(4, 3);
  const std::string file = path("p.png");
  ASSERT_EQ(zanIOWriteBGR(file.c_str(), 0, p.pixels.data(), 4, 3, p.stride, 0, 0, nullptr), 0);
  PlugStream* stream = zanIOCreateFileStream(file.c_str(), ZANIO_STREAM_READ);
  zanIOImage* image = zanIOOpenImage(stream, 0, nullptr, nullptr);
  ASSERT_NE(image, nullptr);
  uint8_t rows[4 * 12];
  uint8_t* planes[1] = {rows};
  EXPECT_EQ(zanIOReadRows(image, 1, planes, 12), ZANIO_ERR_ARGUMENT);  // not started
  LayerInfo layer{};
  layer.size = sizeof layer;
  ASSERT_EQ(zanIOStartReadImage(image, &layer), 0);
  EXPECT_EQ(zanIOReadRows(image, 32, planes, 12), 3);  // as many as there are
  EXPECT_EQ(zanIOReadRows(image, 1, planes, 12), ZANIO_ERR_ARGUMENT);
  EXPECT_EQ(zanIOCloseImage(image), 0);
  zanIODestroyStream(stream);
}

// The contract as each module answers it directly: a foreign format id gives null without a
// look at the stream, and the save list answers its count to a null array.
TEST_F(Plugins, EachModuleKeepsTheContractsEdgeCases) {
  for (const char* name : {"Bmp.fll", "Jpeg.fll", "Png.fll", "Tiff.fll"}) {
    SCOPED_TRACE(name);
    void* module = dlopen((std::string(PLUGIN_FOLDER) + "/" + name).c_str(), RTLD_NOW);
    ASSERT_NE(module, nullptr);
    auto getStruct = reinterpret_cast<GetPlugStructProc>(dlsym(module, PLUG_GETPLUGSTRUCT_NAME));
    tessaly::plugin::MemoryStream stream(Bytes(64, 0));
    EXPECT_EQ(getStruct(stream.stream(), 0, PLUG_FORMAT_EMF), nullptr);
    EXPECT_EQ(getStruct(stream.stream(), 1, PLUG_FORMAT_EMF), nullptr);
    EXPECT_EQ(stream.calls(), 0);
    EXPECT_EQ(getStruct(stream.stream(), 0, PLUG_FORMAT_ANY), nullptr);  // zeros are no image
    PlugInstance* writer = getStruct(stream.stream(), 1, PLUG_FORMAT_ANY);
    ASSERT_NE(writer, nullptr);
    EXPECT_GT(writer->table.GetSaveList(0, nullptr), 0);
    EXPECT_EQ(writer->table.GetError(writer), 0);
    writer->table.CloseImage(writer);
    EXPECT_EQ(stream.bytes(), Bytes(64, 0));  // a writer writes nothing before it starts
    dlclose(module);
  }
}

// A failure thrown inside a call (here by the caller's own stream, under a plug-in's signature
// test) comes back as a code that says what kind of failure it was.
TEST_F(Plugins, AThrownFailureBecomesTheCodeOfItsKind) {
  struct ThrowingStream {
    PlugStream ops;
    void (*raise)();
  };
  static const auto read = [](PlugStream* s, void*, int32_t) -> int32_t {
    reinterpret_cast<ThrowingStream*>(s)->raise();
    return 0;
  };
  static const auto seek = [](PlugStream*, int64_t, int32_t) -> int64_t { return 0; };
  static const auto name = [](PlugStream*, char16_t*) -> int32_t { return 0; };
  const struct {
    void (*raise)();
    int32_t code;
  } cases[] = {{[] { throw std::bad_alloc(); }, PLUG_ERR_NO_MEMORY},
               {[] { _zanThrow(PLUG_ERR_SHORT_WRITE); }, PLUG_ERR_SHORT_WRITE},
               {[] { throw std::runtime_error("lost"); }, ZANIO_ERR_STREAM}};
  for (const auto& c : cases) {
    ThrowingStream stream{{read, nullptr, seek, name}, c.raise};
    ImageInfo info{};
    info.size = sizeof info;
    int32_t error = 0;
    EXPECT_EQ(zanIOOpenImage(&stream.ops, 0, &info, &error), nullptr);
    EXPECT_EQ(error, c.code);
  }
}

TEST(ErrorTexts, EveryCodeHasASentence) {
  for (const int32_t code : {0, -11, -21, -22, -40, -41, -42, -43, -44, -60, -71, -12345})
    EXPECT_GT(std::strlen(zanIOErrorText(code)), 5u) << code;
}

}  // namespace
}  // namespace tessaly::test
