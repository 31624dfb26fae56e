#include "zoom_levels.h"

#include <algorithm>
#include <cmath>

namespace tessaly::app {

std::array<int32_t, kZoomLevelCount> zoomRatios(double fitRatio) {
  std::array<int32_t, kZoomLevelCount> ratios{};
  for (int i = 0; i < kZoomLevelCount; ++i) {
    const double ratio = fitRatio + fitRatio * 8 * i / 16;
    ratios[size_t(i)] = std::max<int32_t>(1, int32_t(std::trunc(ratio * 10000)));
  }
  return ratios;
}

void ZoomLevels::refit(double fitRatio) {
  ratios_ = zoomRatios(fitRatio);
  level_ = 0;
}

bool ZoomLevels::zoomIn() {
  if (!canZoomIn()) return false;
  level_ = std::min(level_ + 1, kZoomLevelCount - 1);
  return true;
}

bool ZoomLevels::zoomOut() {
  if (!canZoomOut()) return false;
  level_ = std::max(level_ - 1, 0);
  return true;
}

}  // namespace tessaly::app
