#include "verified_fit_diagonal.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "refine_block_match.h"
#include "refine_consensus.h"
#include "refine_corners.h"

namespace tessaly::stitch::verified {

namespace {

// The smallest overlap side worth matching in, and how far points keep from its edges.
constexpr int32_t kLeastSide = 24;
constexpr int32_t kInset = 6;
constexpr size_t kMostPoints = 40;
// The search window around a prediction, as on the classic later refinement passes.
constexpr int32_t kBefore = 11, kAfter = 12;

// A's rectangle seen from B, cut to B and pulled in by kInset; empty when too small.
tessaly::stitch::PixelBox overlapInB(const tagPixelArray& a, const tagPixelArray& b,
                                     const Rigid& bToA) {
  const auto [minX, minY, maxX, maxY] = mappedBounds(inverse(bToA), a.width, a.height);
  const auto clampTo = [](double v, int32_t high) {
    return static_cast<int32_t>(std::clamp(v, 0.0, static_cast<double>(high)));
  };
  tessaly::stitch::PixelBox box{clampTo(std::ceil(minX), b.width - 1) + kInset,
                                clampTo(std::ceil(minY), b.height - 1) + kInset,
                                clampTo(std::floor(maxX), b.width - 1) - kInset,
                                clampTo(std::floor(maxY), b.height - 1) - kInset};
  if (box.width() < kLeastSide || box.height() < kLeastSide) return {};
  return box;
}

}  // namespace

std::vector<tessaly::stitch::Correspondence> diagonalMatches(const tagPixelArray& a,
                                                             const tagPixelArray& b,
                                                             const Rigid& bToA) {
  const tessaly::stitch::PixelBox box = overlapInB(a, b, bToA);
  if (box.width() < kLeastSide) return {};
  const int32_t spacing = std::clamp(std::min(box.width(), box.height()) / 20, 4, 32);
  const std::vector<tessaly::stitch::Point> points =
      tessaly::stitch::spreadPoints(tessaly::stitch::findCorners(b, box), spacing, kMostPoints);

  std::vector<tessaly::stitch::Correspondence> matches;
  for (const tessaly::stitch::Point& p : points) {
    const Vec2 predicted = apply(bToA, {double(p.x), double(p.y)});
    const tessaly::stitch::Point prediction{tessaly::stitch::truncated(predicted.x),
                                            tessaly::stitch::truncated(predicted.y)};
    const tessaly::stitch::PixelBox window{std::max(prediction.x - kBefore, 0),
                                           std::max(prediction.y - kBefore, 0),
                                           std::min(prediction.x + kAfter, a.width - 1),
                                           std::min(prediction.y + kAfter, a.height - 1)};
    if (window.width() < 9 || window.height() < 9) continue;
    const tessaly::stitch::BlockMatch m = tessaly::stitch::matchBlock(b, p, a, window, prediction);
    const bool wellInside = m.centre.x >= 2 && m.centre.y >= 2 && m.centre.x <= a.width - 3 &&
                            m.centre.y <= a.height - 3;
    if (m.found && m.strength > 8 && wellInside)
      matches.push_back({m.centre.x, m.centre.y, p.x, p.y});
  }
  if (matches.size() < 3 || !tessaly::stitch::keepConsensus(matches).found) return {};
  return matches;
}

}  // namespace tessaly::stitch::verified
