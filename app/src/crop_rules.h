// The crop tool's rules: which presets it offers for a picture, when a rectangle may be
// applied, and the custom size a rectangle stands for.
#pragma once

#include <QRect>
#include <QSize>

#include "crop_presets.h"

namespace tessaly::app {

// Rectangles narrower and lower than this (pixels) are too small to crop to.
constexpr int kLeastCropSide = 500;

// The custom size is always offered; a paper size when it is the picture's own (`ownPreset`)
// or when its rectangle fits the picture uncut.
bool cropPresetOffered(int preset, int ownPreset, QSize picture, int resolutionX, int resolutionY);

// A rectangle may be applied when it holds pixels and is at least kLeastCropSide wide or high;
// an empty one never, whatever its length.
bool cropMayBeApplied(const QRect& rectangle);

// The rectangle's size in hundredths of an inch, each side at its own direction's resolution.
PaperSize customCropSize(const QRect& rectangle, int resolutionX, int resolutionY);

}  // namespace tessaly::app
