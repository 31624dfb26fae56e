// Pair hypotheses made from known truth, standing in for the correlation search in tests of the
// verified way: where every piece lies on the page decides every hypothesis exactly, and decoys
// at chosen offsets play the repeated structures of text.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "verified_fit_rigid.h"
#include "verified_solve.h"
#include "verified_types.h"

namespace tessaly::stitch::test {

namespace verified = tessaly::stitch::verified;

// Quarter turns (0 to 3) nearest to turning by -angle.
inline int32_t nearestTurns(double angle) {
  const long k = std::lround(-angle / (M_PI / 2));
  return static_cast<int32_t>(((k % 4) + 4) % 4);
}

// The hypothesis "b as it relates to a" for unturned pieces placed on the page by `poses`.
inline verified::PairHypothesis truthHypothesis(int32_t a, int32_t b,
                                                const std::vector<verified::Rigid>& poses,
                                                const std::vector<verified::PieceSize>& sizes,
                                                double score) {
  const verified::Rigid rel = verified::compose(verified::inverse(poses[a]), poses[b]);
  verified::PairHypothesis h;
  h.a = a;
  h.b = b;
  h.quarterTurnsB = nearestTurns(rel.angle);
  h.bToA = verified::compose(rel, verified::inverse(verified::quarterTurnMotion(
                                      h.quarterTurnsB, sizes[b].width, sizes[b].height)));
  h.score = score;
  h.confirmed = true;
  return h;
}

// Share of the smaller piece that two placed pieces have in common, by sampling b on a grid.
inline double overlapShare(int32_t a, int32_t b, const std::vector<verified::Rigid>& poses,
                           const std::vector<verified::PieceSize>& sizes) {
  const verified::Rigid bToA = verified::compose(verified::inverse(poses[a]), poses[b]);
  int inside = 0, total = 0;
  for (int i = 0; i < 40; ++i) {
    for (int j = 0; j < 40; ++j) {
      const verified::Vec2 p = verified::apply(
          bToA, {(sizes[b].width - 1) * (i + 0.5) / 40, (sizes[b].height - 1) * (j + 0.5) / 40});
      ++total;
      if (p.x >= 0 && p.y >= 0 && p.x <= sizes[a].width - 1 && p.y <= sizes[a].height - 1) ++inside;
    }
  }
  const double areaA = double(sizes[a].width) * sizes[a].height;
  const double areaB = double(sizes[b].width) * sizes[b].height;
  return inside / double(total) * areaB / std::min(areaA, areaB);
}

// Every pair that overlaps by at least `least` of the smaller piece, best hypothesis the truth.
inline std::vector<verified::PairHypothesis> truthHypotheses(
    const std::vector<verified::Rigid>& poses, const std::vector<verified::PieceSize>& sizes,
    double score = 0.8, double least = 0.05) {
  std::vector<verified::PairHypothesis> found;
  for (int32_t a = 0; a < static_cast<int32_t>(poses.size()); ++a) {
    for (int32_t b = a + 1; b < static_cast<int32_t>(poses.size()); ++b) {
      const double share = overlapShare(a, b, poses, sizes);
      if (share < least) continue;
      verified::PairHypothesis h = truthHypothesis(a, b, poses, sizes, score);
      h.overlapFraction = share;
      found.push_back(h);
    }
  }
  return found;
}

// The same hypothesis moved by (dx, dy) in a's frame: a repeated structure's echo.
inline verified::PairHypothesis decoyOf(verified::PairHypothesis h, double dx, double dy,
                                        double score) {
  h.bToA.tx += dx;
  h.bToA.ty += dy;
  h.score = score;
  return h;
}

}  // namespace tessaly::stitch::test
