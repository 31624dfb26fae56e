#include "turn.h"

#include <algorithm>
#include <cstring>

#include "errors.h"

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

// Side turns (1 and 3) work on blocks of kSideColumns output columns (as many source rows) by
// kSideRows output rows (as many source columns). Output rows go four at a time: one 12-byte read
// of a source row holds a pixel for each of the four, so a source row is read in whole runs while
// four output rows are written along. The next block's source bytes are asked for ahead of time:
// consecutive reads go down the source's columns, a pattern the hardware prefetcher does not
// follow.
constexpr int32_t kSideColumns = 16;
constexpr int32_t kSideRows = 64;

// The source column that output row r comes from.
template <int Code>
inline int32_t sideColumnOf(const tagPixelArray& src, int32_t r) {
  return Code == 1 ? src.width - 1 - r : r;
}

// Output rows [r, r + rows) of output columns [c0, c0 + columns), one pixel at a time.
template <int Code>
void turnSideRows(const tagPixelArray& src, tagPixelArray& dst, int32_t r, int32_t rows, int32_t c0,
                  int32_t columns) {
  for (int32_t row = r; row < r + rows; ++row) {
    const ptrdiff_t from = static_cast<ptrdiff_t>(sideColumnOf<Code>(src, row)) * 3;
    uint8_t* to = rowOf(dst, row) + static_cast<ptrdiff_t>(c0) * 3;
    for (int32_t k = 0; k < columns; ++k) {
      const int32_t c = c0 + k;
      movePixel(to + k * 3, rowOf(src, Code == 1 ? c : src.height - 1 - c) + from);
    }
  }
}

// Output rows [r, r + 4) of output columns [c0, c0 + columns). Every pixel but the last is written
// as 4 bytes, the fourth overwritten by the next pixel; `wideColumns` is how many may be.
template <int Code>
void turnSideFour(const tagPixelArray& src, tagPixelArray& dst, int32_t r, int32_t c0,
                  int32_t columns, int32_t wideColumns) {
  // The four source pixels lie side by side: the lowest column first.
  const int32_t lowest = Code == 1 ? src.width - 4 - r : r;
  const ptrdiff_t step = Code == 1 ? src.bytesPerLine : -static_cast<ptrdiff_t>(src.bytesPerLine);
  const uint8_t* from = rowOf(src, Code == 1 ? c0 : src.height - 1 - c0) + lowest * 3;
  uint8_t* to[4];
  for (int j = 0; j < 4; ++j)
    to[j] = rowOf(dst, Code == 1 ? r + 3 - j : r + j) + static_cast<ptrdiff_t>(c0) * 3;
  int32_t k = 0;
  for (; k < wideColumns; ++k, from += step) {
    uint64_t low;
    uint32_t high;
    std::memcpy(&low, from, 8);
    std::memcpy(&high, from + 8, 4);
    const uint32_t pixels[4] = {static_cast<uint32_t>(low), static_cast<uint32_t>(low >> 24),
                                static_cast<uint32_t>(low >> 48) | (high << 16), high >> 8};
    for (int j = 0; j < 4; ++j) std::memcpy(to[j] + k * 3, &pixels[j], 4);
  }
  for (; k < columns; ++k, from += step) {
    for (int j = 0; j < 4; ++j) movePixel(to[j] + k * 3, from + j * 3);
  }
}

template <int Code>
void prefetchSideBlock(const tagPixelArray& src, int32_t c0, int32_t columns, int32_t r0,
                       int32_t r1) {
  const int32_t lowest = Code == 1 ? src.width - r1 : r0;
  const int32_t bytes = (r1 - r0) * 3;
  for (int32_t k = 0; k < columns; ++k) {
    const int32_t c = c0 + k;
    const uint8_t* at = rowOf(src, Code == 1 ? c : src.height - 1 - c) + lowest * 3;
    for (int32_t b = 0; b < bytes; b += 64) __builtin_prefetch(at + b);
  }
}

template <int Code>
void turnSide(const tagPixelArray& src, tagPixelArray& dst, const ProgressRange& range) {
  const int32_t bands = (dst.width + kSideColumns - 1) / kSideColumns;
  for (int32_t band = 0; band < bands; ++band) {
    range.at(static_cast<double>(band) / bands);
    const int32_t c0 = band * kSideColumns;
    const int32_t columns = std::min(kSideColumns, dst.width - c0);
    // The last pixel of an output row is written as 3 bytes: the byte after it is padding or
    // past the image.
    const int32_t wideColumns = c0 + columns == dst.width ? columns - 1 : columns;
    for (int32_t r0 = 0; r0 < dst.height; r0 += kSideRows) {
      const int32_t r1 = std::min(dst.height, r0 + kSideRows);
      if (r1 < dst.height)
        prefetchSideBlock<Code>(src, c0, columns, r1, std::min(dst.height, r1 + kSideRows));
      int32_t r = r0;
      for (; r + 4 <= r1; r += 4) turnSideFour<Code>(src, dst, r, c0, columns, wideColumns);
      turnSideRows<Code>(src, dst, r, r1 - r, c0, columns);
    }
  }
  range.at(1.0);
}

}  // namespace

ImagePtr quarterTurn(const tagPixelArray& image, int code, const ProgressRange& range) {
  if (code < 1 || code > 3) fail(QX_ERR_INPUT);
  const bool swaps = code != 2;
  ImagePtr out = makeImage(swaps ? image.height : image.width, swaps ? image.width : image.height,
                           Fill::PaddingOnly);
  switch (code) {
    case 1:
      turnSide<1>(image, *out, range);
      break;
    case 2:
      turnAll<2>(image, *out, range);
      break;
    default:
      turnSide<3>(image, *out, range);
      break;
  }
  return out;
}

}  // namespace tessaly::stitch
