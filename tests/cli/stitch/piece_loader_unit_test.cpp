// The loading side of the engine: quarter turns made band by band, the decoded-piece cache, and
// the loader that decodes each piece once and serves it turned by the user's rotation.
#include <gtest/gtest.h>

#include <filesystem>

#include "bgr_image.h"
#include "formats.h"
#include "pattern.h"
#include "piece_cache.h"
#include "piece_loader.h"
#include "pixel_block.h"
#include "quarter_turn.h"
#include "temp_folder.h"
#include "zanFileIO.h"

namespace {

namespace client = tessaly::stitch::client;
using client::PieceCache;
using client::PieceLoader;
using tessaly::cli::test::Pattern;
using tessaly::test::TempFolder;

// Owns an image the loader made.
struct Loaded {
  tagPixelArray* image = nullptr;
  ~Loaded() { PieceLoader::release(&image); }
};

TEST(QuarterTurnTest, BandsInAnyCutGiveTheTurnedPicture) {
  const Pattern source(37, 22);  // odd sizes and padded rows
  for (int turns = 1; turns <= 3; ++turns) {
    const Pattern expected = source.turnedLeft(turns);
    Pattern target(expected.width, expected.height);
    for (int32_t row = 0; row < source.height; row += 5) {
      const int32_t rows = std::min(5, source.height - row);
      tessaly::cli::turnBandInto(source.at(0, row), source.stride, row, rows, source.width,
                                 source.height, turns, target.rows());
    }
    EXPECT_TRUE(expected.sameAs(target.view())) << turns << " turns";
  }
}

TEST(QuarterTurnTest, HalfTurnInPlaceForEvenAndOddHeights) {
  for (const int32_t height : {6, 7}) {
    Pattern picture(5, height);
    const Pattern expected = picture.turnedLeft(2);
    tessaly::cli::turnHalfInPlace(picture.rows(), picture.width, picture.height);
    EXPECT_TRUE(expected.sameAs(picture.view())) << height;
  }
}

TEST(QuarterTurnTest, WholePicturesTurnThroughTheSameBands) {
  const Pattern source(13, 6, 5);
  tessaly::cli::BgrImage image = tessaly::cli::makeImage(source.width, source.height);
  image.bytes = source.bytes;  // the same row length: a multiple of 4 bytes
  for (int turns = -1; turns <= 5; ++turns) {
    const tessaly::cli::BgrImage turned = tessaly::cli::turnQuarters(image, turns);
    Pattern view(turned.width, turned.height);
    view.bytes = turned.bytes;
    EXPECT_TRUE(source.turnedLeft((turns + 4) % 4).sameAs(view.view())) << turns << " turns";
  }
}

TEST(PixelBlockTest, RowsOfTheEngineLengthAndRefusedSizes) {
  tagPixelArray* image = client::allocatePixelArray(5, 3);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->bytesPerLine, 16);
  EXPECT_EQ(image->bits[16 * 3 - 1], 0);
  client::freePixelArray(image);
  EXPECT_EQ(client::allocatePixelArray(0, 3), nullptr);
  EXPECT_EQ(client::allocatePixelArray(1 << 30, 2),
            nullptr);  // rows too long for the record
}

TEST(PieceCacheTest, StoresReadsBackAndForgets) {
  TempFolder dir;
  PieceCache cache;
  ASSERT_TRUE(cache.open(dir.path()));
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));  // the file has no name in the folder
  Pattern a(9, 4, 1), b(6, 6, 2);
  ASSERT_TRUE(cache.store(0, a.view()));
  ASSERT_TRUE(cache.store(1, b.view()));
  int32_t w = 0, h = 0, stride = 0;
  ASSERT_TRUE(cache.find(0, w, h, stride));
  EXPECT_EQ(w, 9);
  Pattern back(9, 4, 7);
  ASSERT_TRUE(cache.readRows(0, 0, 4, back.bytes.data()));
  EXPECT_TRUE(back.sameAs(a.view()));
  std::vector<uint8_t> lastTwo(size_t(a.stride) * 2);
  ASSERT_TRUE(cache.readRows(0, 2, 2, lastTwo.data()));
  EXPECT_TRUE(std::equal(lastTwo.begin(), lastTwo.end(), a.at(0, 2)));
  EXPECT_FALSE(cache.readRows(0, 2, 3, back.bytes.data()));  // past the last row
  cache.forget(0);
  EXPECT_FALSE(cache.find(0, w, h, stride));
  EXPECT_TRUE(cache.find(1, w, h, stride));
}

TEST(PieceCacheTest, MappedPiecesShowTheStoredPixelsAndWritesStayPrivate) {
  TempFolder dir;
  PieceCache cache;
  ASSERT_TRUE(cache.open(dir.path()));
  // Odd sizes, so the second piece's room would not start on a page boundary unless rounded.
  Pattern a(37, 11, 1), b(29, 13, 2);
  ASSERT_TRUE(cache.store(0, a.view()));
  ASSERT_TRUE(cache.store(1, b.view()));
  for (int round = 0; round < 2; ++round) {
    tagPixelArray* first = cache.mapImage(0);
    tagPixelArray* second = cache.mapImage(1);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(a.sameAs(*first));
    EXPECT_TRUE(b.sameAs(*second));
    EXPECT_EQ(second->bytesPerLine, client::rowBytesFor(29));
    // A write into a mapped piece must never reach the cache: the next round checks.
    first->bits[0] ^= 0xff;
    second->bits[size_t(second->bytesPerLine) * 13 - 4] ^= 0xff;
    client::freePixelArray(first);
    client::freePixelArray(second);
  }
  // Rows of another length than the engine's cannot be handed over as they are.
  std::vector<uint8_t> wide(size_t(64) * 3, 9);
  ASSERT_TRUE(cache.store(2, tagPixelArray{5, 3, 64, wide.data()}));
  EXPECT_EQ(cache.mapImage(2), nullptr);
  cache.forget(1);
  EXPECT_EQ(cache.mapImage(1), nullptr);
  EXPECT_EQ(cache.mapImage(7), nullptr);
}

class PieceLoaderTest : public ::testing::Test {
 protected:
  void SetUp() override { tessaly::cli::stitch::loadFormatPlugins(); }

  // Writes the pattern as a lossless file and adds it as a piece with its rotation.
  void addPiece(const std::string& name, Pattern& pattern, int rotation) {
    const std::string path = dir_.file(name);
    ASSERT_EQ(zanIOWriteBGR(path.c_str(), 0, pattern.bytes.data(), pattern.width, pattern.height,
                            pattern.stride, 0, 0, nullptr),
              0);
    pieces_.push_back({path, rotation});
  }

  TempFolder dir_;
  PieceCache cache_;
  std::vector<client::PieceSource> pieces_;
};

TEST_F(PieceLoaderTest, EachRotationIsAppliedAndEveryLoadAfterTheFirstReadsTheCache) {
  Pattern picture(41, 23, 3);
  for (const int rotation : {0, 90, 180, 270}) {
    addPiece("p" + std::to_string(rotation) + ".png", picture, rotation);
  }
  ASSERT_TRUE(cache_.open(dir_.path()));
  PieceLoader loader(pieces_, cache_);
  for (int round = 0; round < 3; ++round) {
    for (size_t i = 0; i < pieces_.size(); ++i) {
      Loaded loaded;
      ASSERT_EQ(loader.load(pieces_[i].path.c_str(), &loaded.image), 0);
      EXPECT_EQ(loaded.image->bytesPerLine, client::rowBytesFor(loaded.image->width));
      EXPECT_TRUE(picture.turnedLeft(pieces_[i].rotation / 90).sameAs(*loaded.image))
          << pieces_[i].rotation << " degrees, round " << round;
    }
  }
  for (size_t i = 0; i < pieces_.size(); ++i) {
    EXPECT_EQ(loader.decodes()[i], 1);
    EXPECT_EQ(loader.cacheReads()[i], 2);
  }
}

TEST_F(PieceLoaderTest, WithoutACacheEveryLoadDecodesAndStillTurns) {
  Pattern picture(30, 17);
  addPiece("p.png", picture, 90);
  PieceLoader loader(pieces_, cache_);  // cache never opened
  for (int round = 0; round < 2; ++round) {
    Loaded loaded;
    ASSERT_EQ(loader.load(pieces_[0].path.c_str(), &loaded.image), 0);
    EXPECT_TRUE(picture.turnedLeft(1).sameAs(*loaded.image));
  }
  EXPECT_EQ(loader.decodes()[0], 2);
}

TEST_F(PieceLoaderTest, NamesMatchExactlySoOtherFilesAreReadUnturned) {
  Pattern lower(12, 8, 1), upper(12, 8, 2);
  addPiece("a.png", lower, 180);
  // The same name in capitals is another file, not a piece: read as it is.
  const std::string other = dir_.file("A.png");
  ASSERT_EQ(zanIOWriteBGR(other.c_str(), 0, upper.bytes.data(), upper.width, upper.height,
                          upper.stride, 0, 0, nullptr),
            0);
  ASSERT_TRUE(cache_.open(dir_.path()));
  PieceLoader loader(pieces_, cache_);
  Loaded piece, file;
  ASSERT_EQ(loader.load(pieces_[0].path.c_str(), &piece.image), 0);
  ASSERT_EQ(loader.load(other.c_str(), &file.image), 0);
  EXPECT_TRUE(lower.turnedLeft(2).sameAs(*piece.image));
  EXPECT_TRUE(upper.sameAs(*file.image));
  EXPECT_EQ(loader.decodes()[0], 1);
}

TEST_F(PieceLoaderTest, FailuresReturnTheLoadingStatusesAndNameTheFile) {
  Pattern picture(10, 10);
  addPiece("p.png", picture, 0);
  PieceLoader loader(pieces_, cache_);
  Loaded loaded;
  EXPECT_EQ(loader.load(dir_.file("missing.png").c_str(), &loaded.image), client::kLoadUnreadable);
  EXPECT_EQ(loaded.image, nullptr);
  EXPECT_NE(loader.lastFailure().find("missing.png"), std::string::npos);
  // A file that holds no picture.
  const std::string junk = dir_.file("junk.bmp");
  std::FILE* f = std::fopen(junk.c_str(), "wb");
  std::fputs("BM not really", f);
  std::fclose(f);
  EXPECT_EQ(loader.load(junk.c_str(), &loaded.image), client::kLoadUnreadable);
  EXPECT_EQ(loader.load(nullptr, &loaded.image), client::kLoadBadArguments);
  EXPECT_EQ(loader.load(pieces_[0].path.c_str(), nullptr), client::kLoadBadArguments);
  PieceLoader::release(nullptr);  // does nothing
}

}  // namespace
