#include "crop_presets.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

namespace tessaly::app {
namespace {

constexpr std::array<PaperSize, kCropPresetCount> kPaperSizes{{
    {0, 0},  // the custom size lives in the settings
    {1170, 1650},
    {850, 1400},
    {1200, 1200},
}};

// A picture matches a paper when both sides are within 1.5 inches.
constexpr int kMatchTolerance = 150;
constexpr int kDefaultCustomSide = 1200;

bool near(int a, int b) {
  return std::abs(a - b) < kMatchTolerance;
}

int pixelsOf(int hundredths, int resolution) {
  return int(int64_t(hundredths) * resolution / 100);
}

}  // namespace

PaperSize cropPresetSize(int preset) {
  if (preset < 1 || preset >= kCropPresetCount) return {};
  return kPaperSizes[size_t(preset)];
}

int pictureCropPreset(int width, int height, int resolutionX, int resolutionY) {
  if (width <= 0 || height <= 0 || resolutionX <= 0 || resolutionY <= 0) return kCustomCropPreset;
  const int across = int(int64_t(width) * 100 / resolutionX);
  const int down = int(int64_t(height) * 100 / resolutionY);
  for (int preset = 1; preset < kCropPresetCount; ++preset) {
    const PaperSize paper = kPaperSizes[size_t(preset)];
    if ((near(across, paper.width) && near(down, paper.height)) ||
        (near(across, paper.height) && near(down, paper.width))) {
      return preset;
    }
  }
  return kCustomCropPreset;
}

QSize cropPresetPixels(int preset, PaperSize custom, int width, int height, int resolutionX,
                       int resolutionY) {
  if (preset < 1 || preset >= kCropPresetCount) {
    const int across = custom.width > 0 ? custom.width : kDefaultCustomSide;
    const int down = custom.height > 0 ? custom.height : kDefaultCustomSide;
    return {pixelsOf(across, resolutionX), pixelsOf(down, resolutionY)};
  }
  const PaperSize paper = kPaperSizes[size_t(preset)];
  const double aspect = height > 0 ? double(width) / height : 1.0;
  const double portrait = double(paper.width) / paper.height;
  const double landscape = double(paper.height) / paper.width;
  // Each side is measured with the resolution of its own direction, in either orientation.
  if (std::fabs(aspect - landscape) >= std::fabs(aspect - portrait)) {
    return {pixelsOf(paper.width, resolutionX), pixelsOf(paper.height, resolutionY)};
  }
  return {pixelsOf(paper.height, resolutionX), pixelsOf(paper.width, resolutionY)};
}

QRect cropPresetRectangle(int preset, PaperSize custom, int width, int height, int resolutionX,
                          int resolutionY) {
  if (width <= 0 || height <= 0) return {};
  const QSize full = cropPresetPixels(preset, custom, width, height, resolutionX, resolutionY);
  const int across = std::clamp(full.width(), 0, width);
  const int down = std::clamp(full.height(), 0, height);
  return {(width - across) / 2, (height - down) / 2, across, down};
}

}  // namespace tessaly::app
