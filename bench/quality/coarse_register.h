// The first, rough placement of a stitched result on its page: at a small size, every quarter
// turn and a range of tilts is tried, and for each the shift with the best normalised
// correlation over the overlap of the two (the whole page layout decides, not a detail).
#pragma once

#include <opencv2/core.hpp>

#include "rigid_fit.h"

namespace tessaly::quality {

struct CoarsePlacement {
  Rigid resultToPage;  // full-size pixels
  double correlation = -1;
};

// page and result: one channel, 32-bit float. Searches tilts up to maxTiltDegrees either way
// off each quarter turn. Throws std::invalid_argument for an empty picture.
CoarsePlacement coarseRegister(const cv::Mat& page, const cv::Mat& result,
                               double maxTiltDegrees = 8);

struct ShiftScore {
  cv::Point shift;          // moving's pixel (x, y) lies on fixed's (x + shift.x, y + shift.y)
  double correlation = -1;  // -1 when no shift overlaps enough
};

// The shift of `moving` over `fixed` with the highest normalised correlation computed only where
// both masks (8-bit, non-zero = valid) hold and the overlap counts at least minOverlap pixels.
ShiftScore bestMaskedShift(const cv::Mat& fixed, const cv::Mat& fixedMask, const cv::Mat& moving,
                           const cv::Mat& movingMask, double minOverlap);

}  // namespace tessaly::quality
