// The direction of text lines in a bit image of small dark marks: the angle whose projection
// profile is most uneven (tall peaks where lines are, empty gaps between them).
#pragma once

#include <vector>

#include "straighten_bit_image.h"

namespace tessaly::stitch {

struct AngleScore {
  double degrees = 0;  // a multiple of 0.1 within -11.5 ... +11.5
  double score = 0;    // spread of the profile at that angle; 0 when no angle showed lines
};

// Dark samples counted along scan lines 4 rows apart tilted by `degrees`, one entry per line,
// sampling every `step` pixels from the right edge leftward.
std::vector<int> projectionProfile(const BitImage& bits, double degrees, double step);

// Variance of the profile over the span of lines that reach `threshold` samples (with one line
// before it); 0 when that span has fewer than 5 lines.
double profileSpread(const std::vector<int>& profile, double threshold);

// Searches -10 ... +10 degrees in steps of 1, then +-1 in steps of 0.5 and +-0.5 in steps of 0.1
// around the best so far. The angle stays 0 unless some angle scores above 0.
AngleScore searchAngle(const BitImage& bits);

}  // namespace tessaly::stitch
