// How well a stitched result reproduces its page: the result is registered to the page (any
// quarter turn, a small tilt, any shift), then every cell of the page that the scans covered
// is compared with the result there.
//
// coverage: the share of the scanned page that the result reproduces (a textured cell by a
//   clear correlation peak within 8 pixels of its place, a flat cell by a flat result of about
//   its level).
// displacement: over the cells with texture in two directions whose content the result shows
//   near its place, how far it lies from where the registration puts it (sub-pixel).
#pragma once

#include <opencv2/core.hpp>

#include "rigid_fit.h"

namespace tessaly::quality {

inline constexpr double kNoMatch = 99;  // the displacement when no cell could be measured

struct QualityScore {
  Rigid resultToPage;
  double coarseCorrelation = -1;
  double coverage = 0;
  double displacementP95 = kNoMatch;
  double displacementMedian = kNoMatch;
  int measuredCells = 0;   // structured cells the displacement is taken over
  int unmatchedCells = 0;  // structured cells with texture in the result but no match near
  int cellSize = 0;

  // The verdict the benchmark counts: nearly all of the page, and every part in place.
  bool correct() const { return coverage >= 0.95 && displacementP95 <= 1.0; }
};

// page, result: 8-bit, one or three channels; covered: 8-bit mask of the page the scans show
// (non-zero), as coveredByPieces gives it.
QualityScore scoreResult(const cv::Mat& page, const cv::Mat& result, const cv::Mat& covered);

}  // namespace tessaly::quality
