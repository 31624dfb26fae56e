// Where each stage reports on the caller's scale of one exported call (0 at its start, 100 at its
// end), in one table so that the bands of a call can be read, and changed, side by side.
#pragma once

#include "progress.h"

namespace tessaly::stitch {

// The span [start, end] of the scale that one stage reports inside.
struct ProgressBand {
  int start;
  int end;

  // Step k of n: start + (end - start) * k / n in whole numbers, rounded down.
  long stepAt(long k, long n) const { return start + static_cast<long>(end - start) * k / n; }
  // The same position without rounding.
  double at(double k, double n) const { return start + (end - start) * k / n; }
};

// The band as a range that long operations report inside.
inline ProgressRange rangeOf(const Progress& progress, ProgressBand band) {
  return {&progress, static_cast<double>(band.start), static_cast<double>(band.end)};
}

// QXLoadImages: 0 once the names are sorted, then each piece loaded in turn.
inline constexpr ProgressBand kLoadPieces{2, 100};

// QXAutoOrder.
inline constexpr ProgressBand kOrderPreparePieces{0, 5};
inline constexpr ProgressBand kOrderMatchPairs{5, 95};
inline constexpr ProgressBand kOrderSearch{95, 98};
inline constexpr ProgressBand kOrderApply{98, 100};

// QXAutoAlign. Pieces that need quarter turns are turned first; the reload starts at the turning
// band's start when none does.
inline constexpr ProgressBand kAlignTurnPieces{0, 15};
inline constexpr ProgressBand kAlignReload{15, 40};
inline constexpr ProgressBand kAlignCoarseSearch{40, 60};
inline constexpr ProgressBand kAlignRefineCoarserLevels{60, 65};
inline constexpr ProgressBand kAlignRefineOutputLevel{65, 100};

// QXAutoBlend: every piece in turn is resampled and joined.
inline constexpr ProgressBand kBlendPieces{0, 100};

}  // namespace tessaly::stitch
