// The scorer on a constructed page with texture everywhere: the page itself scores perfectly,
// a shift or turn of the whole result is registered away, while a part shifted by 3 pixels or a
// missing quarter is caught.
#include "quality_score.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <opencv2/imgproc.hpp>

namespace tessaly::quality {
namespace {

// Blurred noise with a few dark blocks: texture in both directions in every cell.
cv::Mat texturedPage(int width, int height) {
  cv::Mat noise(height, width, CV_8U);
  cv::RNG random(7);
  random.fill(noise, cv::RNG::UNIFORM, 0, 256);
  cv::GaussianBlur(noise, noise, {0, 0}, 2.0);
  cv::normalize(noise, noise, 40, 230, cv::NORM_MINMAX);
  for (int k = 0; k < 12; ++k)
    cv::rectangle(noise,
                  cv::Rect(random.uniform(0, width - 40), random.uniform(0, height - 40), 30, 18),
                  cv::Scalar(20), cv::FILLED);
  return noise;
}

const cv::Mat kPage = texturedPage(400, 560);
const cv::Mat kAllScanned(kPage.size(), CV_8U, cv::Scalar(255));

cv::Mat moved(const cv::Mat& picture, double degrees, double dx, double dy, cv::Size size) {
  const cv::Point2f centre((picture.cols - 1) / 2.0f, (picture.rows - 1) / 2.0f);
  cv::Mat motion = cv::getRotationMatrix2D(centre, -degrees, 1.0);
  motion.at<double>(0, 2) += dx + (size.width - picture.cols) / 2.0;
  motion.at<double>(1, 2) += dy + (size.height - picture.rows) / 2.0;
  cv::Mat out;
  cv::warpAffine(picture, out, motion, size, cv::INTER_LINEAR, cv::BORDER_CONSTANT,
                 cv::Scalar(255));
  return out;
}

TEST(QualityScore, ThePageItselfScoresPerfectly) {
  const QualityScore s = scoreResult(kPage, kPage, kAllScanned);
  EXPECT_GT(s.coverage, 0.99);
  EXPECT_LT(s.displacementP95, 0.1);
  EXPECT_NEAR(s.resultToPage.radians, 0, 1e-3);
  EXPECT_NEAR(s.resultToPage.dx, 0, 0.1);
  EXPECT_GT(s.measuredCells, 150);
  EXPECT_TRUE(s.correct());
}

TEST(QualityScore, AWholeShiftOrTurnIsRegisteredAwayAndReported) {
  cv::Mat shifted = cv::Mat(kPage.size(), CV_8U, cv::Scalar(255));
  kPage(cv::Rect(0, 0, kPage.cols - 3, kPage.rows))
      .copyTo(shifted(cv::Rect(3, 0, kPage.cols - 3, kPage.rows)));
  const QualityScore s = scoreResult(kPage, shifted, kAllScanned);
  EXPECT_NEAR(s.resultToPage.dx, -3, 0.1);
  EXPECT_NEAR(s.resultToPage.dy, 0, 0.1);
  EXPECT_LT(s.displacementP95, 0.3);

  // Turned a quarter and 2.5 degrees more, on a larger canvas as a stitch would leave it.
  cv::Mat turned;
  cv::rotate(kPage, turned, cv::ROTATE_90_CLOCKWISE);
  turned = moved(turned, 2.5, 17, -9, {640, 480});
  const QualityScore t = scoreResult(kPage, turned, kAllScanned);
  EXPECT_NEAR(t.resultToPage.radians * 180 / std::numbers::pi, -92.5, 0.05);
  EXPECT_GT(t.coverage, 0.97);
  EXPECT_LT(t.displacementP95, 0.5);
  EXPECT_TRUE(t.correct());
}

TEST(QualityScore, APartShiftedByThreePixelsIsCaught) {
  // A piece misplaced in a stitch: the rest decides the registration, the piece stands out.
  cv::Mat result = kPage.clone();
  const cv::Rect piece(200, 280, 200, 280);
  moved(kPage, 0, 3, 0, kPage.size())(piece).copyTo(result(piece));
  const QualityScore s = scoreResult(kPage, result, kAllScanned);
  EXPECT_NEAR(s.displacementP95, 3, 0.3);
  EXPECT_FALSE(s.correct());
}

TEST(QualityScore, AMissingQuarterCostsAQuarterOfTheCoverage) {
  cv::Mat result = kPage.clone();
  result(cv::Rect(200, 280, 200, 280)).setTo(255);
  const QualityScore s = scoreResult(kPage, result, kAllScanned);
  EXPECT_NEAR(s.coverage, 0.75, 0.03);
  EXPECT_LT(s.displacementP95, 0.3);  // what is there lies in place
  EXPECT_FALSE(s.correct());

  // Only what the scans covered counts: with the missing quarter unscanned, nothing is missing.
  cv::Mat scanned = kAllScanned.clone();
  scanned(cv::Rect(200, 280, 200, 280)).setTo(0);
  EXPECT_GT(scoreResult(kPage, result, scanned).coverage, 0.97);
}

TEST(QualityScore, AnUnrelatedPictureIsNeitherCoveredNorInPlace) {
  const cv::Mat other = texturedPage(400, 560).t();  // the same kind of texture, other content
  cv::Mat different;
  cv::resize(other, different, kPage.size());
  const QualityScore s = scoreResult(kPage, different, kAllScanned);
  EXPECT_LT(s.coverage, 0.5);
  EXPECT_FALSE(s.correct());
}

}  // namespace
}  // namespace tessaly::quality
