// Scoring how well one gradient image lies immediately to the right of another: the best
// mean-compensated difference over a window of offsets.
#pragma once

#include <cstdint>
#include <limits>

#include "ordering_features.h"
#include "policy.h"
#include "progress.h"

namespace tessaly::stitch {

// Score of a pair that never overlapped usefully.
inline constexpr double kNoMatch = std::numeric_limits<double>::max();

struct MatchSettings {
  // A grid's neighbours may overlap almost entirely: it searches a wider window than a row.
  NeighbourOverlap overlap = NeighbourOverlap::Partial;
  // Overlaps whose mean gradient is below this in either piece are skipped.
  int32_t structureFloor = 12;
  // Abandon an offset as soon as its running score reaches the best so far. The result is the
  // same either way; switching it off only exists to measure what it saves.
  bool pruning = true;
};

// The window of offsets (x, y) of the right image's top-left corner in the left image's
// coordinates; x in [xBegin, xEnd), y in [yBegin, yEnd).
struct MatchWindow {
  int32_t xBegin, xEnd, yBegin, yEnd;
};
MatchWindow matchWindow(int32_t widthA, int32_t heightA, int32_t widthB, int32_t heightB,
                        NeighbourOverlap overlap);

// Lowest score over the window of B placed right of A: 16 times the mean absolute difference of
// the overlapping bytes after removing the difference of the two overlaps' means. Offsets whose
// overlap is 2 pixels or less in a direction, or featureless in either image, are skipped;
// kNoMatch when every offset is. Reports at `range` once per window row.
double matchScore(const GradientFeatures& a, const GradientFeatures& b,
                  const MatchSettings& settings, const ProgressRange& range = {});

}  // namespace tessaly::stitch
