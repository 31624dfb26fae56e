#include "refine_consensus.h"

#include <cmath>
#include <cstdlib>

#include "refine_rigid_fit.h"

namespace tessaly::stitch {

namespace {

constexpr unsigned kSeed = 2003;
constexpr int kFirstLimit = 500;
constexpr int kInlierDistanceSquared = 16;

bool degenerate(const Correspondence (&t)[3]) {
  return onOneLine({t[0].xA, t[0].yA}, {t[1].xA, t[1].yA}, {t[2].xA, t[2].yA}) ||
         onOneLine({t[0].xB, t[0].yB}, {t[1].xB, t[1].yB}, {t[2].xB, t[2].yB});
}

bool isInlier(const Rigid& r, const Correspondence& m) {
  const int64_t dx = m.xA - truncated(r.mapX(m.xB, m.yB));
  const int64_t dy = m.yA - truncated(r.mapY(m.xB, m.yB));
  return dx * dx + dy * dy < kInlierDistanceSquared;
}

// Three different indices below count (count >= 3).
void drawTriple(int count, int (&picked)[3]) {
  picked[0] = std::rand() % count;
  do picked[1] = std::rand() % count;
  while (picked[1] == picked[0]);
  do picked[2] = std::rand() % count;
  while (picked[2] == picked[0] || picked[2] == picked[1]);
}

}  // namespace

ConsensusOutcome keepConsensus(std::vector<Correspondence>& matches) {
  ConsensusOutcome outcome;
  const int count = static_cast<int>(matches.size());
  if (count < 3) return outcome;

  std::srand(kSeed);
  double limit = kFirstLimit;
  std::vector<bool> inliers(count), best;
  int bestCount = 0;
  while (outcome.iterations < limit) {
    ++outcome.iterations;
    int picked[3];
    drawTriple(count, picked);
    const Correspondence triple[3] = {matches[picked[0]], matches[picked[1]], matches[picked[2]]};
    if (degenerate(triple)) continue;

    const Rigid r = fitRigid(triple, 3);
    int found = 0;
    for (int i = 0; i < count; ++i) found += (inliers[i] = isInlier(r, matches[i]));
    if (found <= bestCount) continue;
    bestCount = found;
    best = inliers;
    double outliers = 1.0 - static_cast<double>(found) / count;
    if (outliers < 1e-8) break;
    if (outliers == 1.0) outliers = 0.5;
    const double needed = std::log(0.001) / std::log(1.0 - std::pow(1.0 - outliers, 3));
    if (needed < limit) limit = needed;
  }
  if (bestCount < 3) return outcome;

  std::vector<Correspondence> kept;
  for (int i = 0; i < count; ++i) {
    if (best[i]) kept.push_back(matches[i]);
  }
  matches = std::move(kept);
  outcome.found = true;
  return outcome;
}

}  // namespace tessaly::stitch
