#include "crop_rules.h"

#include <cstdint>

namespace tessaly::app {

bool cropPresetOffered(int preset, int ownPreset, QSize picture, int resolutionX, int resolutionY) {
  if (preset == kCustomCropPreset || preset == ownPreset) return true;
  const QSize needed =
      cropPresetPixels(preset, {}, picture.width(), picture.height(), resolutionX, resolutionY);
  return picture.width() >= needed.width() && picture.height() >= needed.height();
}

bool cropMayBeApplied(const QRect& rectangle) {
  if (rectangle.width() <= 0 || rectangle.height() <= 0) return false;
  return rectangle.width() >= kLeastCropSide || rectangle.height() >= kLeastCropSide;
}

PaperSize customCropSize(const QRect& rectangle, int resolutionX, int resolutionY) {
  if (rectangle.width() <= 0 || rectangle.height() <= 0 || resolutionX <= 0 || resolutionY <= 0) {
    return {};
  }
  return {int(int64_t(rectangle.width()) * 100 / resolutionX),
          int(int64_t(rectangle.height()) * 100 / resolutionY)};
}

}  // namespace tessaly::app
