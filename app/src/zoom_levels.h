// The Result page's sixteen zoom levels. Level 0 is the fitted view; level i shows the picture at
// (1 + i / 2) times the fitted scale, each ratio cut to whole 10000ths so that the view takes it
// exactly.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tessaly::app {

constexpr int kZoomLevelCount = 16;

// The ratio of every level, in 10000ths, for a fitted scale of `fitRatio` (at least one
// 10000th, so that no level shows nothing).
std::array<int32_t, kZoomLevelCount> zoomRatios(double fitRatio);

class ZoomLevels {
 public:
  // The view was fitted at `fitRatio`: the table is remade and the level is 0.
  void refit(double fitRatio);
  int level() const { return level_; }
  bool isFit() const { return level_ == 0; }
  // The current level's ratio in 10000ths.
  int32_t ratio() const { return ratios_[std::size_t(level_)]; }
  int32_t ratioAt(int level) const { return ratios_[std::size_t(level)]; }

  bool canZoomIn() const { return ratio() < ratios_.back(); }
  bool canZoomOut() const { return !isFit() && ratio() > ratios_.front(); }
  // One level up or down when allowed; true when the level changed.
  bool zoomIn();
  bool zoomOut();

 private:
  std::array<int32_t, kZoomLevelCount> ratios_{};
  int level_ = 0;
};

}  // namespace tessaly::app
