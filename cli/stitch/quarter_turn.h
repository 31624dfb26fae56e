// Turning a piece by quarter turns to the left, band by band, so that a turn never needs the
// whole source and the whole result in memory together.
#pragma once

#include <cstdint>

#include "QuiltexEngine.h"

namespace stitchcli {

// The size of a width x height picture after `turns` quarter turns.
void turnedSize(int32_t width, int32_t height, int turns, int32_t& turnedWidth,
                int32_t& turnedHeight);

// Places a band of source rows into `target`, the whole source (sourceWidth x sourceHeight)
// turned `turns` (1 to 3) times to the left. The band holds `rows` rows starting at source row
// `firstRow`, each `bandStride` bytes apart. One quarter turn makes target row r, column c from
// source row c, column (sourceWidth - 1 - r).
void turnBandInto(const uint8_t* band, int32_t bandStride, int32_t firstRow, int32_t rows,
                  int32_t sourceWidth, int32_t sourceHeight, int turns, tagPixelArray& target);

// Turns the image upside down where it lies.
void turnHalfInPlace(tagPixelArray& image);

}  // namespace stitchcli
