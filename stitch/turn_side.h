// Side quarter turns (codes 1 and 3) of 24-bit images, in the ways this processor can run them.
//
// A side turn makes every source row an output column. The vector ways read a strip of source
// rows along their length and turn 4 x 4 (SSSE3) or 8 x 8 (AVX2) pixel blocks in registers: the
// 3-byte pixels are spread to 4 bytes, transposed as 32-bit lanes and packed again, so each
// output row receives whole runs of pixels. The portable way moves pixels one at a time.
#pragma once

#include "pixel_array.h"
#include "progress.h"

namespace tessaly::stitch {

enum class TurnWay { Portable, Ssse3, Avx2 };

// True when this processor runs way (the portable way always).
bool turnWayAvailable(TurnWay way);

// The fastest way this processor runs, chosen once.
TurnWay fastestTurnWay();

// Writes into dst (already turned in size: src.height x src.width) the turn of src by code (1 or
// 3) the given way, which must be available. Reports once per band of 16 output columns.
void turnSide(const tagPixelArray& src, tagPixelArray& dst, int code, TurnWay way,
              const ProgressRange& range);

}  // namespace tessaly::stitch
