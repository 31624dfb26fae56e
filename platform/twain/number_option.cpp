#include "number_option.h"

#include <algorithm>
#include <cmath>

namespace tessaly::twain {

double NumberOption::nearestAllowed(double wanted) const {
  if (!list.empty()) {
    double best = list.front();
    for (double allowed : list)
      if (std::abs(allowed - wanted) < std::abs(best - wanted) ||
          (std::abs(allowed - wanted) == std::abs(best - wanted) && allowed < best))
        best = allowed;
    return best;
  }
  if (!bounded || max < min) return wanted;
  double value = std::clamp(wanted, min, max);
  if (step > 0) {
    value = min + std::round((value - min) / step) * step;
    // Rounding up may pass the top when the range is not a whole number of steps.
    if (value > max) value -= step;
  }
  return value;
}

}  // namespace tessaly::twain
