// Pixel arrays handed to the engine: the record and its rows in one block of fresh memory,
// returned to the system as a whole when the engine hands the image back.
#pragma once

#include <cstdint>

#include "QuiltexEngine.h"

namespace tessaly::cli::stitch {

// The engine's row length for a 24-bit picture of this width: a multiple of 4 bytes.
int64_t rowBytesFor(int32_t width);

// A zero-filled width x height array, or null when the size is not positive, too large for the
// record's fields, or memory is short.
tagPixelArray* allocatePixelArray(int32_t width, int32_t height);

// Frees an array made by allocatePixelArray; null does nothing.
void freePixelArray(tagPixelArray* image);

}  // namespace tessaly::cli::stitch
