// Alignment the verified way: neighbour pairs start from the global solution instead of the
// coarse search, and after refinement one least-squares fit over all refined pairs gives every
// cell its global transform.
#include <algorithm>
#include <cmath>
#include <limits>

#include "verified_fit.h"
#include "verified_fit_diagonal.h"
#include "verified_session.h"
#include "verified_solve_candidates.h"

namespace tessaly::stitch::verified {

namespace {

// Below this share of the piece an overlap earns the small-overlap reservation, as classically.
constexpr double kSmallOverlap = 0.15;
// Largest RMS distance (output-level pixels) a refined pair may keep from the global fit.
constexpr double kRefinedLoopTolerance = 2.5;

tessaly::stitch::Transform toTransform(const Rigid& r) {
  const double c = std::cos(r.angle), s = std::sin(r.angle);
  return {{c, -s, r.tx, s, c, r.ty}};
}

std::vector<PieceSize> workingSizes(const SessionState& state) {
  std::vector<PieceSize> sizes;
  for (const PieceLevels& p : state.pieces) sizes.push_back({p.working.width, p.working.height});
  return sizes;
}

bool isOfferedBest(const Session& s, const SessionState& state) {
  if (state.candidates.empty()) return false;
  const Arrangement& best = state.candidates[0];
  return best.rows == s.rows && best.columns == s.columns && best.cellPiece == state.cellPiece &&
         best.cellTurns == state.cellTurns;
}

// Per cell, working-level placements of the turned pieces for the arrangement the session holds.
std::vector<Rigid> workingPlacements(const Session& s, const SessionState& state) {
  if (state.cellPiece.size() != static_cast<size_t>(s.count) || state.pieces.empty()) return {};
  // The offered arrangement brings its placements; one that was only a default has none.
  if (isOfferedBest(s, state) &&
      state.candidates[0].cellPlacement.size() == static_cast<size_t>(s.count))
    return state.candidates[0].cellPlacement;
  return placementsForArrangement(workingSizes(state), state.hypotheses, s.rows, s.columns,
                                  state.cellPiece, state.cellTurns, state.solveOptions);
}

// Per cell, full-resolution placements: the turned full-resolution piece -> a common frame. The
// working level relates to full resolution through the unturned pieces (x_full = 2^w x_working),
// so each placement goes back to the unturned piece, is scaled, and is turned again at full size.
std::vector<Rigid> fullPlacements(const Session& s, const SessionState& state,
                                  const std::vector<Rigid>& working) {
  const double scale = std::ldexp(1.0, state.workingLevel);
  std::vector<Rigid> full;
  for (int32_t cell = 0; cell < s.count; ++cell) {
    const int32_t piece = state.cellPiece[cell], turns = state.cellTurns[cell];
    const PieceLevels& levels = state.pieces[piece];
    const PieceSize& size = state.fullSizes[piece];
    const Rigid unturned = compose(
        working[cell], quarterTurnMotion(turns, levels.working.width, levels.working.height));
    full.push_back(compose(scaled(unturned, scale),
                           inverse(quarterTurnMotion(turns, size.width, size.height))));
  }
  return full;
}

// A's full-resolution rectangle seen from B (bounding box of its corners), cut to B; inclusive.
RECT overlapInB(const Rigid& bToA, const tessaly::stitch::PieceRecord& a,
                const tessaly::stitch::PieceRecord& b) {
  const auto [minX, minY, maxX, maxY] = mappedBounds(inverse(bToA), a.fullWidth, a.fullHeight);
  const auto clampTo = [](double v, int32_t high) {
    return static_cast<int32_t>(std::clamp(v, -1.0, static_cast<double>(high)));
  };
  return {clampTo(std::ceil(std::max(minX, 0.0)), b.fullWidth),
          clampTo(std::ceil(std::max(minY, 0.0)), b.fullHeight),
          clampTo(std::floor(std::min(maxX, b.fullWidth - 1.0)), b.fullWidth),
          clampTo(std::floor(std::min(maxY, b.fullHeight - 1.0)), b.fullHeight)};
}

long smallOverlapWarning(const tessaly::stitch::NeighbourPair& pair, const RECT& overlap,
                         const tessaly::stitch::PieceRecord& a) {
  const double extent =
      pair.horizontal ? overlap.right - overlap.left + 1.0 : overlap.bottom - overlap.top + 1.0;
  const double size = pair.horizontal ? a.fullWidth : a.fullHeight;
  return extent < kSmallOverlap * size ? QX_WARN_SMALL_OVERLAP : QX_OK;
}

tessaly::stitch::PairAlignment& alignmentOf(Session& s,
                                            const tessaly::stitch::NeighbourPair& pair) {
  tessaly::stitch::PieceRecord& a = s.pieces[pair.cellA];
  return pair.horizontal ? a.right : a.below;
}

FitLink linkOf(int32_t cellA, int32_t cellB,
               const std::vector<tessaly::stitch::Correspondence>& matches) {
  FitLink link{cellA, cellB, {}, 1.0};
  for (const tessaly::stitch::Correspondence& m : matches)
    link.points.push_back({{double(m.xA), double(m.yA)}, {double(m.xB), double(m.yB)}});
  return link;
}

// Links for both diagonals of every square of the grid that yield correspondences.
void addDiagonalLinks(Session& s, const std::vector<Rigid>& poses, std::vector<FitLink>& links) {
  for (int32_t row = 0; row + 1 < s.rows; ++row) {
    for (int32_t column = 0; column + 1 < s.columns; ++column) {
      const int32_t topLeft = row * s.columns + column;
      const std::pair<int32_t, int32_t> diagonals[2] = {{topLeft, topLeft + s.columns + 1},
                                                        {topLeft + 1, topLeft + s.columns}};
      for (const auto& [cellA, cellB] : diagonals) {
        const tessaly::stitch::LevelImage a = tessaly::stitch::levelImage(s, cellA, s.outputLevel);
        const tessaly::stitch::LevelImage b = tessaly::stitch::levelImage(s, cellB, s.outputLevel);
        const Rigid bToA = compose(inverse(poses[cellA]), poses[cellB]);
        const std::vector<tessaly::stitch::Correspondence> matches = diagonalMatches(*a, *b, bToA);
        if (!matches.empty()) links.push_back(linkOf(cellA, cellB, matches));
      }
    }
  }
}

}  // namespace

AlignStart placeNeighbourPairs(Session& s,
                               const std::vector<tessaly::stitch::NeighbourPair>& pairs) {
  AlignStart start;
  if (!s.verified) return start;
  SessionState& state = *s.verified;
  state.globals.clear();
  const std::vector<Rigid> working = workingPlacements(s, state);
  if (working.size() != static_cast<size_t>(s.count)) return start;

  const std::vector<Rigid> full = fullPlacements(s, state, working);
  start.placed = true;
  start.level = std::clamp(state.workingLevel, s.outputLevel, s.coarsest);
  // Refinement reads the transform as one level coarser than the level it works on.
  const double toLevelAbove = std::ldexp(1.0, -(start.level + 1));
  for (const tessaly::stitch::NeighbourPair& pair : pairs) {
    const tessaly::stitch::PieceRecord& a = s.pieces[pair.cellA];
    const tessaly::stitch::PieceRecord& b = s.pieces[pair.cellB];
    const Rigid bToA = compose(inverse(full[pair.cellA]), full[pair.cellB]);
    tessaly::stitch::PairAlignment& alignment = alignmentOf(s, pair);
    alignment.transform = toTransform(scaled(bToA, toLevelAbove));
    alignment.overlap = overlapInB(bToA, a, b);
    if (start.warning == QX_OK) start.warning = smallOverlapWarning(pair, alignment.overlap, a);
  }
  s.progress.report(60);
  return start;
}

void fitRefined(Session& s, const std::vector<tessaly::stitch::NeighbourPair>& pairs) {
  if (!s.verified) return;
  std::vector<FitLink> links;
  for (const tessaly::stitch::NeighbourPair& pair : pairs) {
    links.push_back(linkOf(pair.cellA, pair.cellB, alignmentOf(s, pair).matches));
  }
  FitOptions options;
  options.loopTolerance = kRefinedLoopTolerance;
  FitResult fit = fitGlobal(s.count, links, options);
  SessionState& state = *s.verified;
  state.globals.clear();
  if (!fit.connected) return;
  // The diagonal pairs, matched where the neighbours' fit puts them, close the loop of every
  // square of the grid; the fit is then repeated over all pairs.
  const size_t neighbourLinks = links.size();
  addDiagonalLinks(s, fit.poses, links);
  if (links.size() > neighbourLinks) fit = fitGlobal(s.count, links, options);
  if (!fit.connected) return;
  for (const Rigid& pose : fit.poses) state.globals.push_back(toTransform(pose));
  // The grey images served the search; alignment no longer needs them.
  for (PieceLevels& p : state.pieces) p = PieceLevels{};
}

}  // namespace tessaly::stitch::verified
