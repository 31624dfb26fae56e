#include "quality_score.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

#include "cell_match.h"
#include "coarse_register.h"

namespace tessaly::quality {
namespace {

// The refinement first works at about this side, where the coarse placement's error of a few
// small pixels and half a degree is well inside the search.
constexpr double kMiddleSide = 640;
// A cell may count when at least half of it was scanned.
constexpr double kCoveredShare = 0.5;
// The final search reaches this far: a part placed 1 to 8 pixels off shows in the
// displacement, one placed further off is content not found, lost to the coverage.
constexpr int kFinalRadius = 8;

cv::Mat levels(const cv::Mat& picture) {
  cv::Mat grey = picture, out;
  if (picture.channels() == 3) cv::cvtColor(picture, grey, cv::COLOR_BGR2GRAY);
  grey.convertTo(out, CV_32F, 1.0 / 255);
  return out;
}

Rigid refine(const cv::Mat& page, const cv::Mat& result, Rigid motion, int cellSize,
             std::initializer_list<int> radii) {
  for (const int radius : radii)
    motion = refineFromCells(matchCells(page, result, motion, {cellSize, radius}), motion);
  return motion;
}

double percentile(std::vector<double> values, double share) {
  if (values.empty()) return kNoMatch;
  std::sort(values.begin(), values.end());
  const auto rank = size_t(std::ceil(share * double(values.size())));
  return values[std::clamp<size_t>(rank, 1, values.size()) - 1];
}

void summarise(const std::vector<CellMatch>& cells, const cv::Mat& covered, QualityScore& score) {
  double scanned = 0, reproduced = 0;
  std::vector<double> displacements;
  for (const CellMatch& m : cells) {
    const double share = cv::countNonZero(covered(m.cell)) / double(m.cell.area());
    if (share < kCoveredShare) continue;
    scanned += share;
    if (m.agrees) reproduced += share;
    if (!m.structured || !m.inside || !m.resultTextured) continue;
    // Content not found near its place is not reproduced: the coverage counts it.
    if (m.matched)
      displacements.push_back(std::hypot(m.shift.x, m.shift.y));
    else
      ++score.unmatchedCells;
  }
  score.coverage = scanned > 0 ? reproduced / scanned : 0;
  score.measuredCells = int(displacements.size());
  score.displacementP95 = percentile(displacements, 0.95);  // kNoMatch when none matched
  score.displacementMedian = percentile(displacements, 0.5);
}

}  // namespace

QualityScore scoreResult(const cv::Mat& pagePicture, const cv::Mat& resultPicture,
                         const cv::Mat& covered) {
  const cv::Mat page = levels(pagePicture), result = levels(resultPicture);
  QualityScore score;
  const CoarsePlacement coarse = coarseRegister(page, result);
  score.coarseCorrelation = coarse.correlation;

  const double f = std::min(1.0, kMiddleSide / std::max(page.cols, page.rows));
  cv::Mat smallPage, smallResult;
  cv::resize(page, smallPage, {}, f, f, cv::INTER_AREA);
  cv::resize(result, smallResult, {}, f, f, cv::INTER_AREA);
  Rigid motion =
      rescale(refine(smallPage, smallResult, rescale(coarse.resultToPage, f), 24, {10, 5}), 1 / f);

  score.cellSize = std::clamp(int(std::lround(std::max(page.cols, page.rows) / 36.0)), 32, 64);
  motion = refine(page, result, motion, score.cellSize, {6, 4, 3});
  score.resultToPage = motion;
  summarise(matchCells(page, result, motion, {score.cellSize, kFinalRadius}), covered, score);
  return score;
}

}  // namespace tessaly::quality
