#include "turn_blocks.h"

#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define TESSALY_TURN_BLOCKS 1
#endif

namespace tessaly::stitch {

#ifdef TESSALY_TURN_BLOCKS
namespace {

#define SSSE3_TARGET __attribute__((target("ssse3")))
#define AVX2_TARGET __attribute__((target("avx2")))

// The strips below walk their source columns in the order that writes output rows top to bottom
// (for turn 1, from the right end of the source rows): the rows each band writes are then met in
// ascending addresses, which the processor's prefetching serves far better than descending ones.

// Byte shuffles between 3-byte pixels and 4-byte lanes (the fourth byte of a lane is zero and
// never stored).
#define SPREAD_FOUR 0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1
#define PACK_FOUR 0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1

// Four pixels (12 bytes) as four 32-bit lanes.
SSSE3_TARGET inline __m128i loadFour(const uint8_t* from) {
  uint32_t last;
  std::memcpy(&last, from + 8, 4);
  const __m128i bytes = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(from)),
                                           _mm_cvtsi32_si128(last));
  return _mm_shuffle_epi8(bytes, _mm_setr_epi8(SPREAD_FOUR));
}

SSSE3_TARGET inline void storeFour(uint8_t* to, __m128i lanes) {
  const __m128i bytes = _mm_shuffle_epi8(lanes, _mm_setr_epi8(PACK_FOUR));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(to), bytes);
  const uint32_t last = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(bytes, 8)));
  std::memcpy(to + 8, &last, 4);
}

// Source rows[0..4) at pixel x to output pixels 0..3 of the rows of source columns x..x+3.
SSSE3_TARGET inline void turnFour(const uint8_t* const* rows, ptrdiff_t at, uint8_t* to,
                                  ptrdiff_t outStep) {
  const __m128i r0 = loadFour(rows[0] + at), r1 = loadFour(rows[1] + at);
  const __m128i r2 = loadFour(rows[2] + at), r3 = loadFour(rows[3] + at);
  const __m128i t0 = _mm_unpacklo_epi32(r0, r1), t1 = _mm_unpackhi_epi32(r0, r1);
  const __m128i t2 = _mm_unpacklo_epi32(r2, r3), t3 = _mm_unpackhi_epi32(r2, r3);
  storeFour(to, _mm_unpacklo_epi64(t0, t2));
  storeFour(to + outStep, _mm_unpackhi_epi64(t0, t2));
  storeFour(to + 2 * outStep, _mm_unpacklo_epi64(t1, t3));
  storeFour(to + 3 * outStep, _mm_unpackhi_epi64(t1, t3));
}

SSSE3_TARGET void stripSsse3(const SideStrip& strip, int32_t x0, int32_t x1) {
  const bool down = strip.outStep < 0;
  for (int32_t i = 0; i < x1 - x0; i += 4) {
    const int32_t x = down ? x1 - 4 - i : x0 + i;
    const ptrdiff_t at = static_cast<ptrdiff_t>(x) * 3;
    uint8_t* to = strip.firstOut + x * strip.outStep;
    for (int k = 0; k < strip.count; k += 4)
      turnFour(strip.rows + k, at, to + k * 3, strip.outStep);
  }
}

// Eight pixels (24 bytes) as eight 32-bit lanes: the low half from bytes 0..15, the high half
// from bytes 8..23, so the loads end exactly at the last pixel.
AVX2_TARGET inline __m256i loadEight(const uint8_t* from) {
  const __m256i bytes = _mm256_inserti128_si256(
      _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(from))),
      _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 8)), 1);
  return _mm256_shuffle_epi8(bytes, _mm256_setr_epi8(SPREAD_FOUR, 4, 5, 6, -1, 7, 8, 9, -1, 10, 11,
                                                     12, -1, 13, 14, 15, -1));
}

// Packs each half's four pixels to 12 bytes, closes the gap between the halves and stores the
// 24 bytes.
AVX2_TARGET inline void storeEight(uint8_t* to, __m256i lanes) {
  const __m256i halves = _mm256_shuffle_epi8(lanes, _mm256_setr_epi8(PACK_FOUR, PACK_FOUR));
  const __m256i bytes =
      _mm256_permutevar8x32_epi32(halves, _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 7, 7));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm256_castsi256_si128(bytes));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(to + 16), _mm256_extracti128_si256(bytes, 1));
}

// Source rows[0..8) at pixel x to output pixels 0..7 of the rows of source columns x..x+7.
AVX2_TARGET inline void turnEight(const uint8_t* const* rows, ptrdiff_t at, uint8_t* to,
                                  ptrdiff_t outStep) {
  __m256i r[8];
  for (int k = 0; k < 8; ++k) r[k] = loadEight(rows[k] + at);
  // Pairs of rows interleaved, then pairs of pairs: each 128-bit half then holds one source
  // column of four rows.
  __m256i t[8], u[8];
  for (int k = 0; k < 8; k += 2) {
    t[k] = _mm256_unpacklo_epi32(r[k], r[k + 1]);
    t[k + 1] = _mm256_unpackhi_epi32(r[k], r[k + 1]);
  }
  for (int k = 0; k < 8; k += 4) {
    u[k] = _mm256_unpacklo_epi64(t[k], t[k + 2]);
    u[k + 1] = _mm256_unpackhi_epi64(t[k], t[k + 2]);
    u[k + 2] = _mm256_unpacklo_epi64(t[k + 1], t[k + 3]);
    u[k + 3] = _mm256_unpackhi_epi64(t[k + 1], t[k + 3]);
  }
  // Halves of rows 0..3 and 4..7 joined: low halves are columns 0..3, high halves 4..7.
  for (int j = 0; j < 4; ++j) {
    storeEight(to + j * outStep, _mm256_permute2x128_si256(u[j], u[j + 4], 0x20));
    storeEight(to + (j + 4) * outStep, _mm256_permute2x128_si256(u[j], u[j + 4], 0x31));
  }
}

AVX2_TARGET void stripAvx2(const SideStrip& strip, int32_t x0, int32_t x1) {
  const bool down = strip.outStep < 0;
  for (int32_t i = 0; i < x1 - x0; i += 8) {
    const int32_t x = down ? x1 - 8 - i : x0 + i;
    const ptrdiff_t at = static_cast<ptrdiff_t>(x) * 3;
    uint8_t* to = strip.firstOut + x * strip.outStep;
    for (int k = 0; k < strip.count; k += 8)
      turnEight(strip.rows + k, at, to + k * 3, strip.outStep);
  }
}

// The pixels of a row a block at a time from its far end, each block's lanes reversed; the
// pixels short of a whole block, nearest the row's start, one at a time.
inline void reverseTail(const uint8_t* from, uint8_t* to, int32_t done, int32_t pixels) {
  for (int32_t i = done; i < pixels; ++i) std::memcpy(to + i * 3, from + (pixels - 1 - i) * 3, 3);
}

SSSE3_TARGET void reverseFours(const uint8_t* from, uint8_t* to, int32_t pixels) {
  int32_t i = 0;
  for (; i + 4 <= pixels; i += 4) {
    const __m128i lanes = loadFour(from + static_cast<ptrdiff_t>(pixels - 4 - i) * 3);
    storeFour(to + static_cast<ptrdiff_t>(i) * 3, _mm_shuffle_epi32(lanes, 0x1B));
  }
  reverseTail(from, to, i, pixels);
}

AVX2_TARGET void reverseEights(const uint8_t* from, uint8_t* to, int32_t pixels) {
  const __m256i reversed = _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0);
  int32_t i = 0;
  for (; i + 8 <= pixels; i += 8) {
    const __m256i lanes = loadEight(from + static_cast<ptrdiff_t>(pixels - 8 - i) * 3);
    storeEight(to + static_cast<ptrdiff_t>(i) * 3, _mm256_permutevar8x32_epi32(lanes, reversed));
  }
  reverseTail(from, to, i, pixels);
}

}  // namespace

void reverseRowSsse3(const uint8_t* from, uint8_t* to, int32_t pixels) {
  reverseFours(from, to, pixels);
}
void reverseRowAvx2(const uint8_t* from, uint8_t* to, int32_t pixels) {
  reverseEights(from, to, pixels);
}

void turnStripSsse3(const SideStrip& strip, int32_t x0, int32_t x1) {
  stripSsse3(strip, x0, x1);
}
void turnStripAvx2(const SideStrip& strip, int32_t x0, int32_t x1) {
  stripAvx2(strip, x0, x1);
}

bool haveSsse3Blocks() {
  static const bool have = __builtin_cpu_supports("ssse3");
  return have;
}

bool haveAvx2Blocks() {
  static const bool have = __builtin_cpu_supports("avx2");
  return have;
}
#else
void turnStripSsse3(const SideStrip&, int32_t, int32_t) {}
void turnStripAvx2(const SideStrip&, int32_t, int32_t) {}
void reverseRowSsse3(const uint8_t*, uint8_t*, int32_t) {}
void reverseRowAvx2(const uint8_t*, uint8_t*, int32_t) {}
bool haveSsse3Blocks() {
  return false;
}
bool haveAvx2Blocks() {
  return false;
}
#endif

}  // namespace tessaly::stitch
