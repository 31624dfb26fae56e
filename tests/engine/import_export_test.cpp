// Import and export through the real format plug-ins: round trips at every depth each writer
// takes, bands, progress and cancel, overwrites that fail, and readers that lie about sizes.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine_fixture.h"
#include "zanFileIO.h"

namespace tessaly::engine::test {
namespace {

namespace fs = std::filesystem;

constexpr int32_t kDpi = 300;

class FileIoTest : public EngineTest {
 protected:
  static void SetUpTestSuite() {
    static const bool loaded = [] {
      EXPECT_GE(zanLoadFilePlugIns(FORMAT_PLUGIN_FOLDER), 5);
      EXPECT_GE(zanLoadFilePlugIns(HOSTILE_PLUGIN_FOLDER), 1);
      return true;
    }();
    (void)loaded;
  }
  void SetUp() override {
    EngineTest::SetUp();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() /
           ("tessaly-engine-io-" + std::to_string(::getpid()) + "-" + info->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(dir_);
    EngineTest::TearDown();
  }
  // A stream name: 260 UTF-16 units.
  std::vector<char16_t> streamPath(const std::string& name) const {
    const std::u16string path = (dir_ / name).u16string();
    std::vector<char16_t> units(ZANIO_NAME_UNITS, 0);
    std::copy(path.begin(), path.end(), units.begin());
    return units;
  }
  fs::path path(const std::string& name) const { return dir_ / name; }
  std::vector<fs::path> files() const {
    return {fs::directory_iterator(dir_), fs::directory_iterator()};
  }

  fs::path dir_;
};

std::vector<char> contents(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const fs::path& file, const std::vector<char>& bytes) {
  std::ofstream(file, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

int32_t genericValue(zanHandle picture, int32_t id) {
  int32_t value = 0;
  zanGetPictureProperty(picture, id, &value, sizeof value, nullptr);
  return value;
}

zanHandle paletteBlock(int32_t count) {
  const zanHandle block = zanHeapAlloc(0, uint32_t(count) * 4, 0);
  auto* bytes = static_cast<uint8_t*>(zanHeapLock(0, block, 0));
  for (int32_t i = 0; i < count; ++i) {
    bytes[4 * i] = uint8_t(i * 7);
    bytes[4 * i + 1] = uint8_t(255 - i);
    bytes[4 * i + 2] = uint8_t(i * 3);
    bytes[4 * i + 3] = 0;
  }
  zanHeapUnlock(0, block, 1);
  return block;
}

// A smooth picture for lossy formats, a noisy one for the others.
Image contentFor(int32_t width, int32_t height, int32_t bpp, bool smooth) {
  Image image = patternImage(width, height, bpp);
  if (!smooth) return image;
  for (int32_t y = 0; y < height; ++y)
    for (int32_t i = 0; i < width * image.pixelBytes; ++i)
      image.row(y)[i] = uint8_t((i / image.pixelBytes) * 2 + y + (i % image.pixelBytes) * 40);
  return image;
}

// A picture of one layer covering the canvas, 300 dpi.
zanHandle pictureOf(const Image& image, int32_t bpp, bool withPalette) {
  const zanHandle picture = newPicture();
  const zanHandle layer = newLayer(0, 0, image.width, image.height, bpp);
  EXPECT_EQ(
      zanSetLayerBits(image.bytes.data(), layer, 0, 0, image.width, image.height, image.stride, 0),
      ZAN_OK);
  if (withPalette) {
    const zanHandle palette = paletteBlock(256);
    zanSetLayerProperty(layer, ZAN_LAYER_PALETTE, &palette, sizeof palette, 0);
  }
  insert(picture, layer, 1);
  setPictureValue(picture, ZAN_PICT_WIDTH, image.width);
  setPictureValue(picture, ZAN_PICT_HEIGHT, image.height);
  setPictureValue(picture, ZAN_PICT_BPP, bpp);
  const int32_t dpi = kDpi;
  zanSetPictureProperty(picture, 14001, &dpi, sizeof dpi, 0);
  zanSetPictureProperty(picture, 14002, &dpi, sizeof dpi, 0);
  return picture;
}

double meanDifference(const Image& a, const Image& b) {
  double sum = 0;
  for (int32_t y = 0; y < a.height; ++y)
    for (int32_t i = 0; i < a.width * a.pixelBytes; ++i)
      sum += std::abs(int(a.row(y)[i]) - int(b.row(y)[i]));
  return sum / (double(a.width) * a.height * a.pixelBytes);
}

struct Writer {
  int32_t formatId;
  const char* extension;
  bool lossy;
};
constexpr Writer kWriters[] = {{PLUG_FORMAT_JPEG, ".jpg", true},
                               {PLUG_FORMAT_BMP, ".bmp", false},
                               {PLUG_FORMAT_TIFF, ".tif", false},
                               {PLUG_FORMAT_PNG, ".png", false},
                               {PLUG_FORMAT_TGA, ".tga", false}};

// The picture depth (and palette) that makes the engine choose the entry; 0 for entries the
// engine never writes (planes, 1-bit grey).
int32_t depthFor(const SaveListEntry& e, bool& palette) {
  palette = e.colorModel == PLUG_COLOR_INDEXED;
  if (e.colorModel == PLUG_COLOR_BGR || e.colorModel == PLUG_COLOR_INDEXED) return e.bits;
  if (e.colorModel == PLUG_COLOR_GREY && e.bits >= 8) return e.bits;
  return 0;
}

TEST_F(FileIoTest, RoundTripsEveryWriterAtEveryDepthItTakes) {
  int32_t tried = 0;
  for (const Writer& w : kWriters) {
    const int32_t count = zanIOGetSaveList(w.formatId, 0, nullptr);
    ASSERT_GT(count, 0) << "format " << w.formatId;
    std::vector<SaveListEntry> list(static_cast<size_t>(count));
    zanIOGetSaveList(w.formatId, count, list.data());
    for (const SaveListEntry& e : list) {
      bool palette = false;
      const int32_t bpp = depthFor(e, palette);
      if (bpp == 0) continue;
      SCOPED_TRACE(std::string(w.extension) + " model " + std::to_string(e.colorModel) + " bits " +
                   std::to_string(e.bits));
      const Image image = contentFor(67, 45, bpp, w.lossy);
      const zanHandle picture = pictureOf(image, bpp, palette);
      const std::string name = "round" + std::to_string(tried++) + w.extension;
      ASSERT_EQ(zanCheckCanSave(w.formatId, picture, 0), 1);
      ASSERT_EQ(zanExportImage(0, streamPath(name).data(), picture, nullptr), ZAN_OK);

      const zanHandle back = newPicture();
      ZanImportOptions options{};
      options.type = ZAN_IMPORT_FLATTENED;
      ASSERT_EQ(zanImportToPicture(0, back, streamPath(name).data(), &options), ZAN_OK);
      EXPECT_EQ(pictureValue(back, ZAN_PICT_BPP), bpp);
      EXPECT_EQ(pictureValue(back, ZAN_PICT_WIDTH), image.width);
      EXPECT_EQ(pictureValue(back, ZAN_PICT_HEIGHT), image.height);
      if (w.formatId != PLUG_FORMAT_TGA) {  // Targa keeps no resolution
        EXPECT_EQ(genericValue(back, 14001), kDpi);
        EXPECT_EQ(genericValue(back, 14002), kDpi);
      }
      const zanHandle layer = zanGetLayer(back, 1, nullptr);
      ASSERT_NE(layer, 0u);
      const Image read = readLayer(layer, RECT{0, 0, image.width, image.height}, bpp);
      if (w.lossy)
        EXPECT_LT(meanDifference(image, read), 3.0);
      else
        EXPECT_EQ(meanDifference(image, read), 0.0);
      if (palette) {
        uint8_t want[1024], got[1024];
        zan::HeapLock<uint8_t> a(0, pictureValue(picture, ZAN_PICT_PALETTE));
        zan::HeapLock<uint8_t> b(0, pictureValue(back, ZAN_PICT_PALETTE));
        ASSERT_TRUE(a && b);
        ASSERT_EQ(b.count(), 1024u);
        std::memcpy(want, a.get(), 1024);
        std::memcpy(got, b.get(), 1024);
        for (int i = 0; i < 256; ++i)  // the fourth byte of an entry is not kept by every format
          EXPECT_EQ(0, std::memcmp(want + 4 * i, got + 4 * i, 3)) << "entry " << i;
      }
      zanDestroyPicture(back);
      zanDestroyPicture(picture);
    }
  }
  EXPECT_GE(tried, 14);
}

TEST_F(FileIoTest, ChoosesTheSaveEntryByDepthAndPalette) {
  const Image grey = patternImage(8, 8, 8);
  const zanHandle plain = pictureOf(grey, 8, false);
  const zanHandle indexed = pictureOf(grey, 8, true);
  const zanHandle deep = pictureOf(patternImage(8, 8, 16), 16, false);
  // PNG lists grey 8 before indexed 8: a grey picture goes as grey, a palette one as indexed.
  ASSERT_EQ(zanExportImage(PLUG_FORMAT_PNG, streamPath("g.png").data(), plain, nullptr), ZAN_OK);
  ASSERT_EQ(zanExportImage(PLUG_FORMAT_PNG, streamPath("i.png").data(), indexed, nullptr), ZAN_OK);
  ImageInfo info{};
  info.size = sizeof info;
  ASSERT_EQ(zanGetImageInfo(0, streamPath("g.png").data(), &info), ZAN_OK);
  EXPECT_EQ(info.colorModel, PLUG_COLOR_GREY);
  info.size = sizeof info;
  ASSERT_EQ(zanGetImageInfo(0, streamPath("i.png").data(), &info), ZAN_OK);
  EXPECT_EQ(info.colorModel, PLUG_COLOR_INDEXED);
  // JPEG has no 16-bit grey: no save, and no file.
  EXPECT_EQ(zanCheckCanSave(PLUG_FORMAT_JPEG, deep, 0), 0);
  EXPECT_EQ(zanExportImage(PLUG_FORMAT_JPEG, streamPath("d.jpg").data(), deep, nullptr),
            ZAN_ERR_ROWS);
  EXPECT_FALSE(fs::exists(path("d.jpg")));
  EXPECT_EQ(zanGetImageInfo(0, streamPath("missing.png").data(), &info), ZAN_ERR_STREAM);
  zanDestroyPicture(plain);
  zanDestroyPicture(indexed);
  zanDestroyPicture(deep);
}

struct Calls {
  std::vector<int32_t> positions;
  int32_t cancelAfter = -1;  // cancel calls answered 0 before answering 1
  int32_t cancels = 0;
};

int32_t cancelProc(void* user) {
  auto* calls = static_cast<Calls*>(user);
  const int32_t asked = calls->cancels++;
  return calls->cancelAfter >= 0 && asked >= calls->cancelAfter ? 1 : 0;
}
void progressProc(int32_t position, void* user) {
  static_cast<Calls*>(user)->positions.push_back(position);
}

TEST_F(FileIoTest, ImportReadsBandsOf32AndReportsProgressAfterEach) {
  const Image image = patternImage(20, 100, 24);
  const zanHandle picture = pictureOf(image, 24, false);
  ASSERT_EQ(zanExportImage(PLUG_FORMAT_BMP, streamPath("p.bmp").data(), picture, nullptr), ZAN_OK);
  Calls calls;
  const ZanImportOptions options{ZAN_IMPORT_FLATTENED, 0,     0, 0, 0, 1000, 2000, cancelProc,
                                 progressProc,         &calls};
  const zanHandle back = newPicture();
  ASSERT_EQ(zanImportToPicture(0, back, streamPath("p.bmp").data(), &options), ZAN_OK);
  // 32, 64, 96 and 100 rows of 100, then the end.
  EXPECT_EQ(calls.positions, (std::vector<int32_t>{1320, 1640, 1960, 2000, 2000}));
  EXPECT_EQ(calls.cancels, 4);
  EXPECT_EQ(
      meanDifference(image, readLayer(zanGetLayer(back, 1, nullptr), RECT{0, 0, 20, 100}, 24)),
      0.0);

  // A cancel after the first band leaves one layer, filled only there.
  Calls stop;
  stop.cancelAfter = 0;
  const ZanImportOptions cancelling{ZAN_IMPORT_FLATTENED, 0,    0, 0, 0, 0, 100, cancelProc,
                                    progressProc,         &stop};
  const zanHandle partial = newPicture();
  EXPECT_EQ(zanImportToPicture(0, partial, streamPath("p.bmp").data(), &cancelling),
            ZAN_ERR_CANCELLED);
  ASSERT_EQ(pictureValue(partial, ZAN_PICT_LAYERCOUNT), 1);
  // BMP rows arrive bottom-up: the first band is the picture's last 32 rows.
  const Image got = readLayer(zanGetLayer(partial, 1, nullptr), RECT{0, 0, 20, 100}, 24, 0xEE);
  EXPECT_EQ(0, std::memcmp(got.row(99), image.row(99), 60));
  EXPECT_EQ(0, std::memcmp(got.row(68), image.row(68), 60));
  EXPECT_NE(0, std::memcmp(got.row(67), image.row(67), 60));
  EXPECT_TRUE(stop.positions.empty());
  zanDestroyPicture(partial);
  zanDestroyPicture(back);
  zanDestroyPicture(picture);
}

TEST_F(FileIoTest, ImportToLayerGivesTheFlattenedImage) {
  const Image image = patternImage(33, 7, 8);
  const zanHandle picture = pictureOf(image, 8, true);
  ASSERT_EQ(zanExportImage(PLUG_FORMAT_TGA, streamPath("l.tga").data(), picture, nullptr), ZAN_OK);
  int32_t error = 1;
  const zanHandle layer = zanImportToLayer(0, streamPath("l.tga").data(), nullptr, &error);
  ASSERT_NE(layer, 0u);
  EXPECT_EQ(error, ZAN_OK);
  EXPECT_EQ(layerValue(layer, ZAN_LAYER_BPP), 8);
  EXPECT_NE(layerValue(layer, ZAN_LAYER_PALETTE), 0);
  EXPECT_EQ(meanDifference(image, readLayer(layer, RECT{0, 0, 33, 7}, 8)), 0.0);
  // And back out as one layer.
  ASSERT_EQ(zanExportLayer(PLUG_FORMAT_PNG, streamPath("l.png").data(), layer, nullptr), ZAN_OK);
  const zanHandle again = zanImportToLayer(0, streamPath("l.png").data(), nullptr, &error);
  ASSERT_NE(again, 0u);
  EXPECT_EQ(meanDifference(image, readLayer(again, RECT{0, 0, 33, 7}, 8)), 0.0);
  zanDestroyLayer(again);
  zanDestroyLayer(layer);
  EXPECT_EQ(zanImportToLayer(0, streamPath("none.png").data(), nullptr, &error), 0u);
  EXPECT_EQ(error, ZAN_ERR_STREAM);
  zanDestroyPicture(picture);
}

TEST_F(FileIoTest, AFailedOverwriteKeepsTheOldFile) {
  const std::vector<char> old = {'o', 'l', 'd', ' ', 'f', 'i', 'l', 'e'};
  writeFile(path("keep.png"), old);
  fs::permissions(path("keep.png"), fs::perms::owner_read | fs::perms::group_read);
  const zanHandle picture = pictureOf(patternImage(40, 100, 24), 24, false);

  // Cancelled half way: the old file stays, read-only, and nothing else is left.
  Calls stop;
  stop.cancelAfter = 1;
  const ZanExportOptions cancelling{0, nullptr, 0, 100, cancelProc, progressProc, &stop};
  EXPECT_EQ(zanExportImage(0, streamPath("keep.png").data(), picture, &cancelling),
            ZAN_ERR_CANCELLED);
  EXPECT_EQ(contents(path("keep.png")), old);
  EXPECT_EQ(files().size(), 1u);
  EXPECT_EQ(fs::status(path("keep.png")).permissions() & fs::perms::owner_write, fs::perms::none);

  // A format that cannot take the picture changes nothing either.
  const zanHandle deep = pictureOf(patternImage(4, 4, 16), 16, false);
  writeFile(path("keep.jpg"), old);
  fs::permissions(path("keep.jpg"), fs::perms::owner_read);
  EXPECT_EQ(zanExportImage(0, streamPath("keep.jpg").data(), deep, nullptr), ZAN_ERR_ROWS);
  EXPECT_EQ(contents(path("keep.jpg")), old);
  EXPECT_EQ(fs::status(path("keep.jpg")).permissions() & fs::perms::owner_write, fs::perms::none);

  // A writer that refuses the picture's size outright (JPEG ends at 65535 pixels) leaves neither
  // a changed file nor a temporary one.
  const zanHandle wide = pictureOf(patternImage(70000, 2, 24), 24, false);
  EXPECT_EQ(zanExportImage(0, streamPath("keep.jpg").data(), wide, nullptr), ZAN_ERR_STREAM);
  EXPECT_EQ(contents(path("keep.jpg")), old);
  EXPECT_EQ(files().size(), 2u);
  zanDestroyPicture(wide);

  // A folder that takes no new file: the export fails and the old file survives.
  fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
  if (::access(dir_.c_str(), W_OK) != 0) {  // not when the tests run with every right
    EXPECT_EQ(zanExportImage(0, streamPath("keep.png").data(), picture, nullptr), ZAN_ERR_STREAM);
    EXPECT_EQ(contents(path("keep.png")), old);
  }
  fs::permissions(dir_, fs::perms::owner_all);

  // Done properly, the read-only file is replaced.
  EXPECT_EQ(zanExportImage(0, streamPath("keep.png").data(), picture, nullptr), ZAN_OK);
  EXPECT_NE(contents(path("keep.png")), old);
  EXPECT_EQ(files().size(), 2u);
  zanDestroyPicture(deep);
  zanDestroyPicture(picture);
}

TEST_F(FileIoTest, ExportReducesColoursWhenTheSettingsAskForIt) {
  const zanHandle picture = pictureOf(patternImage(50, 30, 24), 24, false);
  setPictureValue(picture, ZAN_GEN_BITS, 4);
  setPictureValue(picture, ZAN_GEN_PALETTE_TYPE, ZAN_PALETTE_16);
  setPictureValue(picture, ZAN_GEN_DITHER_TYPE, ZAN_DITHER_DIFFUSION);
  ASSERT_EQ(zanExportImage(PLUG_FORMAT_BMP, streamPath("r.bmp").data(), picture, nullptr), ZAN_OK);
  int32_t error = 1;
  const zanHandle layer = zanImportToLayer(0, streamPath("r.bmp").data(), nullptr, &error);
  ASSERT_NE(layer, 0u);
  EXPECT_EQ(layerValue(layer, ZAN_LAYER_BPP), 8);
  const Image indices = readLayer(layer, RECT{0, 0, 50, 30}, 8);
  for (int32_t y = 0; y < 30; ++y)
    for (int32_t x = 0; x < 50; ++x) ASSERT_LT(indices.row(y)[x], 16);
  zanDestroyLayer(layer);
  zanDestroyPicture(picture);
}

// The hostile reader's file: "HOST" and its ten words.
void hostileFile(const fs::path& file, std::vector<int32_t> words) {
  std::vector<char> bytes = {'H', 'O', 'S', 'T'};
  for (int32_t w : words)
    for (int i = 0; i < 4; ++i) bytes.push_back(char(uint32_t(w) >> (8 * i)));
  writeFile(file, bytes);
}

TEST_F(FileIoTest, SizesAReaderClaimsAreCheckedBeforeUse) {
  struct Case {
    const char* what;
    std::vector<int32_t> words;  // model, bits, channels, width, height, right, bottom,
                                 // row bytes, rows per read, row order
    int32_t code;
  };
  const Case cases[] = {
      {"honest", {2, 24, 3, 16, 40, 16, 40, 48, -1, 1}, ZAN_OK},
      {"honest bottom-up", {2, 24, 3, 16, 40, 16, 40, 48, -1, 2}, ZAN_OK},
      {"unknown model", {77, 24, 3, 16, 4, 16, 4, 48, 4, 1}, ZAN_ERR_BUILD_LAYER},
      {"unknown bits", {2, 13, 3, 16, 4, 16, 4, 48, 4, 1}, ZAN_ERR_BUILD_LAYER},
      {"too many planes", {1, 8, 9, 16, 4, 16, 4, 16, 4, 1}, ZAN_ERR_BUILD_LAYER},
      {"negative width", {2, 24, 3, 16, 4, -16, 4, 48, 4, 1}, ZAN_ERR_BUILD_LAYER},
      {"width that overflows", {2, 24, 3, 16, 4, INT32_MAX, 4, 48, 4, 1}, ZAN_ERR_BUILD_LAYER},
      {"row bytes that overflow a band",
       {2, 24, 3, 16, 4, 16, 4, INT32_MAX / 8, 4, 1},
       ZAN_ERR_BUILD_LAYER},
      {"no rows", {2, 24, 3, 16, 4, 16, 4, 48, 0, 1}, ZAN_ERR_ROWS},
      {"more rows than asked", {2, 24, 3, 16, 4, 16, 4, 48, 99, 1}, ZAN_ERR_ROWS},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    hostileFile(path("h.hst"), c.words);
    const zanHandle picture = newPicture();
    ZanImportOptions options{};
    options.type = ZAN_IMPORT_FLATTENED;
    EXPECT_EQ(zanImportToPicture(0, picture, streamPath("h.hst").data(), &options), c.code);
    if (c.code == ZAN_OK) {
      const Image got = readLayer(zanGetLayer(picture, 1, nullptr), RECT{0, 0, 16, 40}, 24);
      EXPECT_EQ(got.row(39)[47], 0x5A);
      EXPECT_EQ(got.row(0)[0], 0x5A);
    }
    zanDestroyPicture(picture);
  }
}

// 16-bit samples whose high and low bytes differ everywhere, so a reader that keeps one byte
// or swaps them cannot pass.
uint16_t deepSample(int32_t x, int32_t y, int32_t channel) {
  return uint16_t((x * 2753 + y * 911 + channel * 20011 + 257) & 0xFFFF);
}

void putBig16(std::vector<char>& out, uint32_t v) {
  out.push_back(char(v >> 8));
  out.push_back(char(v));
}
void putBig32(std::vector<char>& out, uint32_t v) {
  putBig16(out, v >> 16);
  putBig16(out, v & 0xFFFF);
}

// Rows of big-endian samples, red, green, blue for colour, as both TIFF and PNG store them.
std::vector<char> deepRows(int32_t width, int32_t height, int32_t channels, bool filterBytes) {
  std::vector<char> rows;
  for (int32_t y = 0; y < height; ++y) {
    if (filterBytes) rows.push_back(0);
    for (int32_t x = 0; x < width; ++x)
      for (int32_t c = 0; c < channels; ++c) putBig16(rows, deepSample(x, y, c));
  }
  return rows;
}

// An uncompressed big-endian TIFF of one strip: 16-bit grey or 3 x 16-bit RGB.
std::vector<char> deepTiff(int32_t width, int32_t height, int32_t channels) {
  const uint32_t entries = 10, ifdEnd = 8 + 2 + entries * 12 + 4;
  const uint32_t bitsAt = ifdEnd, dataAt = ifdEnd + 8;
  const std::vector<char> rows = deepRows(width, height, channels, false);
  std::vector<char> f = {'M', 'M', 0, 42};
  putBig32(f, 8);
  putBig16(f, entries);
  const auto entry = [&](uint32_t tag, uint32_t type, uint32_t count, uint32_t value) {
    putBig16(f, tag);
    putBig16(f, type);
    putBig32(f, count);
    if (type == 3 && count == 1) {  // a short sits in the first half of the field
      putBig16(f, value);
      putBig16(f, 0);
    } else {
      putBig32(f, value);
    }
  };
  entry(256, 4, 1, uint32_t(width));
  entry(257, 4, 1, uint32_t(height));
  entry(258, 3, uint32_t(channels), channels == 1 ? 16 : bitsAt);
  entry(259, 3, 1, 1);
  entry(262, 3, 1, channels == 1 ? 1 : 2);
  entry(273, 4, 1, dataAt);
  entry(277, 3, 1, uint32_t(channels));
  entry(278, 4, 1, uint32_t(height));
  entry(279, 4, 1, uint32_t(rows.size()));
  entry(284, 3, 1, 1);
  putBig32(f, 0);
  for (int i = 0; i < 3; ++i) putBig16(f, 16);
  putBig16(f, 0);
  f.insert(f.end(), rows.begin(), rows.end());
  return f;
}

uint32_t crc32Of(const char* data, size_t size) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) {
    crc ^= uint8_t(data[i]);
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

void putChunk(std::vector<char>& png, const char* type, const std::vector<char>& data) {
  putBig32(png, uint32_t(data.size()));
  std::vector<char> typed(type, type + 4);
  typed.insert(typed.end(), data.begin(), data.end());
  png.insert(png.end(), typed.begin(), typed.end());
  putBig32(png, crc32Of(typed.data(), typed.size()));
}

// A PNG of 16-bit grey (colour type 0) or 16-bit RGB (type 2), its rows in stored deflate blocks.
std::vector<char> deepPng(int32_t width, int32_t height, int32_t channels) {
  std::vector<char> png = {char(0x89), 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<char> header;
  putBig32(header, uint32_t(width));
  putBig32(header, uint32_t(height));
  header.insert(header.end(), {16, char(channels == 1 ? 0 : 2), 0, 0, 0});
  putChunk(png, "IHDR", header);
  const std::vector<char> raw = deepRows(width, height, channels, true);
  std::vector<char> z = {0x78, 0x01};
  uint32_t a = 1, b = 0;
  for (size_t at = 0; at < raw.size(); at += 65535) {
    const size_t n = std::min<size_t>(65535, raw.size() - at);
    z.push_back(char(at + n == raw.size() ? 1 : 0));
    z.insert(z.end(), {char(n & 255), char(n >> 8), char(~n & 255), char((~n >> 8) & 255)});
    z.insert(z.end(), raw.begin() + std::ptrdiff_t(at), raw.begin() + std::ptrdiff_t(at + n));
  }
  for (const char c : raw) {
    a = (a + uint8_t(c)) % 65521;
    b = (b + a) % 65521;
  }
  putBig32(z, (b << 16) | a);
  putChunk(png, "IDAT", z);
  putChunk(png, "IEND", {});
  return png;
}

// 16-bit grey and 48-bit colour files from outside the program import as 16- and 48-bit
// pictures and layers with every sample kept: grey as little-endian words, colour as blue,
// green, red words.
TEST_F(FileIoTest, SixteenBitFilesImportWithEverySampleKept) {
  const int32_t width = 37, height = 45;  // more than one band of rows
  for (const int32_t channels : {1, 3}) {
    for (const bool tiff : {true, false}) {
      const std::string name =
          std::string(channels == 1 ? "grey" : "colour") + (tiff ? ".tif" : ".png");
      SCOPED_TRACE(name);
      writeFile(path(name),
                tiff ? deepTiff(width, height, channels) : deepPng(width, height, channels));
      const int32_t bpp = 16 * channels;
      const zanHandle picture = newPicture();
      ZanImportOptions options{};
      options.type = ZAN_IMPORT_FLATTENED;
      ASSERT_EQ(zanImportToPicture(0, picture, streamPath(name).data(), &options), ZAN_OK);
      EXPECT_EQ(pictureValue(picture, ZAN_PICT_BPP), bpp);
      int32_t error = 1;
      const zanHandle alone = zanImportToLayer(0, streamPath(name).data(), nullptr, &error);
      ASSERT_NE(alone, 0u) << error;
      for (const zanHandle layer : {zanGetLayer(picture, 1, nullptr), alone}) {
        ASSERT_NE(layer, 0u);
        EXPECT_EQ(layerValue(layer, ZAN_LAYER_BPP), bpp);
        const Image got = readLayer(layer, RECT{0, 0, width, height}, bpp);
        for (int32_t y = 0; y < height; ++y) {
          for (int32_t x = 0; x < width; ++x) {
            for (int32_t c = 0; c < channels; ++c) {
              const unsigned char* at = got.row(y) + (x * channels + (channels - 1 - c)) * 2;
              ASSERT_EQ(at[0] | (at[1] << 8), deepSample(x, y, c)) << x << "," << y << "," << c;
            }
          }
        }
      }
      zanDestroyLayer(alone);
      zanDestroyPicture(picture);
    }
  }
}

TEST_F(FileIoTest, DebugTimerLogsTextThenElapsedMilliseconds) {
  const zanHandle timer = DbgTimerStart();
  ASSERT_NE(timer, 0u);
  DbgTimerPause(timer);
  const std::string log = path("timer.log").string();
  ASSERT_EQ(DbgTimerWriteLog(timer, log.c_str(), "decode"), 1);
  ASSERT_EQ(DbgTimerWriteLog(timer, log.c_str(), "again"), 1);
  const std::vector<char> text = contents(log);
  const std::string written(text.begin(), text.end());
  EXPECT_EQ(written.substr(0, 8), "decode:\t");
  const size_t first = written.find("(ms)\r\n");
  ASSERT_NE(first, std::string::npos);
  EXPECT_EQ(written.substr(first + 6, 7), "again:\t");
  EXPECT_EQ(written.size(), 2 * (first + 6) - 1);  // both lines show the same paused time
  EXPECT_EQ(DbgTimerWriteLog(timer, path("no/such/folder.log").string().c_str(), "x"), 0);
  EXPECT_EQ(DbgTimerWriteLog(0, log.c_str(), "x"), 0);
  DbgTimerResume(timer);
  DbgTimerClear(timer);
}

}  // namespace
}  // namespace tessaly::engine::test
