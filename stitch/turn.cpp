#include "turn.h"

#include <cstring>

#include "errors.h"
#include "turn_blocks.h"
#include "turn_side.h"

namespace tessaly::stitch {

namespace {

// The half turn reverses each row into its mirror row: source and output are both read and
// written front to back, a row at a time, so no blocking is needed.
constexpr int32_t kHalfTurnBand = 16;

void reverseRowPortable(const uint8_t* from, uint8_t* to, int32_t pixels) {
  for (int32_t i = 0; i < pixels; ++i) std::memcpy(to + i * 3, from + (pixels - 1 - i) * 3, 3);
}

void turnHalf(const tagPixelArray& src, tagPixelArray& dst, TurnWay way,
              const ProgressRange& range) {
  auto* const reverseRow = !turnWayAvailable(way)  ? reverseRowPortable
                           : way == TurnWay::Avx2  ? reverseRowAvx2
                           : way == TurnWay::Ssse3 ? reverseRowSsse3
                                                   : reverseRowPortable;
  for (int32_t r = 0; r < dst.height; ++r) {
    if (r % kHalfTurnBand == 0)
      range.at(static_cast<double>(r / kHalfTurnBand) /
               ((dst.height + kHalfTurnBand - 1) / kHalfTurnBand));
    reverseRow(rowOf(src, src.height - 1 - r), rowOf(dst, r), dst.width);
  }
  range.at(1.0);
}

}  // namespace

ImagePtr quarterTurn(const tagPixelArray& image, int code, const ProgressRange& range) {
  return quarterTurn(image, code, fastestTurnWay(), range);
}

ImagePtr quarterTurn(const tagPixelArray& image, int code, TurnWay way,
                     const ProgressRange& range) {
  if (code < 1 || code > 3) fail(QX_ERR_INPUT);
  const bool swaps = code != 2;
  ImagePtr out = makeImage(swaps ? image.height : image.width, swaps ? image.width : image.height,
                           Fill::PaddingOnly);
  if (code == 2)
    turnHalf(image, *out, way, range);
  else
    turnSide(image, *out, code, way, range);
  return out;
}

}  // namespace tessaly::stitch
