// Halving two rows into one: each result byte is the rounded mean of a 2 x 2 cell,
// (a + b + c + d + 2) / 4, for 8-bit grey and 24-bit pixels. The work runs on the widest vector
// instructions the processor has; every way gives the same bytes as the portable loop.
#pragma once

#include <cstdint>

namespace tessaly::tools {

enum class HalvingPath { Portable, Ssse3, Avx2 };

// to[0 .. pixels) from the cells of rows a and b (2 * pixels pixels each); channels is 1 or 3.
void halveRows(unsigned char* to, const unsigned char* a, const unsigned char* b, int32_t pixels,
               int32_t channels);

// The same through one given way; false, doing nothing, when this processor lacks it.
bool halveRowsBy(HalvingPath path, unsigned char* to, const unsigned char* a,
                 const unsigned char* b, int32_t pixels, int32_t channels);

// The way halveRows takes: the widest available unless chosen, so tests can run whole resizes
// through each. Choosing an unavailable way returns false and changes nothing.
HalvingPath halvingPath();
bool chooseHalvingPath(HalvingPath path);
void resetHalvingPath();

}  // namespace tessaly::tools
