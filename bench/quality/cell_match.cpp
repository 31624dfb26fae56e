#include "cell_match.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

namespace tessaly::quality {
namespace {

// Levels are 0 to 1. Below this spread a cell is paper or flat colour.
constexpr double kTextureSpread = 0.03;
// The smaller eigenvalue of the mean gradient tensor: text and photo detail lie far above,
// a single straight rule or sensor noise below.
constexpr double kStructure = 3e-4;
constexpr double kMatchCorrelation = 0.5;
// A flat cell is reproduced when the result there is about as bright and as flat.
constexpr double kFlatLevelDifference = 0.16;

double smallerEigenvalue(const cv::Mat& gx, const cv::Mat& gy) {
  const double xx = gx.dot(gx) / double(gx.total()), yy = gy.dot(gy) / double(gy.total());
  const double xy = gx.dot(gy) / double(gx.total());
  return (xx + yy) / 2 - std::sqrt((xx - yy) * (xx - yy) / 4 + xy * xy);
}

cv::Mat standardised(const cv::Mat& patch) {
  cv::Scalar mean, spread;
  cv::meanStdDev(patch, mean, spread);
  const double scale = 1.0 / std::max(spread[0], 1e-6);
  cv::Mat out;
  patch.convertTo(out, CV_32F, scale, -mean[0] * scale);
  return out;
}

// Sub-pixel shift by Gauss-Newton steps on the brightness-normalised patches, from the integer
// peak: the result sampled at the cell's place + shift is made to look like the page's cell.
// (A parabola through the correlation peak is biased on smooth texture.)
cv::Point2d subPixelShift(const cv::Mat& templ, const cv::Mat& laid, cv::Point2f centre,
                          cv::Point2d shift) {
  const cv::Mat target = standardised(templ);
  const cv::Point2d start = shift;
  // Without the outermost ring, where the gradient sees past the patch.
  const cv::Rect inner(1, 1, templ.cols - 2, templ.rows - 2);
  for (int step = 0; step < 6; ++step) {
    cv::Mat sample, gx, gy;
    cv::getRectSubPix(laid, templ.size(), centre + cv::Point2f(shift), sample, CV_32F);
    sample = standardised(sample);
    cv::Sobel(sample, gx, CV_32F, 1, 0, 3, 0.125);
    cv::Sobel(sample, gy, CV_32F, 0, 1, 3, 0.125);
    const cv::Mat error = target - sample;
    const cv::Mat ix = gx(inner), iy = gy(inner), ie = error(inner);
    const double xx = ix.dot(ix), yy = iy.dot(iy), xy = ix.dot(iy), ex = ix.dot(ie),
                 ey = iy.dot(ie);
    const double det = xx * yy - xy * xy;
    if (det <= 1e-9 * (xx + yy) * (xx + yy)) break;
    const cv::Point2d move((yy * ex - xy * ey) / det, (xx * ey - xy * ex) / det);
    shift += move;
    if (std::hypot(move.x, move.y) < 0.005) break;
  }
  // Steps that wander off the peak found a different optimum: keep the peak.
  return std::hypot(shift.x - start.x, shift.y - start.y) <= 1.0 ? shift : start;
}

// Finds the page's cell (templ) in the laid result around its place (cell's corner on the
// laid canvas) and measures the shift.
void matchOne(const cv::Mat& templ, const cv::Mat& laid, cv::Point corner, int radius,
              CellMatch& match) {
  const cv::Rect window(corner.x - radius, corner.y - radius, templ.cols + 2 * radius,
                        templ.rows + 2 * radius);
  cv::Mat scores;
  cv::matchTemplate(laid(window), templ, scores, cv::TM_CCOEFF_NORMED);
  double best = 0;
  cv::Point at;
  cv::minMaxLoc(scores, nullptr, &best, nullptr, &at);
  match.correlation = best;
  match.shift = {double(at.x - radius), double(at.y - radius)};
  // A peak on the edge of the window may belong to a better one beyond it.
  const bool onEdge = at.x == 0 || at.y == 0 || at.x == scores.cols - 1 || at.y == scores.rows - 1;
  match.matched = best >= kMatchCorrelation && !onEdge;
  if (match.matched && match.structured) {
    const cv::Point2f centre(float(corner.x + (templ.cols - 1) / 2.0),
                             float(corner.y + (templ.rows - 1) / 2.0));
    match.shift = subPixelShift(templ, laid, centre, match.shift);
  }
}

bool flatAlike(const cv::Mat& pageCell, const cv::Mat& resultCell) {
  cv::Scalar pageMean, pageSpread, resultMean, resultSpread;
  cv::meanStdDev(pageCell, pageMean, pageSpread);
  cv::meanStdDev(resultCell, resultMean, resultSpread);
  return std::abs(pageMean[0] - resultMean[0]) <= kFlatLevelDifference &&
         resultSpread[0] <= std::max(2 * pageSpread[0], kTextureSpread);
}

}  // namespace

std::vector<CellMatch> matchCells(const cv::Mat& page, const cv::Mat& result,
                                  const Rigid& resultToPage, const CellGrid& grid) {
  // The result laid onto the page with a margin of the search radius all round; a mask tells
  // which of it the result really covers.
  const int r = grid.radius;
  Rigid onCanvas = resultToPage;
  onCanvas.dx += r;
  onCanvas.dy += r;
  const cv::Size canvas(page.cols + 2 * r, page.rows + 2 * r);
  cv::Mat laid, covered;
  cv::warpAffine(result, laid, onCanvas.matrix(), canvas, cv::INTER_LINEAR, cv::BORDER_CONSTANT);
  const cv::Mat full(result.size(), CV_8U, cv::Scalar(255));
  cv::warpAffine(full, covered, onCanvas.matrix(), canvas, cv::INTER_NEAREST, cv::BORDER_CONSTANT);
  cv::Mat gx, gy;
  cv::Sobel(page, gx, CV_64F, 1, 0, 3, 0.125);
  cv::Sobel(page, gy, CV_64F, 0, 1, 3, 0.125);

  std::vector<CellMatch> cells;
  const int c = grid.cellSize;
  for (int y = 0; y + c <= page.rows; y += c) {
    for (int x = 0; x + c <= page.cols; x += c) {
      CellMatch match;
      match.cell = {x, y, c, c};
      const cv::Mat templ = page(match.cell);
      const cv::Rect place(x + r, y + r, c, c);  // the cell on the laid canvas
      double lowest = 0;
      cv::minMaxLoc(covered(place), &lowest);
      match.inside = lowest > 0;
      cv::Scalar mean, spread;
      cv::meanStdDev(templ, mean, spread);
      match.textured = spread[0] >= kTextureSpread;
      cv::meanStdDev(laid(place), mean, spread);
      match.resultTextured = spread[0] >= kTextureSpread;
      match.structured =
          match.textured && smallerEigenvalue(gx(match.cell), gy(match.cell)) >= kStructure;
      if (match.inside) {
        if (match.textured) {
          matchOne(templ, laid, place.tl(), r, match);
          // A cell of lines in one direction only (a rule, a table's edge) matches all along
          // them: its content is there when the peak is clear, wherever along them it lies.
          match.agrees = match.structured ? match.matched : match.correlation >= kMatchCorrelation;
        } else {
          match.agrees = flatAlike(templ, laid(place));
        }
      }
      cells.push_back(match);
    }
  }
  return cells;
}

Rigid refineFromCells(const std::vector<CellMatch>& cells, const Rigid& resultToPage) {
  // The page point p shows in the laid result at p + shift, which is the result's point
  // back(p + shift): so the better motion takes that point to p.
  const Rigid back = resultToPage.inverse();
  std::vector<PointPair> pairs;
  for (const CellMatch& m : cells) {
    if (!m.structured || !m.matched) continue;
    const cv::Point2d centre(m.cell.x + (m.cell.width - 1) / 2.0,
                             m.cell.y + (m.cell.height - 1) / 2.0);
    pairs.push_back({back.apply(centre + m.shift), centre});
  }
  if (pairs.size() < 6) return resultToPage;
  return fitRigid(pairs, 1.5, resultToPage);
}

}  // namespace tessaly::quality
