#include "turn.h"

#include <algorithm>
#include <cstring>

#include "errors.h"
#include "turn_side.h"

namespace tessaly::stitch {

namespace {

constexpr int kTile = 16;
// Each buffer row has slack for the fourth byte of a 4-byte pixel move.
constexpr int kBufferPitch = kTile * 3 + 4;

// One tile of output rows [r0, r0 + rows) and columns [c0, c0 + columns).
struct Tile {
  int32_t r0, c0;
  int rows, columns;
};

// Moves one 3-byte pixel. The 4-byte form is faster but also writes the byte after the pixel
// and reads the byte after the source pixel, so it is used only where both are known to exist.
inline void movePixel(uint8_t* to, const uint8_t* from) {
  to[0] = from[0];
  to[1] = from[1];
  to[2] = from[2];
}
inline void movePixelWide(uint8_t* to, const uint8_t* from) {
  uint32_t v;
  std::memcpy(&v, from, 4);
  std::memcpy(to, &v, 4);
}

// Source position of output pixel (r, c) for each turn code (the elementary turn and its
// repeats): returns the source row and column.
template <int Code>
inline void sourceOf(int32_t r, int32_t c, int32_t width, int32_t height, int32_t& row,
                     int32_t& col) {
  if constexpr (Code == 1) {
    row = c;
    col = width - 1 - r;
  } else if constexpr (Code == 2) {
    row = height - 1 - r;
    col = width - 1 - c;
  } else {
    row = height - 1 - c;
    col = r;
  }
}

// Gathers a tile in the turned order into buffer. The loops run along source rows (k for turns
// 1 and 3, t for turn 2) so the source is read in short contiguous runs; buffer rows are filled
// in ascending column order so each wide move's extra byte is overwritten by the next pixel.
template <int Code, bool Wide>
void gather(const tagPixelArray& src, const Tile& tile, uint8_t* buffer) {
  // Along one source run the source advances by `step` bytes while the buffer advances by
  // `bufferStep`: a run is a source row segment, read contiguously.
  constexpr bool runsAlongColumns = Code != 2;  // turns 1 and 3: a source row fills a buffer column
  const int runs = runsAlongColumns ? tile.columns : tile.rows;
  const int length = runsAlongColumns ? tile.rows : tile.columns;
  constexpr ptrdiff_t step = Code == 3 ? 3 : -3;
  constexpr ptrdiff_t bufferStep = runsAlongColumns ? kBufferPitch : 3;
  for (int run = 0; run < runs; ++run) {
    int32_t row, col;
    if constexpr (runsAlongColumns)
      sourceOf<Code>(tile.r0, tile.c0 + run, src.width, src.height, row, col);
    else
      sourceOf<Code>(tile.r0 + run, tile.c0, src.width, src.height, row, col);
    const uint8_t* from = rowOf(src, row) + static_cast<ptrdiff_t>(col) * 3;
    uint8_t* to = buffer + (runsAlongColumns ? run * 3 : run * kBufferPitch);
    for (int i = 0; i < length; ++i, from += step, to += bufferStep) {
      if constexpr (Wide)
        movePixelWide(to, from);
      else
        movePixel(to, from);
    }
  }
}

// True when no source pixel of the tile is the last of its row, so a 4-byte read stays inside
// the row's bytes.
template <int Code>
bool wideReadsSafe(const tagPixelArray& src, const Tile& tile) {
  int32_t row, col1, col2;
  sourceOf<Code>(tile.r0, tile.c0, src.width, src.height, row, col1);
  sourceOf<Code>(tile.r0 + tile.rows - 1, tile.c0 + tile.columns - 1, src.width, src.height, row,
                 col2);
  return std::max(col1, col2) < src.width - 1;
}

template <int Code>
void turnTile(const tagPixelArray& src, tagPixelArray& dst, const Tile& tile) {
  uint8_t buffer[kTile * kBufferPitch];
  if (wideReadsSafe<Code>(src, tile))
    gather<Code, true>(src, tile, buffer);
  else
    gather<Code, false>(src, tile, buffer);
  for (int t = 0; t < tile.rows; ++t) {
    std::memcpy(rowOf(dst, tile.r0 + t) + static_cast<ptrdiff_t>(tile.c0) * 3,
                buffer + t * kBufferPitch, static_cast<size_t>(tile.columns) * 3);
  }
}

template <int Code>
void turnAll(const tagPixelArray& src, tagPixelArray& dst, const ProgressRange& range) {
  const int32_t bands = (dst.height + kTile - 1) / kTile;
  for (int32_t band = 0; band < bands; ++band) {
    range.at(static_cast<double>(band) / bands);
    const int32_t r0 = band * kTile;
    const int rows = std::min(kTile, dst.height - r0);
    for (int32_t c0 = 0; c0 < dst.width; c0 += kTile) {
      turnTile<Code>(src, dst, {r0, c0, rows, std::min(kTile, dst.width - c0)});
    }
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
  switch (code) {
    case 2:
      turnAll<2>(image, *out, range);
      break;
    default:
      turnSide(image, *out, code, way, range);
      break;
  }
  return out;
}

}  // namespace tessaly::stitch
