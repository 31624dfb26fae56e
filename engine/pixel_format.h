// Pixel formats of the engine: 1, 8, 16, 24 or 48 bits per pixel, rows top to bottom, 24-bit
// pixels blue, green, red; and how a 32-bit fill value spreads over a pixel.
#pragma once

#include <cstdint>

namespace tessaly::engine {

bool isValidBpp(int32_t bitsPerPixel);

// 1 below 9 bits per pixel (1-bit pixels take a byte each), otherwise (bits + 7) / 8.
int32_t bytesPerPixel(int32_t bitsPerPixel);

// (bytes per pixel x width + 3) rounded down to a multiple of 4; -1 when it does not fit in 32
// bits.
int64_t rowStride(int32_t bitsPerPixel, int64_t width);

// Fills count pixels starting at row with the fill value: below 9 bits and at 16 bits every byte
// gets bits 0 to 7; at 24 bits the bytes get bits 16 to 23, 8 to 15 and 0 to 7; at 48 bits bytes
// 0, 2 and 4 get those three parts and bytes 1, 3 and 5 keep theirs. Inside a block (inBlock), a
// 48-bit value with three equal parts sets every byte to that part.
void fillPixels(unsigned char* row, int64_t count, int32_t bitsPerPixel, int32_t value,
                bool inBlock);

// Fills height rows of count pixels, rows stride bytes apart.
void fillArea(unsigned char* first, int64_t stride, int64_t count, int64_t height,
              int32_t bitsPerPixel, int32_t value, bool inBlock);

}  // namespace tessaly::engine
