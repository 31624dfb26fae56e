// The pieces of truth.json and the part of the page they cover, the JSON reader's limits, and
// the robust rigid fit with wrong pairs among the right ones.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <stdexcept>

#include "json_read.h"
#include "page_truth.h"
#include "rigid_fit.h"

namespace tessaly::quality {
namespace {

TEST(Truth, PiecesCoverTheirTiltedRectanglesOfThePage) {
  const auto path = std::filesystem::temp_directory_path() / "quality-truth-test.json";
  std::ofstream(path)
      << R"({"generator": "tessaly-scansim", "page": {"width": 200, "height": 100, "dpi": 100},
    "pieces": [{"centre": {"x": 49.5, "y": 49.5}, "angleDegrees": 0, "width": 100, "height": 100,
                "file": "scan-\u00e901.jpg"},
               {"centre": {"x": 150, "y": 50}, "angleDegrees": 30.0, "width": 40, "height": 40}]})";
  const PageTruth truth = readTruth(path.string());
  std::filesystem::remove(path);
  ASSERT_EQ(truth.pieces.size(), 2u);
  EXPECT_DOUBLE_EQ(truth.pieces[1].angleDegrees, 30);
  const cv::Mat covered = coveredByPieces(truth);
  EXPECT_EQ(covered.size(), cv::Size(200, 100));
  EXPECT_NEAR(cv::countNonZero(covered), 100 * 100 + 40 * 40, 200);
  EXPECT_NE(covered.at<uint8_t>(50, 150), 0);
  EXPECT_EQ(covered.at<uint8_t>(50, 120), 0);
  // Near the top corner of the square turned 30 degrees clockwise: inside to its left,
  // outside straight above the centre.
  EXPECT_EQ(covered.at<uint8_t>(50 - 25, 150 - 7), 255);
  EXPECT_EQ(covered.at<uint8_t>(50 - 25, 150), 0);
}

TEST(Json, ReadsValuesAndRefusesBrokenOrHostileText) {
  const JsonValue v = parseJson(R"({"a": [1, -2.5e1, true, false, null], "b": "x\"y"})");
  EXPECT_EQ(v.at("a").items.size(), 5u);
  EXPECT_DOUBLE_EQ(v.at("a").items[1].number, -25);
  EXPECT_TRUE(v.at("a").items[2].boolean);
  EXPECT_EQ(v.at("b").text, "x\"y");
  EXPECT_THROW(v.at("c"), std::runtime_error);
  for (const char* broken : {"", "{", "{\"a\" 1}", "[1,]", "\"open", "{} x", "nul"})
    EXPECT_THROW(parseJson(broken), std::runtime_error) << broken;
  EXPECT_THROW(parseJson(std::string(100000, '[')), std::runtime_error);
  EXPECT_THROW(readJsonFile("/nonexistent/truth.json"), std::runtime_error);
}

TEST(RigidFit, RecoversTheMotionDespiteWrongPairs) {
  Rigid truth;
  truth.radians = 0.05;
  truth.dx = 12;
  truth.dy = -4;
  std::vector<PointPair> pairs;
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x)
      pairs.push_back({{x * 50.0, y * 40.0}, truth.apply({x * 50.0, y * 40.0})});
  pairs[3].to += cv::Point2d(30, 0);
  pairs[17].to += cv::Point2d(-8, 25);
  const Rigid fit = fitRigid(pairs, 1.0, Rigid{});
  EXPECT_NEAR(fit.radians, truth.radians, 1e-9);
  EXPECT_NEAR(fit.dx, truth.dx, 1e-6);
  EXPECT_NEAR(fit.dy, truth.dy, 1e-6);
  const cv::Point2d back = fit.inverse().apply(fit.apply({7, 9}));
  EXPECT_NEAR(back.x, 7, 1e-9);
  EXPECT_NEAR(back.y, 9, 1e-9);
  // Scaled pictures keep the motion's turn and scale its shift about the pixel centres.
  const Rigid half = rescale(truth, 0.5);
  const cv::Point2d p = truth.apply({20, 30});
  const cv::Point2d q = half.apply({0.5 * 20.5 - 0.5, 0.5 * 30.5 - 0.5});
  EXPECT_NEAR(q.x, 0.5 * (p.x + 0.5) - 0.5, 1e-9);
  EXPECT_NEAR(q.y, 0.5 * (p.y + 0.5) - 0.5, 1e-9);
  EXPECT_EQ(fitRigid({pairs[0]}, 1.0, truth).dx, truth.dx);  // too few pairs: the fallback
}

}  // namespace
}  // namespace tessaly::quality
