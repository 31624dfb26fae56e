#include "turn.h"

#include <algorithm>
#include <cstring>

#include "errors.h"

namespace qx {

namespace {

constexpr int kTile = 16;

// Where output pixel (r, c) of a turn reads from in the source: row = r0 + r*dRowR + c*dRowC,
// column = c0 + r*dColR + c*dColC.
struct Mapping {
  int32_t row0, rowPerR, rowPerC;
  int32_t col0, colPerR, colPerC;
};

Mapping mappingFor(int code, int32_t width, int32_t height) {
  switch (code) {
    case 1: return {0, 0, 1, width - 1, -1, 0};
    case 2: return {height - 1, -1, 0, width - 1, 0, -1};
    default: return {height - 1, 0, -1, 0, 1, 0};  // code 3
  }
}

// Gathers one tile of rows x columns output pixels starting at output (r0, c0) into buffer,
// then writes it to the output row by row.
void turnTile(const tagPixelArray& src, tagPixelArray& dst, const Mapping& m, int32_t r0,
              int32_t c0, int rows, int columns) {
  uint8_t buffer[kTile * kTile * 3];
  const ptrdiff_t stride = src.bytesPerLine;
  for (int r = 0; r < rows; ++r) {
    const int32_t outR = r0 + r;
    int32_t srcRow = m.row0 + outR * m.rowPerR + c0 * m.rowPerC;
    int32_t srcCol = m.col0 + outR * m.colPerR + c0 * m.colPerC;
    const ptrdiff_t step = m.rowPerC * stride + m.colPerC * 3;
    const uint8_t* from = src.bits + srcRow * stride + srcCol * 3;
    uint8_t* to = buffer + r * kTile * 3;
    for (int c = 0; c < columns; ++c, from += step, to += 3) {
      to[0] = from[0];
      to[1] = from[1];
      to[2] = from[2];
    }
  }
  for (int r = 0; r < rows; ++r) {
    std::memcpy(rowOf(dst, r0 + r) + static_cast<ptrdiff_t>(c0) * 3, buffer + r * kTile * 3,
                static_cast<size_t>(columns) * 3);
  }
}

}  // namespace

ImagePtr quarterTurn(const tagPixelArray& image, int code, const ProgressRange& range) {
  if (code < 1 || code > 3) fail(QX_ERR_INPUT);
  const bool swaps = code != 2;
  const int32_t outWidth = swaps ? image.height : image.width;
  const int32_t outHeight = swaps ? image.width : image.height;
  ImagePtr out = makeImage(outWidth, outHeight, Fill::PaddingOnly);
  const Mapping m = mappingFor(code, image.width, image.height);

  const int32_t bands = (outHeight + kTile - 1) / kTile;
  for (int32_t band = 0; band < bands; ++band) {
    range.at(static_cast<double>(band) / bands);
    const int32_t r0 = band * kTile;
    const int rows = std::min(kTile, outHeight - r0);
    for (int32_t c0 = 0; c0 < outWidth; c0 += kTile) {
      turnTile(image, *out, m, r0, c0, rows, std::min(kTile, outWidth - c0));
    }
  }
  range.at(1.0);
  return out;
}

}  // namespace qx
