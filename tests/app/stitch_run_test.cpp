// The engine client without a window: the progress bands, the statuses and their texts, the
// loading callback's turns and decoded-piece reuse, and whole runs of the real engine on the
// example pieces (call order, cancelling, an unreadable piece, the result's rows).
#include "stitch_run.h"

#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "pixel_block.h"
#include "stitch_checks.h"
#include "stitch_pieces.h"
#include "temp_folder.h"
#include "tessaly/host/operations.h"
#include "ui_strings.h"

namespace {

using namespace tessaly::app;
using namespace tessaly::host;
using tessaly::test::TempFolder;
using tessaly::test::TmpdirOverride;

std::string example(int n) {
  return std::string(TESSALY_EXAMPLES) + "/scan-0" + std::to_string(n) + ".jpg";
}

// The four example pieces as the Scan page lists them.
std::vector<StitchEntry> examplePieces() {
  std::vector<StitchEntry> entries;
  for (int n = 1; n <= 4; ++n) {
    const QImage image(QString::fromStdString(example(n)));
    entries.push_back({example(n), image.width(), image.height(), 0});
  }
  return entries;
}

const unsigned char* pixel(const tagPixelArray& image, int row, int column) {
  return image.bits + int64_t(row) * image.bytesPerLine + 3 * column;
}

TEST(StitchProgress, EachStageHasItsBandAndPositionsAreHeldTo0To100) {
  EXPECT_EQ(stitchPercent(StitchStage::Aligning, 50), 55);
  EXPECT_EQ(stitchPercent(StitchStage::Blending, 150), 100);
  EXPECT_EQ(stitchPercent(StitchStage::Loading, -5), 0);
  EXPECT_EQ(stitchPercent(StitchStage::Loading, 100), 20);
  EXPECT_EQ(stitchPercent(StitchStage::Ordering, 0), 20);
  EXPECT_EQ(stitchPercent(StitchStage::Ordering, 99), 39);
  EXPECT_EQ(stitchPercent(StitchStage::Blending, 0), 70);
}

TEST(StitchStatus, WarningsAreSuccessCancelIsSilentAndFailuresHaveTheirTexts) {
  for (long warning = 4097; warning <= 4100; ++warning) {
    EXPECT_TRUE(isStitchSuccess(warning)) << warning;
    EXPECT_EQ(statusMessage(warning), 0) << warning;
  }
  EXPECT_FALSE(isStitchSuccess(4096));
  EXPECT_FALSE(isStitchSuccess(4101));
  EXPECT_EQ(statusMessage(4101), text::kStitchFailed);
  EXPECT_EQ(statusMessage(QX_CANCELLED), 0);
  EXPECT_EQ(statusMessage(QX_ERR_INPUT), text::kUnsuitablePieces);
  EXPECT_EQ(statusMessage(QX_ERR_SETUP), text::kNoMemory);
  EXPECT_EQ(statusMessage(kLoadUnreadable), text::kStitchFailed);
}

TEST(StitchStatus, StraighteningCountsOnlyOnZero) {
  EXPECT_TRUE(straightenSucceeded(0));
  EXPECT_FALSE(straightenSucceeded(QX_WARN_LOW_CONFIDENCE));
  EXPECT_FALSE(straightenSucceeded(QX_CANCELLED));
  EXPECT_FALSE(straightenSucceeded(QX_ERR_SETUP));
}

TEST(StitchStyle, TheVerifiedWayUnlessTheSettingSaysClassic) {
  EXPECT_EQ(engineStyle(1, "verified"), QX_STYLE_GRID | QX_STYLE_VERIFIED);
  EXPECT_EQ(engineStyle(0, "verified"), QX_STYLE_ROW | QX_STYLE_VERIFIED);
  EXPECT_EQ(engineStyle(1, "classic"), QX_STYLE_GRID);
  EXPECT_EQ(engineStyle(0, "classic"), QX_STYLE_ROW);
}

TEST(StitchChecks, ResolutionAreaAndSpreadAtTheirLimits) {
  PieceExtremes e{800, 1000, 600, 600, 300, 300, 300, 300};
  EXPECT_TRUE(piecesSuitable(e, 20));  // (1000 - 800) / 1000 = 0.2 passes
  e.minWidth = 790;
  EXPECT_FALSE(piecesSuitable(e, 20));
  EXPECT_TRUE(piecesSuitable(e, 21));

  const PieceExtremes tiny{100, 100, 14, 14, 300, 300, 300, 300};  // 1400 pixels
  EXPECT_FALSE(piecesSuitable(tiny, 20));
  const PieceExtremes enough{100, 100, 15, 15, 300, 300, 300, 300};
  EXPECT_TRUE(piecesSuitable(enough, 20));

  const PieceExtremes coarse{800, 800, 600, 600, 49, 49, 300, 300};
  EXPECT_FALSE(piecesSuitable(coarse, 20));
  const PieceExtremes spreadDown{800, 800, 600, 600, 300, 300, 200, 300};
  EXPECT_FALSE(piecesSuitable(spreadDown, 20));

  EXPECT_FALSE(tooManyPieces(10, 10));
  EXPECT_TRUE(tooManyPieces(11, 10));
}

TEST(StitchPieces, APieceIsTurnedByItsRotationAndDecodedOnce) {
  const std::string path = example(1);
  PieceFeeder feeder({{path, 0, 0, 0}, {path + "", 0, 0, 0}});
  PieceFeeder turned({{path, 0, 0, 90}});
  tagPixelArray* upright = nullptr;
  tagPixelArray* left = nullptr;
  ASSERT_EQ(feeder.load(path.c_str(), &upright), 0);
  ASSERT_EQ(turned.load(path.c_str(), &left), 0);
  ASSERT_EQ(left->width, upright->height);
  ASSERT_EQ(left->height, upright->width);
  // A left turn: turned row r, column c is upright row c, column width - 1 - r.
  for (const auto& [r, c] : std::vector<std::pair<int, int>>{{0, 0}, {17, 400}, {700, 1031}}) {
    EXPECT_EQ(0, std::memcmp(pixel(*left, r, c), pixel(*upright, c, upright->width - 1 - r), 3));
  }
  PieceFeeder::release(&left);
  EXPECT_EQ(left, nullptr);

  // The engine's second load of the piece maps the cache file: the same rows, no decode.
  tagPixelArray* again = nullptr;
  ASSERT_EQ(turned.load(path.c_str(), &again), 0);
  EXPECT_EQ(turned.decodes(0), 1);
  EXPECT_EQ(again->width, upright->height);
  EXPECT_EQ(0, std::memcmp(pixel(*again, 17, 400), pixel(*upright, 400, upright->width - 18), 3));
  PieceFeeder::release(&again);
  PieceFeeder::release(&upright);
  PieceFeeder::release(nullptr);
  tagPixelArray* none = nullptr;
  PieceFeeder::release(&none);
}

TEST(StitchPieces, UnreadableFilesAndMissingArgumentsHaveTheirStatuses) {
  TempFolder folder;
  const std::string garbage = folder.file("garbage.jpg");
  std::ofstream(garbage) << "this is no picture";
  PieceFeeder feeder({{garbage, 100, 100, 0}});
  tagPixelArray* image = nullptr;
  EXPECT_EQ(feeder.load(garbage.c_str(), &image), kLoadUnreadable);
  EXPECT_EQ(image, nullptr);
  EXPECT_EQ(feeder.load(folder.file("missing.bmp").c_str(), &image), kLoadUnreadable);
  EXPECT_EQ(feeder.load(nullptr, &image), kLoadBadArguments);
  EXPECT_EQ(feeder.load(garbage.c_str(), nullptr), kLoadBadArguments);
}

TEST(StitchResult, RowZeroOfTheArrayIsThePicturesTopRow) {
  tagPixelArray* image = tessaly::stitch::client::allocatePixelArray(3, 2);
  ASSERT_NE(image, nullptr);
  image->bits[0] = 255;                        // top-left: blue
  image->bits[image->bytesPerLine + 2] = 255;  // bottom-left: red
  ZanObject* picture = pictureFromPixelArray(*image);
  ASSERT_NE(picture, nullptr);
  QImage shown;
  Zan0Inter(picture, op::kPictureImage, reinterpret_cast<intptr_t>(&shown));
  EXPECT_EQ(shown.size(), QSize(3, 2));
  EXPECT_EQ(shown.pixelColor(0, 0), QColor(0, 0, 255));
  EXPECT_EQ(shown.pixelColor(0, 1), QColor(255, 0, 0));
  Zan0Release(picture);

  tagPixelArray bad = *image;
  bad.bytesPerLine = 8;  // shorter than 3 pixels
  EXPECT_EQ(pictureFromPixelArray(bad), nullptr);
  tessaly::stitch::client::freePixelArray(image);
}

class StitchRunTest : public testing::Test {
 protected:
  StitchRunTest() : tmpdir_(temp_.path()) {
    run_.onCall = [this](const char* call) { calls_.push_back(call); };
    run_.showMessage = [this](int text) { messages_.push_back(text); };
    run_.reportProgress = [this](int percent) {
      percents_.push_back(percent);
      return cancelWhen_ && cancelWhen_(run_.stage());
    };
  }

  bool engineFolderGone() const { return !std::filesystem::exists(temp_.file("StitchEngine_Tmp")); }

  TempFolder temp_;
  TmpdirOverride tmpdir_;
  StitchRun run_;
  std::vector<std::string> calls_;
  std::vector<int> messages_;
  std::vector<int> percents_;
  std::function<bool(StitchStage)> cancelWhen_;
};

TEST_F(StitchRunTest, TheExamplePiecesGoThroughTheEngineInItsOrder) {
  ASSERT_TRUE(run_.prepareAndOrder(examplePieces(), engineStyle(1, "verified"), 0));
  EXPECT_GE(run_.candidateCount(), 1);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(run_.feeder()->decodes(i), 1);
  ZanObject* picture = run_.compose();
  ASSERT_NE(picture, nullptr);
  int32_t width = 0, height = 0;
  Zan0Inter(picture, op::kPictureSize, reinterpret_cast<intptr_t>(&width),
            reinterpret_cast<intptr_t>(&height));
  // A 2 x 2 grid of 729 x 1032 pieces with overlaps.
  EXPECT_GT(width, 1000);
  EXPECT_LT(width, 2 * 729);
  EXPECT_GT(height, 1400);
  EXPECT_LT(height, 2 * 1032);
  Zan0Release(picture);

  const std::vector<std::string> expected = {"QXCreateStitch", "QXLoadImages", "QXAutoOrder",
                                             "QXAutoAlign",    "QXAutoBlend",  "QXReleaseStitch"};
  EXPECT_EQ(calls_, expected);
  EXPECT_TRUE(messages_.empty());
  EXPECT_FALSE(run_.holdsSession());
  EXPECT_TRUE(engineFolderGone());
  ASSERT_FALSE(percents_.empty());
  EXPECT_TRUE(std::is_sorted(percents_.begin(), percents_.end()));
  EXPECT_EQ(percents_.back(), 100);
}

TEST_F(StitchRunTest, CancellingDuringAlignmentStopsSilentlyAndLeavesNoFiles) {
  cancelWhen_ = [](StitchStage stage) { return stage == StitchStage::Aligning; };
  ASSERT_TRUE(run_.prepareAndOrder(examplePieces(), engineStyle(1, "verified"), 0));
  EXPECT_EQ(run_.compose(), nullptr);
  EXPECT_TRUE(messages_.empty());
  EXPECT_FALSE(run_.holdsSession());
  EXPECT_EQ(calls_.back(), "QXReleaseStitch");
  EXPECT_TRUE(engineFolderGone());
  EXPECT_TRUE(std::filesystem::is_empty(temp_.path()));
}

TEST_F(StitchRunTest, EscapeWhileLoadingStopsTheRunWithoutAMessage) {
  run_.escapePressed = [] { return true; };
  EXPECT_FALSE(run_.prepareAndOrder(examplePieces(), engineStyle(1, "classic"), 0));
  EXPECT_TRUE(messages_.empty());
  EXPECT_FALSE(run_.holdsSession());
  EXPECT_TRUE(percents_.empty());  // Escape comes first: the panel is not asked
}

TEST_F(StitchRunTest, APieceThatCannotBeReadFailsTheLoadWithItsText) {
  std::vector<StitchEntry> entries = examplePieces();
  const std::string broken = temp_.file("broken.jpg");
  std::ofstream(broken) << "not a picture at all";
  entries[2].path = broken;
  EXPECT_FALSE(run_.prepareAndOrder(entries, engineStyle(1, "verified"), 0));
  EXPECT_EQ(messages_, std::vector<int>{text::kStitchFailed});
  EXPECT_FALSE(run_.holdsSession());

  // A piece that is gone: the engine finds it missing itself.
  messages_.clear();
  entries[2].path = temp_.file("gone.jpg");
  EXPECT_FALSE(run_.prepareAndOrder(entries, engineStyle(1, "verified"), 0));
  EXPECT_EQ(messages_, std::vector<int>{text::kUnsuitablePieces});
}

TEST_F(StitchRunTest, StraighteningUsesASessionOfItsOwnAndCountsOnlyZero) {
  tagPixelArray* image = tessaly::stitch::client::allocatePixelArray(400, 300);
  ASSERT_NE(image, nullptr);
  std::memset(image->bits, 255, size_t(image->bytesPerLine) * 300);
  // A dark line falling 10 pixels over 300: a slight skew.
  for (int x = 40; x < 340; ++x) {
    for (int y = 150 + (x - 40) / 30; y < 153 + (x - 40) / 30; ++y) {
      std::memset(image->bits + int64_t(y) * image->bytesPerLine + 3 * x, 0, 3);
    }
  }
  double angle = 99;
  EXPECT_TRUE(run_.straighten(image, &angle));
  EXPECT_NE(angle, 99);
  EXPECT_FALSE(run_.holdsSession());
  EXPECT_FALSE(run_.straighten(nullptr, &angle));  // the engine's -2
  EXPECT_TRUE(messages_.empty());
  tessaly::stitch::client::freePixelArray(image);
}

}  // namespace
