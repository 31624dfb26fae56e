// A numeric device option as the source manager sees it: its value and what values it allows,
// whatever its SANE type (integer or fixed-point) and constraint (range or list).
#pragma once

#include <vector>

namespace tessaly::twain {

enum class OptionUnit { None, Pixel, Millimetre, DotsPerInch, Other };

struct NumberOption {
  double value = 0;
  OptionUnit unit = OptionUnit::None;
  // A range [min, max] in steps of `step` (0: any value) unless `list` holds the allowed values.
  bool bounded = false;
  double min = 0;
  double max = 0;
  double step = 0;
  std::vector<double> list;

  // The allowed value nearest to wanted (the lower one on a tie); wanted when nothing constrains.
  double nearestAllowed(double wanted) const;
};

}  // namespace tessaly::twain
