// Alignment after the reload: the coarse overlap search on the coarsest level, then refinement
// level by level down to the output level (progress bands in progress_bands.h). This driver is
// the only alignment unit that sees the session; the stages work on level images and transforms.
#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "errors.h"
#include "overlap_features.h"
#include "overlap_pairs.h"
#include "overlap_search.h"
#include "overlap_warnings.h"
#include "progress_bands.h"
#include "progress_log.h"
#include "refine_pair.h"
#include "refine_rigid_fit.h"
#include "stages.h"
#include "verified_session.h"
#include "worker_pool.h"

namespace tessaly::stitch {

namespace {

PairAlignment& alignmentOf(Session& s, const NeighbourPair& pair) {
  PieceRecord& a = s.pieces[pair.cellA];
  return pair.horizontal ? a.right : a.below;
}

// The share of `range` that pair k of n gets.
ProgressRange pairShare(const ProgressRange& range, size_t k, size_t n) {
  return range.sub(static_cast<double>(k) / n, static_cast<double>(k + 1) / n);
}

struct CoarseOutcome {
  long warning = QX_OK;
  bool thin = false;  // some overlap is 13 pixels or less on the coarsest level
};

// What the coarse search found for one pair, made on any worker.
struct CoarsePair {
  CoarseMatch match;
  bool thin = false;
  long warning = QX_OK;  // the pair's overlap reservation, where it counts
  ProgressLog log;
};

void searchPair(const Session& s, const NeighbourPair& pair, const SimilarityTable& table,
                const ProgressRange& share, CoarsePair& found) {
  const FeatureImage a = buildFeatures(*s.pieces[pair.cellA].levels[s.coarsest]);
  const FeatureImage b = buildFeatures(*s.pieces[pair.cellB].levels[s.coarsest]);
  const SearchWindow window = searchWindow(a.width, a.height, b.width, b.height,
                                           s.policy.neighbourOverlap, pair.horizontal);
  const CoarseMatch match = coarseMatch(a, b, table, window, found.log.record(share));
  found.match = match;
  found.thin = pair.horizontal ? b.width - match.x <= 13 : b.height - match.y <= 13;
  // Vertical pairs are judged in the first column only.
  if (pair.horizontal || pair.columnA == 0) {
    found.warning = overlapWarning(a, b, match.x, match.y, pair.horizontal);
  }
}

// Finds every pair's placement on the coarsest level and stores it as the pair's transform. The
// pairs are searched on any worker; their results are taken, and their reports made, in order.
CoarseOutcome coarsePass(Session& s, const std::vector<NeighbourPair>& pairs) {
  const ProgressRange pass = rangeOf(s.progress, kAlignCoarseSearch);
  const SimilarityTable table;
  CoarseOutcome outcome;
  std::vector<std::unique_ptr<CoarsePair>> found(pairs.size());
  const auto search = [&](size_t k) {
    found[k] = std::make_unique<CoarsePair>();
    searchPair(s, pairs[k], table, pairShare(pass, k, pairs.size()), *found[k]);
  };
  const auto take = [&](size_t k) {
    const CoarsePair& f = *found[k];
    f.log.replay(pass);
    const Rigid placed{f.match.degrees * M_PI / 180.0, static_cast<double>(f.match.x),
                       static_cast<double>(f.match.y)};
    alignmentOf(s, pairs[k]).transform = placed.toTransform();
    outcome.thin |= f.thin;
    // Only the first reservation is reported.
    if (outcome.warning == QX_OK) outcome.warning = f.warning;
    found[k].reset();
  };
  parallelFor(pairs.size(), search, take);
  s.progress.report(kAlignCoarseSearch.end);
  return outcome;
}

// Finds the correspondences of every pair at `level`, then fits every pair's transform to them.
// Full-resolution pieces are loaded one pair at a time and handed back before the next pair.
void refineLevel(Session& s, const std::vector<NeighbourPair>& pairs, int level, bool firstPass,
                 const ProgressRange& range) {
  for (size_t k = 0; k < pairs.size(); ++k) {
    const ProgressRange share = pairShare(range, k, pairs.size());
    share.at(0);
    const NeighbourPair& pair = pairs[k];
    const PieceRecord& recordA = s.pieces[pair.cellA];
    const PieceRecord& recordB = s.pieces[pair.cellB];
    const PairSetup setup{pair.horizontal,   firstPass,          level,
                          recordA.fullWidth, recordA.fullHeight, recordB.fullWidth,
                          recordB.fullHeight};
    // A level-0 piece that cannot be loaded fails the pass as unreadable.
    const LevelImage a = levelImage(s, pair.cellA, level, LoadFailure::Unreadable);
    const LevelImage b = levelImage(s, pair.cellB, level, LoadFailure::Unreadable);
    share.at(0.5);  // loading full-resolution pieces takes a while; let the caller stop here
    findCorrespondences(*a, *b, setup, alignmentOf(s, pair));
  }
  for (const NeighbourPair& pair : pairs) fitPairTransform(alignmentOf(s, pair));
}

void freeLevel(Session& s, int level) {
  for (PieceRecord& piece : s.pieces) piece.levels[level].reset();
}

// Refines from `start` down to the output level. The coarser levels share one band and the output
// level has its own; a level that is neither the coarsest nor the output is freed once done.
// `firstPassAtStart` false: the transforms already hold a placement from the level above `start`.
void refinePass(Session& s, const std::vector<NeighbourPair>& pairs, int start,
                bool firstPassAtStart = true) {
  const int coarserPasses = start - s.outputLevel;
  for (int level = start; level >= s.outputLevel; --level) {
    const int k = start - level;
    const ProgressBand& coarser = kAlignRefineCoarserLevels;
    const ProgressRange slice = level == s.outputLevel
                                    ? rangeOf(s.progress, kAlignRefineOutputLevel)
                                    : ProgressRange{&s.progress, coarser.at(k, coarserPasses),
                                                    coarser.at(k + 1, coarserPasses)};
    refineLevel(s, pairs, level, firstPassAtStart && level == start, slice);
    if (level != s.coarsest && level != s.outputLevel) freeLevel(s, level);
  }
}

void doubleTranslations(Session& s) {
  for (PieceRecord& piece : s.pieces) {
    for (PairAlignment* pair : {&piece.right, &piece.below}) {
      pair->transform.m[2] *= 2;
      pair->transform.m[5] *= 2;
    }
  }
}

}  // namespace

long alignPieces(Session& s) {
  for (PieceRecord& piece : s.pieces) piece.right = piece.below = PairAlignment{};
  const std::vector<NeighbourPair> pairs = pairOrder(s.columns, s.rows);

  // The verified way places every pair from its global solution instead of the coarse search.
  const auto verifiedStart = tessaly::stitch::verified::placeNeighbourPairs(s, pairs);
  const CoarseOutcome coarse =
      verifiedStart.placed ? CoarseOutcome{verifiedStart.warning, false} : coarsePass(s, pairs);
  int start = verifiedStart.placed ? verifiedStart.level : s.coarsest;
  if (coarse.thin && s.coarsest != s.outputLevel) {
    // A thin overlap is too narrow to refine on the coarsest level: start one level finer.
    doubleTranslations(s);
    start = std::max(s.coarsest - 1, s.outputLevel);
  }
  refinePass(s, pairs, start, !verifiedStart.placed);
  for (int level = 0; level <= s.coarsest; ++level) {
    if (level != s.coarsest && level != s.outputLevel) freeLevel(s, level);
  }
  if (verifiedStart.placed) tessaly::stitch::verified::fitRefined(s, pairs);
  return coarse.warning;
}

}  // namespace tessaly::stitch
