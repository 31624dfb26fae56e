// The paper sizes the crop tool offers, and which of them a picture already has.
#pragma once

#include <QRect>

namespace tessaly::app {

// Preset 0 is the custom size kept in the settings; 1 to 3 are paper sizes.
constexpr int kCropPresetCount = 4;
constexpr int kCustomCropPreset = 0;

struct PaperSize {
  int width = 0;  // hundredths of an inch
  int height = 0;
};

// The paper size of presets 1 to 3.
PaperSize cropPresetSize(int preset);

// The first preset (1 to 3) whose paper a picture of width x height pixels at the given pixels
// per inch matches within 1.5 inches in either orientation; 0 when none does.
int pictureCropPreset(int width, int height, int resolutionX, int resolutionY);

// The size in pixels the rectangle of `preset` (0 = the custom size `custom`) has on a width x
// height picture before it is cut to the picture: in the orientation closest to the picture's.
// A custom side that is not positive counts as 12 inches.
QSize cropPresetPixels(int preset, PaperSize custom, int width, int height, int resolutionX,
                       int resolutionY);

// The crop rectangle of `preset` (0 = the custom size `custom`) on a width x height picture:
// in the orientation closest to the picture's, cut to the picture, centred.
QRect cropPresetRectangle(int preset, PaperSize custom, int width, int height, int resolutionX,
                          int resolutionY);

}  // namespace tessaly::app
