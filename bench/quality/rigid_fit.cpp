#include "rigid_fit.h"

#include <algorithm>
#include <cmath>

namespace tessaly::quality {
namespace {

// Least squares over the pairs: the turn from the cross-covariance of the centred points.
Rigid leastSquares(const std::vector<PointPair>& pairs) {
  cv::Point2d meanFrom, meanTo;
  for (const PointPair& p : pairs) {
    meanFrom += p.from;
    meanTo += p.to;
  }
  meanFrom /= double(pairs.size());
  meanTo /= double(pairs.size());
  double dot = 0, cross = 0;
  for (const PointPair& p : pairs) {
    const cv::Point2d a = p.from - meanFrom, b = p.to - meanTo;
    dot += a.x * b.x + a.y * b.y;
    cross += a.x * b.y - a.y * b.x;
  }
  Rigid fit;
  fit.radians = std::atan2(cross, dot);
  const cv::Point2d turned = fit.apply(meanFrom);
  fit.dx = meanTo.x - turned.x;
  fit.dy = meanTo.y - turned.y;
  return fit;
}

double residual(const Rigid& motion, const PointPair& p) {
  const cv::Point2d d = motion.apply(p.from) - p.to;
  return std::hypot(d.x, d.y);
}

}  // namespace

cv::Point2d Rigid::apply(const cv::Point2d& p) const {
  const double c = std::cos(radians), s = std::sin(radians);
  return {c * p.x - s * p.y + dx, s * p.x + c * p.y + dy};
}

Rigid Rigid::inverse() const {
  Rigid back;
  back.radians = -radians;
  const cv::Point2d shift = back.apply({dx, dy});
  back.dx = -shift.x;
  back.dy = -shift.y;
  return back;
}

cv::Matx23d Rigid::matrix() const {
  const double c = std::cos(radians), s = std::sin(radians);
  return {c, -s, dx, s, c, dy};
}

Rigid rescale(const Rigid& motion, double f) {
  const double offset = 0.5 * f - 0.5;
  const cv::Point2d origin = motion.apply({-offset / f, -offset / f});
  Rigid scaled = motion;
  scaled.dx = f * origin.x + offset;
  scaled.dy = f * origin.y + offset;
  return scaled;
}

Rigid fitRigid(const std::vector<PointPair>& pairs, double tolerance, const Rigid& fallback) {
  if (pairs.size() < 2) return fallback;
  std::vector<PointPair> kept = pairs;
  Rigid fit = leastSquares(kept);
  for (int round = 0; round < 4; ++round) {
    std::vector<double> residuals;
    for (const PointPair& p : kept) residuals.push_back(residual(fit, p));
    std::vector<double> sorted = residuals;
    std::nth_element(sorted.begin(), sorted.begin() + long(sorted.size() / 2), sorted.end());
    const double limit = std::max(2.5 * sorted[sorted.size() / 2], tolerance);
    std::vector<PointPair> inliers;
    for (size_t i = 0; i < kept.size(); ++i)
      if (residuals[i] <= limit) inliers.push_back(kept[i]);
    if (inliers.size() == kept.size() || inliers.size() < 2) break;
    kept = std::move(inliers);
    fit = leastSquares(kept);
  }
  return fit;
}

}  // namespace tessaly::quality
