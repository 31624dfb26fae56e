// Colour reduction of 24-bit pixels to at most 256 palette entries: fixed and median-cut
// palettes, the 32 x 32 x 32 lookup cube that maps a pixel to its entry, and the dithering
// methods. Pixels are blue, green, red.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "zanTypes.h"

namespace tessaly::engine {

inline constexpr int32_t kCubeSide = 32;
inline constexpr int32_t kCubeCells = kCubeSide * kCubeSide * kCubeSide;

struct PaletteColour {
  uint8_t blue;
  uint8_t green;
  uint8_t red;
  uint8_t zero;
};

struct ReducedPalette {
  std::array<PaletteColour, 256> entries{};
  int32_t count = 0;
};

// The cell of a pixel, red-major: (red / 8) x 1024 + (green / 8) x 32 + blue / 8.
inline int32_t cubeCell(int32_t red, int32_t green, int32_t blue) {
  return (red >> 3) * 1024 + (green >> 3) * 32 + (blue >> 3);
}

// Grey with the weights 76, 150 and 29, each term rounded on its own.
int32_t greyOf(int32_t red, int32_t green, int32_t blue);

// Counts of pixels per cube cell.
using Histogram = std::vector<int32_t>;
void countPixels(Histogram& histogram, const uint8_t* bgr, int32_t width);

// The fixed palettes 1 (16 colours), 2 (216), 3 (252) and 4 (white, black).
ReducedPalette fixedPalette(int32_t type);

// Median cut over the histogram to at most colours entries (1 to 256); entries come largest
// box first, and boxes holding no pixel give no entry.
ReducedPalette medianCutPalette(const Histogram& histogram, int32_t colours);

// Every cell's nearest entry among the first usable ones (squared distance from the cell's
// corner, lower index on a tie).
std::vector<uint8_t> buildCube(const ReducedPalette& palette, int32_t usable);

// Turns 24-bit rows into palette indices band by band. The error rows of the diffusion methods
// carry over from one band to the next, so the picture is dithered as one piece.
class BandReducer {
 public:
  // ditherType 0 to 5; the two-colour methods (and no dithering with the two-colour palette)
  // need no cube.
  BandReducer(int32_t width, int32_t ditherType, const ReducedPalette& palette,
              std::vector<uint8_t> cube, bool twoColour);

  // Converts rows rows of width pixels starting at picture row y (rows are taken in order, top
  // to bottom, each band right after the previous one).
  void convert(const uint8_t* bgr, int64_t stride, int32_t y, int32_t rows, uint8_t* out,
               int64_t outStride);

 private:
  void plain(const uint8_t* in, uint8_t* out) const;
  void ordered(const uint8_t* in, int32_t y, uint8_t* out) const;
  void diffused(const uint8_t* in, uint8_t* out);
  void orderedTwo(const uint8_t* in, int32_t y, uint8_t* out) const;
  void diffusedTwo(const uint8_t* in, uint8_t* out);
  void dots(const uint8_t* bgr, int64_t stride, int32_t rows, uint8_t* out, int64_t outStride,
            int32_t y) const;
  const PaletteColour& entryAt(int32_t red, int32_t green, int32_t blue) const;
  uint8_t indexAt(int32_t red, int32_t green, int32_t blue) const;

  int32_t width_;
  int32_t dither_;
  ReducedPalette palette_;
  std::vector<uint8_t> cube_;
  bool twoColour_;
  // Errors of the previous row, three channels per pixel with one spare pixel on each side.
  std::vector<int32_t> above_;
  std::vector<int32_t> current_;
};

// A new picture: a clone of picture's properties without layers, 8 bits per pixel, one 8-bit
// layer holding the picture's visible layers composed over white and reduced to 2^bits colours
// with the palette and dithering types. Throws an engine code.
zanHandle reduceColours(zanHandle picture, int32_t bits, int32_t paletteType, int32_t ditherType);

}  // namespace tessaly::engine
