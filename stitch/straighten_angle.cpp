#include "straighten_angle.h"

#include <cmath>
#include <numbers>

namespace tessaly::stitch {

std::vector<int> projectionProfile(const BitImage& bits, double degrees, double step) {
  const int32_t w = bits.width(), h = bits.height();
  const double t = std::tan(-degrees * std::numbers::pi / 180.0);
  const int32_t o = static_cast<int32_t>(w * t);
  // Each line starts at its right end and runs leftward. With o < 1 the lines descend toward the
  // left, so the first ones start above the image; otherwise they climb toward the left and the
  // last ones start below it.
  const bool descending = o < 1;
  const int32_t first = descending ? o : 0;
  const int32_t end = descending ? h : o + h;
  std::vector<int> profile;
  for (int32_t y0 = first; y0 < end; y0 += 4) {
    int count = 0;
    double y = y0;
    for (double x = w - 1 - step; x > 0; x -= step) {
      y -= step * t;
      if (descending) {
        if (y >= h) break;
        if (y < 0) continue;
      } else {
        if (y < 0) break;
        if (y >= h) continue;
      }
      count += bits.test(static_cast<int32_t>(x), static_cast<int32_t>(y));
    }
    profile.push_back(count);
  }
  return profile;
}

double profileSpread(const std::vector<int>& profile, double threshold) {
  size_t first = profile.size(), last = 0;
  for (size_t i = 0; i < profile.size(); ++i) {
    if (profile[i] < threshold) continue;
    if (first == profile.size()) first = i;
    last = i;
  }
  if (first == profile.size()) return 0;
  const size_t from = first == 0 ? 0 : first - 1;
  const size_t n = last - from + 1;
  if (n < 5) return 0;
  double mean = 0;
  for (size_t i = from; i <= last; ++i) mean += profile[i];
  mean /= static_cast<double>(n);
  double variance = 0;
  for (size_t i = from; i <= last; ++i) variance += (profile[i] - mean) * (profile[i] - mean);
  return variance / static_cast<double>(n);
}

AngleScore searchAngle(const BitImage& bits) {
  const double step = bits.width() <= 200 ? 2.0 : bits.width() * 0.005;
  const double threshold = bits.width() / (step * 8);
  // Angles in tenths of a degree, so that the passes land exactly on multiples of 0.1.
  struct Pass {
    int reach, step;
  };
  constexpr Pass kPasses[] = {{100, 10}, {10, 5}, {5, 1}};
  int best = 0;
  double bestScore = 0;
  for (const Pass& pass : kPasses) {
    const int centre = best;
    for (int tenths = centre - pass.reach; tenths <= centre + pass.reach; tenths += pass.step) {
      const double score = profileSpread(projectionProfile(bits, tenths / 10.0, step), threshold);
      // Later angles win ties, but only a profile that shows lines at all moves the angle: a
      // page without marks keeps 0 instead of drifting to the last angle tried.
      if (score > 0 && score >= bestScore) {
        best = tenths;
        bestScore = score;
      }
      if (score < bestScore / 2) tenths += pass.step;  // a poor angle skips its neighbour
    }
  }
  return {best / 10.0, bestScore};
}

}  // namespace tessaly::stitch
