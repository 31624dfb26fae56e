// A rigid motion of the plane (a turn and a shift) and its robust least-squares fit to point
// pairs.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

namespace tessaly::quality {

struct Rigid {
  double radians = 0;  // turn, clockwise on a picture (y down)
  double dx = 0, dy = 0;

  cv::Point2d apply(const cv::Point2d& p) const;
  Rigid inverse() const;
  // The same motion as a 2 x 3 matrix for cv::warpAffine.
  cv::Matx23d matrix() const;
};

// The same motion between the pictures scaled by f, pixel centres kept: x' = f (x + 0.5) - 0.5.
Rigid rescale(const Rigid& motion, double f);

struct PointPair {
  cv::Point2d from, to;
};

// The rigid motion that best takes every `from` to its `to`, refitted without the pairs that
// lie far off the fit (more than 2.5 x the median residual and more than `tolerance` pixels), so
// a few wrong matches cannot pull it. Needs two pairs; with fewer returns `fallback`.
Rigid fitRigid(const std::vector<PointPair>& pairs, double tolerance, const Rigid& fallback);

}  // namespace tessaly::quality
