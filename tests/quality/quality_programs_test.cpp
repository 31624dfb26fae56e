// The scorer's pieces and programs as the benchmark uses them: the masked correlation finds a
// shift where only part of each picture is valid, tessaly-quality-page makes a page of the
// asked size and resolution, and tessaly-quality-score scores a page against itself and keeps
// its exit codes for wrong command lines and unreadable or mismatched files.
#include <gtest/gtest.h>

#include <fstream>
#include <opencv2/imgproc.hpp>

#include "bgr_image.h"
#include "child_process.h"
#include "coarse_register.h"
#include "json_reader.h"
#include "picture_mat.h"
#include "temp_folder.h"

namespace tessaly::quality {
namespace {

TEST(MaskedShift, FindsTheShiftFromTheValidPartsOnly) {
  cv::Mat fixed(120, 160, CV_32F);
  cv::RNG random(3);
  random.fill(fixed, cv::RNG::UNIFORM, 0.0, 1.0);
  cv::GaussianBlur(fixed, fixed, {0, 0}, 1.5);
  // The moving picture is fixed's part from (30, 20), with a corner of it invalid and painted
  // with something else that must not pull the answer.
  cv::Mat moving = fixed(cv::Rect(30, 20, 80, 60)).clone();
  cv::Mat movingMask(moving.size(), CV_8U, cv::Scalar(255));
  moving(cv::Rect(0, 0, 30, 20)).setTo(1.0);
  movingMask(cv::Rect(0, 0, 30, 20)).setTo(0);
  const cv::Mat fixedMask(fixed.size(), CV_8U, cv::Scalar(255));
  const ShiftScore found = bestMaskedShift(fixed, fixedMask, moving, movingMask, 1000);
  EXPECT_EQ(found.shift, cv::Point(30, 20));
  EXPECT_GT(found.correlation, 0.99);
  // Too large a minimum overlap leaves no shift to choose.
  EXPECT_EQ(bestMaskedShift(fixed, fixedMask, moving, movingMask, 1e6).correlation, -1);
}

class QualityPrograms : public ::testing::Test {
 protected:
  // Runs a program and keeps what it printed in `log` for the failure messages.
  int run(const char* program, std::vector<std::string> arguments) {
    const test::ChildResult result = test::runProgram(program, arguments);
    log = result.standardOutput + result.standardError;
    return result.exitCode;
  }
  // Blurred noise: texture in every cell.
  void writePage(const std::string& name, int width, int height) {
    cv::Mat noise(height, width, CV_8UC3);
    cv::RNG(5).fill(noise, cv::RNG::UNIFORM, 0, 256);
    cv::GaussianBlur(noise, noise, {0, 0}, 2.0);
    cv::normalize(noise, noise, 0, 255, cv::NORM_MINMAX);
    std::string error;
    ASSERT_TRUE(cli::loadPlugins(error)) << error;
    ASSERT_TRUE(cli::writePicture(folder.file(name), toBgrImage(noise), 100, 95, error)) << error;
  }
  void writeTruth(int width, int height) {
    std::ofstream(folder.file("truth.json"))
        << "{\"page\": {\"width\": " << width << ", \"height\": " << height
        << "}, \"pieces\": [{\"centre\": {\"x\": " << (width - 1) / 2.0
        << ", \"y\": " << (height - 1) / 2.0 << "}, \"angleDegrees\": 0, \"width\": " << width
        << ", \"height\": " << height << "}]}";
  }
  test::TempFolder folder;
  std::string log;
};

TEST_F(QualityPrograms, PageProgramCutsScalesAndTagsThePage) {
  writePage("wide.png", 600, 300);
  ASSERT_EQ(run(PAGE_PROGRAM, {"--size", "210x297", "--dpi", "72", "--region", "0.5,0,0.5,1",
                               folder.file("wide.png"), folder.file("page.png")}),
            0)
      << log;
  int dpi = 0;
  const cv::Mat page = readPictureMat(folder.file("page.png"), &dpi);
  EXPECT_EQ(page.size(), cv::Size(210, 297));
  EXPECT_EQ(dpi, 72);
  EXPECT_EQ(run(PAGE_PROGRAM, {"--region", "0.5,0,0.6,1", "--size", "10x10", "a", "b"}), 2);
  EXPECT_EQ(run(PAGE_PROGRAM, {"--size", "100x100", folder.file("none.png"), folder.file("b.png")}),
            3);
}

TEST_F(QualityPrograms, ScoreProgramPrintsTheVerdictAndKeepsItsExitCodes) {
  writePage("page.png", 300, 400);
  writeTruth(300, 400);
  const std::string page = folder.file("page.png"), truth = folder.file("truth.json");
  ASSERT_EQ(run(SCORE_PROGRAM, {page, truth, page}), 0) << log;
  const test::JsonValue verdict = test::parseJson(log);
  EXPECT_TRUE(verdict["correct"].asBool()) << log;
  EXPECT_DOUBLE_EQ(verdict["coverage"].asNumber(), 1.0) << log;
  EXPECT_EQ(run(SCORE_PROGRAM, {page, truth}), 2);
  EXPECT_EQ(run(SCORE_PROGRAM, {"--fast", page, truth, page}), 2);
  EXPECT_EQ(run(SCORE_PROGRAM, {page, folder.file("none.json"), page}), 3);
  EXPECT_EQ(run(SCORE_PROGRAM, {page, truth, folder.file("none.png")}), 3);
  writeTruth(301, 400);  // a truth of another page
  EXPECT_EQ(run(SCORE_PROGRAM, {page, truth, page}), 3);
}

}  // namespace
}  // namespace tessaly::quality
