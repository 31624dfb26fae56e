// Turning 24-bit pictures by quarter turns to the left, the one way the command-line programs
// turn pixels. The turn is placed band by band, so that a caller whose source comes in pieces
// (the stitcher reads a parked piece back in bands) never holds the whole source and the whole
// result together; a caller with the whole source passes it as one band.
#pragma once

#include <cstdint>

namespace tessaly::cli {

// The size of a width x height picture after `turns` quarter turns.
void turnedSize(int32_t width, int32_t height, int turns, int32_t& turnedWidth,
                int32_t& turnedHeight);

// Rows of 24-bit pixels: the first row's first byte and the bytes from one row to the next.
struct PixelRows {
  uint8_t* bytes = nullptr;
  int32_t stride = 0;
};

// Places a band of source rows into `target`, the whole source (sourceWidth x sourceHeight)
// turned `turns` (1 to 3) times to the left. The band holds `rows` rows starting at source row
// `firstRow`, each `bandStride` bytes apart. One quarter turn makes target row r, column c from
// source row c, column (sourceWidth - 1 - r).
void turnBandInto(const uint8_t* band, int32_t bandStride, int32_t firstRow, int32_t rows,
                  int32_t sourceWidth, int32_t sourceHeight, int turns, PixelRows target);

// Turns a width x height picture upside down where it lies.
void turnHalfInPlace(PixelRows image, int32_t width, int32_t height);

}  // namespace tessaly::cli
