#include "verified_pairs.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <numbers>
#include <utility>

#include "errors.h"
#include "verified_confirm.h"
#include "verified_correlation.h"
#include "verified_pose.h"
#include "verified_signal.h"
#include "worker_pool.h"

namespace tessaly::stitch::verified {

namespace {

constexpr double kDegree = std::numbers::pi / 180;
// The scan keeps twice as many peaks per pair and turn as the caller wants, since refinement
// merges some and demotes others.
constexpr int kScanPeaksFactor = 2;
// Peaks of other turns than a pair's best go on to refinement only with this share of the
// pair's best scan score (the best peak of every turn always goes on).
constexpr double kRivalShare = 0.5;
// Refinement: offsets searched on the first refined level and on the later ones, and the final
// angle step on the working level.
constexpr int kFirstMargin = 3;
constexpr int kLaterMargin = 2;
constexpr double kFinalAngleStep = 0.1 * kDegree;
// Two refined hypotheses closer than this (working pixels, at b's centre) are the same.
constexpr double kSamePlace = 1.5;
// Hypotheses below this working score are not worth the finer check.
constexpr double kCheckFloor = 0.1;
// On the finer level a hypothesis must stay within this many finer pixels and keep at least
// this share of its working score.
constexpr double kFinerDrift = 2.5;
constexpr double kFinerShare = 0.5;

struct Stage {
  const ProgressCheck& progress;
  double from;
  double to;
  bool stop(double fraction) const { return progress && progress(from + (to - from) * fraction); }
};

// Per piece: evidence signals from the scan level up to the working level (index 0), and the
// finer level's signal, made when first needed.
struct PieceSignals {
  std::vector<cv::Mat1f> levels;
  cv::Mat1f finer;
};

// Runs work(i) for every i in [0, count) on any worker and asks stage.stop(i / count) on this
// thread, in order, as each is done; false when one of them said stop.
bool runUnlessStopped(size_t count, const ItemWork& work, const Stage& stage) {
  bool stopped = false;
  const auto ask = [&](size_t i) {
    if (stage.stop(static_cast<double>(i) / static_cast<double>(count))) {
      stopped = true;
      fail(QX_CANCELLED);
    }
  };
  try {
    parallelFor(count, work, ask);
  } catch (const StitchError&) {
    if (stopped) return false;
    throw;
  }
  return true;
}

std::vector<PieceSignals> makeSignals(const std::vector<PieceLevels>& pieces, int halvings,
                                      const Stage& stage, bool& stopped) {
  std::vector<PieceSignals> out(pieces.size());
  const auto make = [&](size_t i) {
    cv::Mat1b grey = greyView(pieces[i].working);
    for (int level = 0; level <= halvings; ++level) {
      if (level > 0) grey = reducedImage(grey, 1);
      out[i].levels.push_back(evidenceSignal(grey));
    }
  };
  stopped = !runUnlessStopped(pieces.size(), make, stage);
  return out;
}

// Where b's centre lands in a, in a's pixels.
void landing(const PairHypothesis& h, const cv::Mat1f& b, double& x, double& y) {
  int w = 0, hgt = 0;
  turnedSize(h.quarterTurnsB, b.cols, b.rows, w, hgt);
  affineOf(h.bToA).apply((w - 1) / 2.0, (hgt - 1) / 2.0, x, y);
}

// Scan peaks worth refining: the best of each turn, and others strong next to the pair's best.
std::vector<CoarsePeak> worthRefining(const std::vector<CoarsePeak>& peaks) {
  std::map<std::pair<int, int>, double> pairBest;
  std::map<std::array<int, 3>, bool> turnSeen;
  for (const CoarsePeak& p : peaks) {
    double& best = pairBest[{p.a, p.b}];
    best = std::max(best, p.score);
  }
  std::vector<CoarsePeak> out;
  for (const CoarsePeak& p : peaks) {  // best first within each pair and turn
    bool& seen = turnSeen[{p.a, p.b, p.quarterTurnsB}];
    if (!seen || p.score >= kRivalShare * pairBest[{p.a, p.b}]) out.push_back(p);
    seen = true;
  }
  return out;
}

// Carries a scan peak down to the working level, refining offset and angle on every level,
// and measures the correlation over the whole overlap there.
PairHypothesis refinePeak(const CoarsePeak& peak, const std::vector<PieceSignals>& signals,
                          int halvings, double scanStep) {
  PairHypothesis h;
  h.a = peak.a;
  h.b = peak.b;
  h.quarterTurnsB = peak.quarterTurnsB;
  Rigid pose = peak.bToA;
  double angleStep = scanStep / 3;
  for (int level = halvings - 1; level >= 0; --level) {
    pose = scaledRigid(pose, 2);
    const int margin = level == halvings - 1 ? kFirstMargin : kLaterMargin;
    refinePlacement(signals[h.a].levels[level], signals[h.b].levels[level], h.quarterTurnsB, pose,
                    margin, angleStep);
    angleStep /= 3;
  }
  const cv::Mat1f& a = signals[h.a].levels[0];
  const cv::Mat1f& b = signals[h.b].levels[0];
  if (angleStep > kFinalAngleStep) {
    refinePlacement(a, b, h.quarterTurnsB, pose, 1, kFinalAngleStep);
  }
  h.bToA = pose;
  WarpedOverlap overlap;
  if (warpOverlap(a, b, h.quarterTurnsB, pose, overlap)) {
    const OverlapMeasure m = measureOverlap(a, overlap);
    h.score = m.score;
    h.overlapPixels = static_cast<int32_t>(m.overlapPixels);
    h.overlapFraction =
        static_cast<double>(m.overlapPixels) / static_cast<double>(std::min(a.total(), b.total()));
  }
  return h;
}

// Drops hypotheses that refinement brought to the place of a better one of the same pair and
// turn, and those that left too small an overlap; keeps `keep` per pair and turn.
std::vector<PairHypothesis> distinctHypotheses(std::vector<PairHypothesis> all,
                                               const std::vector<PieceSignals>& signals,
                                               double minOverlap, int keep) {
  std::stable_sort(all.begin(), all.end(), [](const PairHypothesis& l, const PairHypothesis& r) {
    return l.score > r.score;
  });
  std::vector<PairHypothesis> out;
  std::map<std::array<int, 3>, int> counts;
  for (const PairHypothesis& h : all) {
    if (h.overlapFraction < minOverlap) continue;
    int& count = counts[{h.a, h.b, h.quarterTurnsB}];
    if (count >= keep) continue;
    double x = 0, y = 0;
    landing(h, signals[h.b].levels[0], x, y);
    const bool repeat = std::any_of(out.begin(), out.end(), [&](const PairHypothesis& o) {
      if (o.a != h.a || o.b != h.b || o.quarterTurnsB != h.quarterTurnsB) return false;
      double ox = 0, oy = 0;
      landing(o, signals[o.b].levels[0], ox, oy);
      return std::hypot(ox - x, oy - y) < kSamePlace;
    });
    if (repeat) continue;
    out.push_back(h);
    ++count;
  }
  return out;
}

// Whether a hypothesis is checked on the finer level: it must be worth it, and both pieces must
// have that level.
bool checkedOnFinerLevel(const PairHypothesis& h, const std::vector<PieceLevels>& pieces) {
  return h.score >= kCheckFloor && !pieces[h.a].finer.pixels.empty() &&
         !pieces[h.b].finer.pixels.empty();
}

// The finer level's signal of every piece that a check on that level needs, made side by side
// before the checks, which then only read them.
void makeFinerSignals(const std::vector<PairHypothesis>& hypotheses,
                      const std::vector<PieceLevels>& pieces, std::vector<PieceSignals>& signals) {
  std::vector<int> needed;
  for (const PairHypothesis& h : hypotheses) {
    if (!checkedOnFinerLevel(h, pieces)) continue;
    needed.push_back(h.a);
    needed.push_back(h.b);
  }
  std::sort(needed.begin(), needed.end());
  needed.erase(std::unique(needed.begin(), needed.end()), needed.end());
  parallelFor(needed.size(), [&](size_t k) {
    const int piece = needed[k];
    signals[piece].finer = evidenceSignal(greyView(pieces[piece].finer));
  });
}

// Checks a hypothesis on the finer level: its place must hold there and its overlap must still
// correlate. Confirmed hypotheses take the finer level's place.
void confirmOnFinerLevel(PairHypothesis& h, const std::vector<PieceSignals>& signals,
                         const std::vector<PieceLevels>& pieces, double minScore) {
  if (!(h.score >= kCheckFloor)) return;
  if (!checkedOnFinerLevel(h, pieces)) {
    h.finerScore = h.score;
    h.confirmed = h.score >= minScore;
    return;
  }
  const cv::Mat1f& a = signals[h.a].finer;
  const cv::Mat1f& b = signals[h.b].finer;
  const Rigid start = scaledRigid(h.bToA, 2);
  Rigid pose = start;
  if (refinePlacement(a, b, h.quarterTurnsB, pose, kLaterMargin, 0) <= -1) return;
  WarpedOverlap overlap;
  if (!warpOverlap(a, b, h.quarterTurnsB, pose, overlap)) return;
  const OverlapMeasure m = measureOverlap(a, overlap);
  h.finerScore = m.score;
  const double drift = std::hypot(pose.tx - start.tx, pose.ty - start.ty);
  h.confirmed =
      m.defined && drift <= kFinerDrift && m.score >= minScore && m.score >= kFinerShare * h.score;
  if (h.confirmed) h.bToA = scaledRigid(pose, 0.5);
}

// Best first within each pair, pairs in order; distinctness against the pair's best rival.
void rankAndCompare(std::vector<PairHypothesis>& hypotheses) {
  std::stable_sort(hypotheses.begin(), hypotheses.end(),
                   [](const PairHypothesis& l, const PairHypothesis& r) {
                     if (l.a != r.a) return l.a < r.a;
                     if (l.b != r.b) return l.b < r.b;
                     return l.score > r.score;
                   });
  for (size_t i = 0; i < hypotheses.size();) {
    size_t end = i;
    while (end < hypotheses.size() && hypotheses[end].a == hypotheses[i].a &&
           hypotheses[end].b == hypotheses[i].b)
      ++end;
    for (size_t k = i; k < end; ++k) {
      const double rival =
          k == i ? (i + 1 < end ? hypotheses[i + 1].score : 0.0) : hypotheses[i].score;
      hypotheses[k].distinctness = hypotheses[k].score - rival;
    }
    i = end;
  }
}

}  // namespace

bool findPairHypotheses(const std::vector<PieceLevels>& pieces, const PairSearchOptions& options,
                        const ProgressCheck& progress, std::vector<PairHypothesis>& hypotheses) {
  hypotheses.clear();
  if (pieces.size() < 2) return !(progress && progress(1.0));
  const int halvings = std::max(0, options.scanHalvings);
  bool stopped = false;
  std::vector<PieceSignals> signals =
      makeSignals(pieces, halvings, Stage{progress, 0.0, 0.1}, stopped);
  if (stopped) return false;

  std::vector<cv::Mat1f> scanSignals;
  for (const PieceSignals& s : signals) scanSignals.push_back(s.levels[halvings]);
  CoarseScanOptions scan;
  scan.minOverlapFraction = options.minOverlapFraction;
  scan.maxAngleDegrees = options.maxAngleDegrees;
  scan.angleStepDegrees = options.scanAngleStepDegrees;
  scan.peaksPerPairAndTurn = std::max(1, options.peaksPerPairAndTurn) * kScanPeaksFactor;
  std::vector<CoarsePeak> peaks;
  const Stage scanStage{progress, 0.1, 0.6};
  if (!scanPairs(
          scanSignals, scan, [&](double f) { return scanStage.stop(f); }, peaks))
    return false;

  const std::vector<CoarsePeak> chosen = worthRefining(peaks);
  const double scanStep = options.scanAngleStepDegrees * kDegree;
  std::vector<PairHypothesis> refined(chosen.size());
  const Stage refineStage{progress, 0.6, 0.85};
  const auto refine = [&](size_t i) {
    refined[i] = refinePeak(chosen[i], signals, halvings, scanStep);
  };
  if (!runUnlessStopped(chosen.size(), refine, refineStage)) return false;
  hypotheses = distinctHypotheses(std::move(refined), signals, options.minOverlapFraction * 0.5,
                                  std::max(1, options.peaksPerPairAndTurn));

  makeFinerSignals(hypotheses, pieces, signals);
  const auto confirm = [&](size_t i) {
    confirmOnFinerLevel(hypotheses[i], signals, pieces, options.minConfirmedScore);
  };
  if (!runUnlessStopped(hypotheses.size(), confirm, Stage{progress, 0.85, 1.0})) return false;
  rankAndCompare(hypotheses);
  return !(progress && progress(1.0));
}

}  // namespace tessaly::stitch::verified
