// Measures that compare a composed result with the page its pieces were cut from.
#pragma once

#include <cstdint>

#include "QuiltexEngine.h"
#include "stitch_layout.h"

namespace tessaly::stitch::test {

struct StitchCheck {
  double meanError = 0;  // mean |result - page - bias| per channel over the covered area
  double bias = 0;       // mean (result - page) over the covered area
  int worstShift = 0;    // largest local misregistration found, in pixels
  int64_t covered = 0;   // pixels compared
};

// Compares a result composed at `level` with the page (halved `level` times): finds where the
// canvas lies on the frame of cell 0 (searching `search` pixels around the corner of the pieces'
// extent), then measures the error over the pixels inside some piece and the best local shift of
// every textured 48 x 48 tile.
StitchCheck checkAgainstPage(const tagPixelArray& result, const StitchLayout& layout, int level,
                             int search = 3);

// The largest difference between the brightness two pieces show in the result: per piece, the
// mean (result - page) over the pixels only it covers, after checkAgainstPage's placement.
double brightnessSpread(const tagPixelArray& result, const StitchLayout& layout, int level);

}  // namespace tessaly::stitch::test
