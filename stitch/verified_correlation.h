// The coarse scan of the pair search: for every pair of pieces, every quarter turn of the second
// and a ladder of small rotations, the normalised correlation of the two signals at every offset
// with enough overlap, computed through Fourier transforms, and the best separate peaks of it.
#pragma once

#include <cstdint>
#include <functional>
#include <opencv2/core.hpp>
#include <vector>

#include "verified_types.h"

namespace tessaly::stitch::verified {

struct CoarseScanOptions {
  double minOverlapFraction = 0.08;  // of the smaller piece's area
  double maxAngleDegrees = 12.0;
  double angleStepDegrees = 3.0;  // the ladder's spacing (rounded so it ends at the maximum)
  int peaksPerPairAndTurn = 6;
  double peakSeparation = 3.0;  // pixels between two peaks kept apart
};

struct CoarsePeak {
  int32_t a = 0;
  int32_t b = 0;
  int32_t quarterTurnsB = 0;
  Rigid bToA;        // pixels of the scan level
  double score = 0;  // approximate normalised correlation over the overlap
};

// Scans all pairs a < b of `signals` (evidence signals of the scan level, unturned). Appends the
// peaks, best first within each pair and turn. `stop` is asked with the fraction done and
// returns true to abandon the scan; the function then returns false.
bool scanPairs(const std::vector<cv::Mat1f>& signals, const CoarseScanOptions& options,
               const std::function<bool(double)>& stop, std::vector<CoarsePeak>& peaks);

}  // namespace tessaly::stitch::verified
