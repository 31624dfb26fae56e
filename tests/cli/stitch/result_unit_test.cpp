// Shaping and writing the result: crop views, the part a turn keeps, and files that are either
// complete or not there.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "exit_codes.h"
#include "file_text.h"
#include "formats.h"
#include "pattern.h"
#include "result_shape.h"
#include "result_writer.h"
#include "staged_file.h"
#include "temp_folder.h"
#include "zanFileIO.h"

namespace {

using tessaly::cli::test::Pattern;
using tessaly::test::readText;
using tessaly::test::TempFolder;

TEST(CropViewTest, ClampsToThePictureAndSharesItsPixels) {
  Pattern picture(20, 10);
  RECT applied{};
  const tagPixelArray view =
      tessaly::cli::stitch::cropView(picture.view(), {5, -3, 30, 8}, applied);
  EXPECT_EQ(applied.left, 5);
  EXPECT_EQ(applied.top, 0);
  EXPECT_EQ(applied.right, 20);
  EXPECT_EQ(applied.bottom, 8);
  EXPECT_EQ(view.width, 15);
  EXPECT_EQ(view.height, 8);
  EXPECT_EQ(view.bits, picture.at(5, 0));
  EXPECT_EQ(view.bytesPerLine, picture.stride);
  // Nothing left inside: the whole picture stays.
  const tagPixelArray whole =
      tessaly::cli::stitch::cropView(picture.view(), {25, 0, 30, 10}, applied);
  EXPECT_EQ(whole.width, 20);
  EXPECT_EQ(whole.bits, picture.bytes.data());
}

// True when canvas point (x, y) shows the w x h picture turned by `radians` about the centre.
bool insideTurned(double x, double y, double w, double h, double radians, double cw, double ch) {
  const double dx = x - cw / 2, dy = y - ch / 2;
  const double u = std::cos(radians) * dx + std::sin(radians) * dy;
  const double v = -std::sin(radians) * dx + std::cos(radians) * dy;
  return std::abs(u) <= w / 2 && std::abs(v) <= h / 2;
}

TEST(CoveredAfterTurnTest, KeepsOnlyCoveredPixelsAndMostOfThePicture) {
  const struct {
    int32_t w, h;
    double degrees;
    double keptShare;  // at least this much of the picture survives
  } cases[] = {{1000, 700, 1.5, 0.9},
               {700, 1000, -2.0, 0.9},
               {800, 800, 0.7, 0.95},
               // A long thin strip turned this far keeps a short middle part only.
               {3000, 200, 4.0, 0.2}};
  for (const auto& c : cases) {
    const double a = c.degrees * M_PI / 180;
    const auto cw =
        int32_t(std::ceil(c.w * std::cos(std::abs(a)) + c.h * std::sin(std::abs(a)))) + 2;
    const auto ch =
        int32_t(std::ceil(c.w * std::sin(std::abs(a)) + c.h * std::cos(std::abs(a)))) + 2;
    const RECT keep = tessaly::cli::stitch::coveredAfterTurn(c.w, c.h, a, cw, ch);
    for (const double x : {double(keep.left), double(keep.right)}) {
      for (const double y : {double(keep.top), double(keep.bottom)}) {
        EXPECT_TRUE(insideTurned(x, y, c.w, c.h, a, cw, ch)) << c.w << "x" << c.h;
      }
    }
    const double kept = double(keep.right - keep.left) * (keep.bottom - keep.top);
    EXPECT_GT(kept, c.keptShare * c.w * c.h) << c.w << "x" << c.h;
  }
  const RECT level = tessaly::cli::stitch::coveredAfterTurn(500, 400, 0.0, 500, 400);
  EXPECT_EQ(level.right - level.left, 500);
}

class ResultWriterTest : public ::testing::Test {
 protected:
  void SetUp() override { tessaly::cli::stitch::loadFormatPlugins(); }
  TempFolder dir_;
};

TEST_F(ResultWriterTest, WritesTheFormatAndResolutionAndLeavesNoTemporaryFile) {
  Pattern picture(33, 21);
  const std::string path = dir_.file("result.tif");
  tessaly::cli::stitch::writeResult(path, tessaly::cli::stitch::writerFormatFor(path),
                                    picture.view(), 240);
  zanIOBGRInfo info{};
  info.size = sizeof info;
  int32_t error = 0;
  zanIOReader* reader = zanIOOpenBGR(path.c_str(), &info, &error);
  ASSERT_NE(reader, nullptr);
  zanIOCloseBGR(reader);
  EXPECT_EQ(info.formatId, PLUG_FORMAT_TIFF);
  EXPECT_EQ(info.xDpi, 240);
  EXPECT_EQ(info.yDpi, 240);
  size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir_.path()))
    ++files;
  EXPECT_EQ(files, 1u);
}

TEST_F(ResultWriterTest, AFailedWriteKeepsTheOldFile) {
  const std::string path = dir_.file("result.png");
  std::ofstream(path) << "older result";
  // Rows shorter than the picture is wide: the loader refuses to write them.
  Pattern picture(4, 4);
  tagPixelArray broken = picture.view();
  broken.bytesPerLine = 2;  // shorter than a row: refused
  EXPECT_THROW(tessaly::cli::stitch::writeResult(path, tessaly::cli::stitch::writerFormatFor(path),
                                                 broken, 300),
               tessaly::cli::stitch::Failure);
  EXPECT_EQ(readText(path), "older result");
  size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir_.path()))
    ++files;
  EXPECT_EQ(files, 1u);
}

TEST_F(ResultWriterTest, AMissingFolderIsAWriteFailureBeforeAnyWork) {
  try {
    tessaly::cli::stitch::checkOutputFolder(dir_.file("no/such/folder/result.jpg"), "result");
    FAIL() << "no failure";
  } catch (const tessaly::cli::stitch::Failure& f) {
    EXPECT_EQ(f.code(), tessaly::cli::stitch::ExitCode::WriteFailed);
    EXPECT_NE(std::string(f.what()).find("no/such/folder"), std::string::npos);
  }
  EXPECT_NO_THROW(tessaly::cli::stitch::checkOutputFolder(dir_.file("result.jpg"), "result"));
  EXPECT_TRUE(std::filesystem::is_empty(dir_.path()));  // the probe left nothing
}

TEST_F(ResultWriterTest, StagedTextReplacesTheFileOnlyWhenComplete) {
  const std::string path = dir_.file("report.json");
  EXPECT_EQ(tessaly::cli::writeTextFile(path, "{}\n"), "");
  EXPECT_EQ(readText(path), "{}\n");
  {
    tessaly::cli::StagedFile abandoned(path);
    ASSERT_TRUE(abandoned.ready());
    std::ofstream(abandoned.temporaryPath()) << "half";
  }
  EXPECT_EQ(readText(path), "{}\n");
  EXPECT_NE(tessaly::cli::writeTextFile(dir_.file("gone/report.json"), "{}"), "");
}

TEST(FormatsTest, ResultNamesChooseTheirWriter) {
  tessaly::cli::stitch::loadFormatPlugins();
  EXPECT_EQ(tessaly::cli::stitch::writerFormatFor("a/b/result.JPG"), PLUG_FORMAT_JPEG);
  EXPECT_EQ(tessaly::cli::stitch::writerFormatFor("result.tga"), PLUG_FORMAT_TGA);
  EXPECT_EQ(tessaly::cli::stitch::writerFormatFor("result.xyz"), 0);
  EXPECT_EQ(tessaly::cli::stitch::writerFormatFor("folder.png/result"), 0);
  const std::string list = tessaly::cli::stitch::writableExtensions();
  EXPECT_NE(list.find(".tif"), std::string::npos);
  EXPECT_NE(list.find(".jpg"), std::string::npos);
  EXPECT_EQ(tessaly::cli::stitch::formatName(PLUG_FORMAT_TGA), "Targa");
}

}  // namespace
