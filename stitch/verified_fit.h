// The global fit: one rigid motion per piece from point pairs between overlapping pieces, by
// least squares over all links at once, with links that disagree with the loops they close
// dropped one by one.
#pragma once

#include <cstdint>
#include <vector>

#include "verified_fit_rigid.h"

namespace tessaly::stitch::verified {

// A point of piece b (in b's own frame) and where it lies in piece a's frame.
struct PointPair {
  Vec2 inA;
  Vec2 inB;
};

struct FitLink {
  int32_t a = 0;
  int32_t b = 0;
  std::vector<PointPair> points;
  double weight = 1;  // of every point of the link
};

struct FitOptions {
  int32_t anchor = 0;          // the node whose frame is the common frame (its pose: identity)
  double loopTolerance = 3.0;  // largest RMS residual (pixels) a link may keep after the fit
  int32_t iterations = 12;     // Gauss-Newton steps per fit
};

struct FitResult {
  std::vector<Rigid> poses;      // per node: its frame -> the anchor's frame
  std::vector<bool> kept;        // per link: used by the final fit
  std::vector<double> residual;  // per link: RMS distance (pixels) under the final poses
  bool connected = false;        // every node reached from the anchor by kept links
};

// RMS over the link's points of |pose_a(inA) - pose_b(inB)|.
double linkResidual(const FitLink& link, const std::vector<Rigid>& poses);

// Poses from a spanning tree of the heaviest links (each link's own motion fitted to its points),
// composed outward from the anchor. Nodes the tree does not reach keep the identity.
std::vector<Rigid> treePoses(int32_t nodes, const std::vector<FitLink>& links,
                             const std::vector<bool>& use, int32_t anchor, bool& connected);

// Least squares over all used links starting from `poses` (the anchor stays fixed).
void refinePoses(const std::vector<FitLink>& links, const std::vector<bool>& use, int32_t anchor,
                 int32_t iterations, std::vector<Rigid>& poses);

// The whole fit: tree start, least squares, then the loop check: while the worst used link is
// further than loopTolerance from the others' consensus, it is dropped (unless dropping it would
// cut the graph) and the fit is repeated.
FitResult fitGlobal(int32_t nodes, const std::vector<FitLink>& links, const FitOptions& options);

// The rigid motion b -> a that fits the point pairs best (least squares, closed form).
Rigid fitPair(const std::vector<PointPair>& points);

}  // namespace tessaly::stitch::verified
