// Register transposes of 24-bit pixel blocks for the side quarter turns (turn_side.h), and
// register reversals of rows for the half turn.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessaly::stitch {

// A strip of source rows on its way to output columns: source pixel x of rows[k] goes to output
// pixel k of the row at firstOut + x * outStep.
struct SideStrip {
  const uint8_t* const* rows;
  int count;
  uint8_t* firstOut;
  ptrdiff_t outStep;
};

// Turn source pixels [x0, x1) of every row of strip. count and x1 - x0 must be multiples of 4
// for the SSSE3 way and of 8 for the AVX2 way. Every load and store stays inside the pixels
// named, so neither touches padding or bytes past an image. Call one only when the processor has
// its instructions.
void turnStripSsse3(const SideStrip& strip, int32_t x0, int32_t x1);
void turnStripAvx2(const SideStrip& strip, int32_t x0, int32_t x1);

// to[i] = from[pixels - 1 - i] for 3-byte pixels i in [0, pixels): a row of the half turn. Loads
// and stores stay inside the pixels named. Same conditions as above.
void reverseRowSsse3(const uint8_t* from, uint8_t* to, int32_t pixels);
void reverseRowAvx2(const uint8_t* from, uint8_t* to, int32_t pixels);

// Whether this processor (and this build) has the instructions of each way.
bool haveSsse3Blocks();
bool haveAvx2Blocks();

}  // namespace tessaly::stitch
