// What the ordering search knows about each piece: the gradient image of its miniature in all
// four quarter turns, and two quick looks at how much structure the piece has.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "pixel_array.h"

namespace tessaly::stitch {

// A gradient image with a summed-area table of its bytes, so that the mean of any rectangle
// costs four look-ups instead of a pass over the rectangle.
struct GradientFeatures {
  ImagePtr gradient;
  // (width + 1) x (height + 1) entries; entry (x, y) is the sum of every byte (all three
  // channels) of the pixels left of column x and above row y.
  std::vector<uint64_t> sums;

  int32_t width() const { return gradient->width; }
  int32_t height() const { return gradient->height; }
  // Sum of every byte of the pixels in columns [x0, x1) and rows [y0, y1).
  uint64_t sumOf(int32_t x0, int32_t y0, int32_t x1, int32_t y1) const;
};

// One piece prepared for matching: entry t is the gradient image turned by t quarter turns.
struct PieceFeatures {
  std::array<GradientFeatures, 4> turns;
};

// How many pixels come off every side of a miniature before its gradient is taken: the scan's
// outermost rows and columns are often darkened by the scanner lid or the paper edge.
int32_t cropMargin(int32_t width, int32_t height);

// The inner part of image without `margin` pixels on every side.
ImagePtr cropped(const tagPixelArray& image, int32_t margin);

// Per pixel and channel, (|gx| + |gy|) / 2 of the 3 x 3 Sobel responses with coordinates
// clamped to the image, capped at 254.
ImagePtr gradientImage(const tagPixelArray& image);

// Adds the summed-area table to a gradient image.
GradientFeatures withSums(ImagePtr gradient);

// True when the gradient has a run of flat columns longer than 0.36 of the width or of flat rows
// longer than 0.36 of the height (flat: the mean of every channel at most 15): the piece holds a
// large blank band, such as an empty margin.
bool hasBlankBand(const tagPixelArray& gradient);

// True when the gradient along the piece's borders shows structure: the mean gradient of the
// border strips (a twentieth of the size deep) on the weaker of the two axes, or on the stronger
// side of it when its two strips are alike, exceeds 6.
bool hasBorderStructure(const tagPixelArray& gradient);

// The features of one miniature: cropped, its gradient taken and turned three times. The
// unturned gradient is turns[0].
PieceFeatures prepareFeatures(const tagPixelArray& miniature);

}  // namespace tessaly::stitch
