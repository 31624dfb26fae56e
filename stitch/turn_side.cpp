#include "turn_side.h"

#include <algorithm>
#include <cstring>

#include "turn_blocks.h"

namespace tessaly::stitch {

namespace {

inline void movePixel(uint8_t* to, const uint8_t* from) {
  to[0] = from[0];
  to[1] = from[1];
  to[2] = from[2];
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
void turnSidePortable(const tagPixelArray& src, tagPixelArray& dst, const ProgressRange& range) {
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

// The vector ways take bands of 16 output columns (as many source rows) and run along the whole
// length of those source rows: each row is read once, front to back, and the output rows the band
// writes (one partial line each) stay in the second-level cache until the next band fills the
// rest of their lines.
constexpr int32_t kBand = 16;

// Source pixels [x0, x1) of strip rows [k0, k1), one at a time: the edges the blocks leave.
void movePixels(const SideStrip& strip, int k0, int k1, int32_t x0, int32_t x1) {
  for (int32_t x = x0; x < x1; ++x) {
    uint8_t* to = strip.firstOut + x * strip.outStep;
    for (int k = k0; k < k1; ++k)
      movePixel(to + k * 3, strip.rows[k] + static_cast<ptrdiff_t>(x) * 3);
  }
}

void turnSideInBlocks(const tagPixelArray& src, tagPixelArray& dst, int code, TurnWay way,
                      const ProgressRange& range) {
  const int block = way == TurnWay::Avx2 ? 8 : 4;
  auto* const turnStrip = way == TurnWay::Avx2 ? turnStripAvx2 : turnStripSsse3;
  const int32_t blockEnd = src.width / block * block;
  const int32_t bands = (dst.width + kBand - 1) / kBand;
  const uint8_t* rows[kBand];
  // Turn 1 sends source column x to output row (width - 1 - x), turn 3 to row x.
  const SideStrip whole{rows, 0, rowOf(dst, code == 1 ? dst.height - 1 : 0),
                        code == 1 ? -static_cast<ptrdiff_t>(dst.bytesPerLine) : dst.bytesPerLine};
  for (int32_t band = 0; band < bands; ++band) {
    range.at(static_cast<double>(band) / bands);
    const int32_t c0 = band * kBand;
    const int columns = std::min(kBand, dst.width - c0);
    for (int k = 0; k < columns; ++k)
      rows[k] = rowOf(src, code == 1 ? c0 + k : src.height - 1 - c0 - k);
    SideStrip strip = whole;
    strip.count = columns / block * block;
    strip.firstOut += static_cast<ptrdiff_t>(c0) * 3;
    if (strip.count > 0) turnStrip(strip, 0, blockEnd);
    movePixels(strip, 0, strip.count, blockEnd, src.width);
    movePixels(strip, strip.count, columns, 0, src.width);
  }
  range.at(1.0);
}

}  // namespace

bool turnWayAvailable(TurnWay way) {
  switch (way) {
    case TurnWay::Avx2:
      return haveAvx2Blocks();
    case TurnWay::Ssse3:
      return haveSsse3Blocks();
    default:
      return true;
  }
}

TurnWay fastestTurnWay() {
  static const TurnWay fastest = turnWayAvailable(TurnWay::Avx2)    ? TurnWay::Avx2
                                 : turnWayAvailable(TurnWay::Ssse3) ? TurnWay::Ssse3
                                                                    : TurnWay::Portable;
  return fastest;
}

void turnSide(const tagPixelArray& src, tagPixelArray& dst, int code, TurnWay way,
              const ProgressRange& range) {
  if (way != TurnWay::Portable && turnWayAvailable(way))
    turnSideInBlocks(src, dst, code, way, range);
  else if (code == 1)
    turnSidePortable<1>(src, dst, range);
  else
    turnSidePortable<3>(src, dst, range);
}

}  // namespace tessaly::stitch
