#include "halving_kernel.h"

#include <atomic>
#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define TESSALY_HALVING_VECTORS 1
#endif

namespace tessaly::tools {
namespace {

template <int Channels>
void halvePortable(unsigned char* __restrict to, const unsigned char* __restrict a,
                   const unsigned char* __restrict b, int32_t pixels) {
  constexpr int kPair = 2 * Channels;
  for (int32_t x = 0; x < pixels; ++x)
    for (int c = 0; c < Channels; ++c)
      to[x * Channels + c] =
          static_cast<unsigned char>((a[kPair * x + c] + a[kPair * x + Channels + c] +
                                      b[kPair * x + c] + b[kPair * x + Channels + c] + 2) >>
                                     2);
}

void halvePortable(unsigned char* to, const unsigned char* a, const unsigned char* b,
                   int32_t pixels, int32_t channels) {
  if (channels == 3)
    halvePortable<3>(to, a, b, pixels);
  else
    halvePortable<1>(to, a, b, pixels);
}

#ifdef TESSALY_HALVING_VECTORS

// The vector ways share one idea: a byte shuffle puts the two horizontal neighbours of each cell
// side by side, a multiply-add with ones sums each such pair into 16 bits, the two rows' sums are
// added, rounded and shifted, and the words are packed back into bytes.
//
// For 24-bit pixels a group is 12 source bytes (two cells of two pixels) giving 6 result bytes.
// A 16-byte load holds a group either in its first 12 bytes (load at the group) or in its last
// 12 (load 4 bytes before it), so no load reaches past the bytes the group owns at a row's end.
#define HALVING_SHUFFLE_FIRST 0, 3, 1, 4, 2, 5, 6, 9, 7, 10, 8, 11, -1, -1, -1, -1
#define HALVING_SHUFFLE_LAST 4, 7, 5, 8, 6, 9, 10, 13, 11, 14, 12, 15, -1, -1, -1, -1
// After packing two groups' words: their 6 + 6 result bytes, moved together.
#define HALVING_COMPACT 0, 1, 2, 3, 4, 5, 8, 9, 10, 11, 12, 13, -1, -1, -1, -1

#define SSSE3_TARGET __attribute__((target("ssse3")))
#define AVX2_TARGET __attribute__((target("avx2")))

SSSE3_TARGET inline __m128i load16(const unsigned char* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// The rounded cell means of one group from both rows, as 16-bit words (6 used).
SSSE3_TARGET inline __m128i groupMeans(const unsigned char* a, const unsigned char* b,
                                       __m128i shuffle) {
  const __m128i ones = _mm_set1_epi8(1);
  const __m128i top = _mm_maddubs_epi16(_mm_shuffle_epi8(load16(a), shuffle), ones);
  const __m128i bottom = _mm_maddubs_epi16(_mm_shuffle_epi8(load16(b), shuffle), ones);
  return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(top, bottom), _mm_set1_epi16(2)), 2);
}

// 8 result pixels (24 bytes) from 48 bytes of each row per step.
SSSE3_TARGET int32_t halvePixelsSsse3(unsigned char* to, const unsigned char* a,
                                      const unsigned char* b, int32_t pixels) {
  const __m128i first = _mm_setr_epi8(HALVING_SHUFFLE_FIRST);
  const __m128i last = _mm_setr_epi8(HALVING_SHUFFLE_LAST);
  const __m128i compact = _mm_setr_epi8(HALVING_COMPACT);
  // The second pair's first 4 result bytes after the first pair's 12, then its other 8.
  const __m128i tail = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 0, 1, 2, 3);
  const __m128i rest = _mm_setr_epi8(4, 5, 8, 9, 10, 11, 12, 13, -1, -1, -1, -1, -1, -1, -1, -1);
  int32_t x = 0;
  for (; x + 8 <= pixels; x += 8, a += 48, b += 48, to += 24) {
    const __m128i p01 = _mm_packus_epi16(groupMeans(a, b, first), groupMeans(a + 8, b + 8, last));
    const __m128i p23 =
        _mm_packus_epi16(groupMeans(a + 24, b + 24, first), groupMeans(a + 32, b + 32, last));
    const __m128i head = _mm_or_si128(_mm_shuffle_epi8(p01, compact), _mm_shuffle_epi8(p23, tail));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), head);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(to + 16), _mm_shuffle_epi8(p23, rest));
  }
  return x;
}

// The rounded means of 8 grey cells from 16 bytes of each row.
SSSE3_TARGET inline __m128i greyMeans(const unsigned char* a, const unsigned char* b) {
  const __m128i ones = _mm_set1_epi8(1);
  const __m128i sum =
      _mm_add_epi16(_mm_maddubs_epi16(load16(a), ones), _mm_maddubs_epi16(load16(b), ones));
  return _mm_srli_epi16(_mm_add_epi16(sum, _mm_set1_epi16(2)), 2);
}

// 16 grey result pixels from 32 bytes of each row per step.
SSSE3_TARGET int32_t halveGreySsse3(unsigned char* to, const unsigned char* a,
                                    const unsigned char* b, int32_t pixels) {
  int32_t x = 0;
  for (; x + 16 <= pixels; x += 16, a += 32, b += 32, to += 16)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to),
                     _mm_packus_epi16(greyMeans(a, b), greyMeans(a + 16, b + 16)));
  return x;
}

AVX2_TARGET inline __m256i loadTwo(const unsigned char* low, const unsigned char* high) {
  return _mm256_inserti128_si256(
      _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(low))),
      _mm_loadu_si128(reinterpret_cast<const __m128i*>(high)), 1);
}

// Two groups' means, one per 128-bit half; the groups start at the given offsets.
AVX2_TARGET inline __m256i twoGroupMeans(const unsigned char* a, const unsigned char* b, int low,
                                         int high, __m256i shuffle) {
  const __m256i ones = _mm256_set1_epi8(1);
  const __m256i top =
      _mm256_maddubs_epi16(_mm256_shuffle_epi8(loadTwo(a + low, a + high), shuffle), ones);
  const __m256i bottom =
      _mm256_maddubs_epi16(_mm256_shuffle_epi8(loadTwo(b + low, b + high), shuffle), ones);
  return _mm256_srli_epi16(_mm256_add_epi16(_mm256_add_epi16(top, bottom), _mm256_set1_epi16(2)),
                           2);
}

// 16 result pixels (48 bytes) from 96 bytes of each row per step: groups g0 .. g7 at 12-byte
// steps. Packing (g0, g2) with (g1, g3) gives g0 g1 in the low half and g2 g3 in the high one;
// the same for g4 .. g7; a compaction and two dword permutes then lay the 48 bytes out in order.
AVX2_TARGET int32_t halvePixelsAvx2(unsigned char* to, const unsigned char* a,
                                    const unsigned char* b, int32_t pixels) {
  const __m256i first = _mm256_setr_epi8(HALVING_SHUFFLE_FIRST, HALVING_SHUFFLE_FIRST);
  const __m256i last = _mm256_setr_epi8(HALVING_SHUFFLE_LAST, HALVING_SHUFFLE_LAST);
  const __m256i compact = _mm256_setr_epi8(HALVING_COMPACT, HALVING_COMPACT);
  const __m256i headOrder = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 0, 1);
  const __m256i tailOrder = _mm256_setr_epi32(2, 4, 5, 6, 2, 4, 5, 6);
  int32_t x = 0;
  for (; x + 16 <= pixels; x += 16, a += 96, b += 96, to += 48) {
    const __m256i low = _mm256_shuffle_epi8(
        _mm256_packus_epi16(twoGroupMeans(a, b, 0, 24, first), twoGroupMeans(a, b, 8, 32, last)),
        compact);
    const __m256i high = _mm256_shuffle_epi8(
        _mm256_packus_epi16(twoGroupMeans(a, b, 48, 72, first), twoGroupMeans(a, b, 56, 80, last)),
        compact);
    const __m256i head = _mm256_blend_epi32(_mm256_permutevar8x32_epi32(low, headOrder),
                                            _mm256_permutevar8x32_epi32(high, headOrder), 0xC0);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(to), head);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 32),
                     _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(high, tailOrder)));
  }
  return x;
}

// The rounded means of 16 grey cells from 32 bytes of each row.
AVX2_TARGET inline __m256i greyMeansWide(const unsigned char* a, const unsigned char* b) {
  const __m256i ones = _mm256_set1_epi8(1);
  const __m256i sum = _mm256_add_epi16(
      _mm256_maddubs_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(a)), ones),
      _mm256_maddubs_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(b)), ones));
  return _mm256_srli_epi16(_mm256_add_epi16(sum, _mm256_set1_epi16(2)), 2);
}

// 32 grey result pixels from 64 bytes of each row per step; packing works per 128-bit half, so
// a quadword permute restores the order.
AVX2_TARGET int32_t halveGreyAvx2(unsigned char* to, const unsigned char* a, const unsigned char* b,
                                  int32_t pixels) {
  int32_t x = 0;
  for (; x + 32 <= pixels; x += 32, a += 64, b += 64, to += 32) {
    const __m256i packed = _mm256_packus_epi16(greyMeansWide(a, b), greyMeansWide(a + 32, b + 32));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(to), _mm256_permute4x64_epi64(packed, 0xD8));
  }
  return x;
}

bool available(HalvingPath path) {
  static const bool ssse3 = __builtin_cpu_supports("ssse3");
  static const bool avx2 = __builtin_cpu_supports("avx2");
  return path == HalvingPath::Portable || (path == HalvingPath::Ssse3 && ssse3) ||
         (path == HalvingPath::Avx2 && avx2);
}

HalvingPath widest() {
  if (available(HalvingPath::Avx2)) return HalvingPath::Avx2;
  if (available(HalvingPath::Ssse3)) return HalvingPath::Ssse3;
  return HalvingPath::Portable;
}

// The vector part of a row; returns how many result pixels it wrote.
int32_t halveVectors(HalvingPath path, unsigned char* to, const unsigned char* a,
                     const unsigned char* b, int32_t pixels, int32_t channels) {
  switch (path) {
    case HalvingPath::Avx2:
      return channels == 3 ? halvePixelsAvx2(to, a, b, pixels) : halveGreyAvx2(to, a, b, pixels);
    case HalvingPath::Ssse3:
      return channels == 3 ? halvePixelsSsse3(to, a, b, pixels) : halveGreySsse3(to, a, b, pixels);
    case HalvingPath::Portable:
      break;
  }
  return 0;
}

#else

bool available(HalvingPath path) {
  return path == HalvingPath::Portable;
}
HalvingPath widest() {
  return HalvingPath::Portable;
}
int32_t halveVectors(HalvingPath, unsigned char*, const unsigned char*, const unsigned char*,
                     int32_t, int32_t) {
  return 0;
}

#endif

// -1 while no way is chosen.
std::atomic<int> chosen{-1};

void halveWith(HalvingPath path, unsigned char* to, const unsigned char* a, const unsigned char* b,
               int32_t pixels, int32_t channels) {
  const int32_t done = halveVectors(path, to, a, b, pixels, channels);
  const int32_t from = done * 2 * channels;
  halvePortable(to + done * channels, a + from, b + from, pixels - done, channels);
}

}  // namespace

HalvingPath halvingPath() {
  static const HalvingPath best = widest();
  const int c = chosen.load(std::memory_order_relaxed);
  return c < 0 ? best : static_cast<HalvingPath>(c);
}

bool chooseHalvingPath(HalvingPath path) {
  if (!available(path)) return false;
  chosen.store(static_cast<int>(path), std::memory_order_relaxed);
  return true;
}

void resetHalvingPath() {
  chosen.store(-1, std::memory_order_relaxed);
}

void halveRows(unsigned char* to, const unsigned char* a, const unsigned char* b, int32_t pixels,
               int32_t channels) {
  halveWith(halvingPath(), to, a, b, pixels, channels);
}

bool halveRowsBy(HalvingPath path, unsigned char* to, const unsigned char* a,
                 const unsigned char* b, int32_t pixels, int32_t channels) {
  if (!available(path)) return false;
  halveWith(path, to, a, b, pixels, channels);
  return true;
}

}  // namespace tessaly::tools
