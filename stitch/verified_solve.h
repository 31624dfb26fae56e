// The global solution of the verified way: which pair hypotheses are true, decided together for
// all pieces. Links are chosen as a spanning tree whose every link is the best-supported way of
// joining the two sides it separates (all overlapping pairs across that cut vote, so a decoy that
// a repeated structure produced loses to the parallel links that agree with each other); the
// placements then come from a least-squares fit over every link consistent with the tree, with
// links that disagree with the loops they close dropped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "verified_fit_rigid.h"
#include "verified_types.h"

namespace tessaly::stitch::verified {

// A piece's size on the working level, unturned.
struct PieceSize {
  int32_t width = 0;
  int32_t height = 0;
};

struct SolveOptions {
  double minScore = 0.15;         // hypotheses scoring less are not evidence at all
  double pixelTolerance = 4.5;    // working-level pixels within which a link agrees with poses
  double angleTolerance = 0.026;  // radians (1.5 degrees) within which a link agrees
  double loopTolerance = 3.0;     // RMS pixels a kept link may miss the global fit by
  double minCutWeight = 0.3;      // evidence every cut of the tree needs to count as supported
  double minCutMargin = 0.05;     // how much the chosen way over a cut must beat the best rival
};

// One hypothesis as a motion between the two unturned pieces.
struct Link {
  int32_t a = 0;
  int32_t b = 0;
  Rigid bToA;      // unturned b -> unturned a, working-level pixels
  Vec2 anchorInB;  // the middle of the overlap, in b's unturned frame
  double weight = 0;
  size_t hypothesis = 0;  // index in the hypotheses given
};

struct Solution {
  std::vector<Rigid> poses;       // per piece: unturned frame -> frame of piece 0
  std::vector<size_t> treeLinks;  // indices into links
  std::vector<size_t> keptLinks;  // every link the final fit used
  std::vector<double> cutMargin;  // per tree link: chosen evidence minus the best rival's
  std::vector<double> cutWeight;  // per tree link: evidence of the chosen way
  std::vector<int64_t> cutRival;  // per tree link: a link of the best rival way, or -1
  bool connected = false;
  bool supported = false;  // every cut decided with weight and margin to spare
  double support = 0;      // 0 to 1, the weakest cut's share of margin
};

// The hypotheses worth considering, as links between unturned pieces.
std::vector<Link> linksFrom(const std::vector<PieceSize>& sizes,
                            const std::vector<PairHypothesis>& hypotheses,
                            const SolveOptions& options);

// True when link agrees with the poses of its two pieces within the tolerances.
bool agrees(const Link& link, const std::vector<Rigid>& poses, const SolveOptions& options);

// The whole solution over `links` for `pieces` pieces.
Solution solveLinks(int32_t pieces, const std::vector<Link>& links,
                    const std::vector<PieceSize>& sizes, const SolveOptions& options);

// The solution with tree link `slot` replaced by `replacement` (poses recomputed along the tree,
// then fitted), used to offer the runner-up readings as further candidates.
Solution withSwappedLink(const Solution& solution, size_t slot, size_t replacement, int32_t pieces,
                         const std::vector<Link>& links, const std::vector<PieceSize>& sizes,
                         const SolveOptions& options);

}  // namespace tessaly::stitch::verified
