#include "byte_tables.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define TESSALY_WIDE_TABLES 1
#endif

namespace tessaly::tools {

void mapBytesPortable(unsigned char* out, const unsigned char* in, int64_t count,
                      const ToneTable& table) {
  for (int64_t i = 0; i < count; ++i) out[i] = table[in[i]];
}

void mapPixelsPortable(unsigned char* out, const unsigned char* in, int64_t pixels,
                       const ToneTable& blue, const ToneTable& green, const ToneTable& red) {
  for (int64_t x = 0; x < pixels; ++x, in += 3, out += 3) {
    out[0] = blue[in[0]];
    out[1] = green[in[1]];
    out[2] = red[in[2]];
  }
}

#ifdef TESSALY_WIDE_TABLES
namespace {

#define WIDE_TARGET __attribute__((target("avx512f,avx512bw,avx512vbmi")))

bool haveWidePermutes() {
  static const bool have = __builtin_cpu_supports("avx512vbmi") &&
                           __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512f");
  return have;
}

// A table as four 64-byte quarters.
struct WideTable {
  __m512i q[4];
};

WIDE_TARGET WideTable load(const ToneTable& table) {
  WideTable t;
  for (int i = 0; i < 4; ++i) t.q[i] = _mm512_loadu_si512(table.data() + 64 * i);
  return t;
}

// 64 lookups: the low seven bits pick an entry from a half, the top bit picks the half.
WIDE_TARGET __m512i lookUp(const WideTable& t, __m512i index) {
  const __m512i low = _mm512_permutex2var_epi8(t.q[0], index, t.q[1]);
  const __m512i high = _mm512_permutex2var_epi8(t.q[2], index, t.q[3]);
  return _mm512_mask_blend_epi8(_mm512_movepi8_mask(index), low, high);
}

WIDE_TARGET void bytesWide(unsigned char* out, const unsigned char* in, int64_t count,
                           const ToneTable& table) {
  const WideTable t = load(table);
  int64_t i = 0;
  for (; i + 64 <= count; i += 64)
    _mm512_storeu_si512(out + i, lookUp(t, _mm512_loadu_si512(in + i)));
  mapBytesPortable(out + i, in + i, count - i, table);
}

// Which bytes of a 64-byte vector starting at channel `first` belong to channel c.
constexpr uint64_t channelMask(int first, int c) {
  uint64_t mask = 0;
  for (int j = 0; j < 64; ++j)
    if ((first + j) % 3 == c) mask |= uint64_t{1} << j;
  return mask;
}
// The three vectors of 64 pixels start at channels 0, 1 (64 % 3) and 2 (128 % 3).
constexpr uint64_t kGreen[3] = {channelMask(0, 1), channelMask(1, 1), channelMask(2, 1)};
constexpr uint64_t kRed[3] = {channelMask(0, 2), channelMask(1, 2), channelMask(2, 2)};

// Three 64-byte vectors hold 64 whole pixels; each vector's bytes start at another channel.
WIDE_TARGET void pixelsWide(unsigned char* out, const unsigned char* in, int64_t pixels,
                            const ToneTable& blue, const ToneTable& green, const ToneTable& red) {
  const WideTable b = load(blue), g = load(green), r = load(red);
  int64_t x = 0;
  for (; x + 64 <= pixels; x += 64, in += 192, out += 192) {
    for (int v = 0; v < 3; ++v) {
      const __m512i index = _mm512_loadu_si512(in + 64 * v);
      __m512i result = lookUp(b, index);
      result = _mm512_mask_blend_epi8(kGreen[v], result, lookUp(g, index));
      result = _mm512_mask_blend_epi8(kRed[v], result, lookUp(r, index));
      _mm512_storeu_si512(out + 64 * v, result);
    }
  }
  mapPixelsPortable(out, in, pixels - x, blue, green, red);
}

}  // namespace

bool mapBytesWide(unsigned char* out, const unsigned char* in, int64_t count,
                  const ToneTable& table) {
  if (!haveWidePermutes()) return false;
  bytesWide(out, in, count, table);
  return true;
}

bool mapPixelsWide(unsigned char* out, const unsigned char* in, int64_t pixels,
                   const ToneTable& blue, const ToneTable& green, const ToneTable& red) {
  if (!haveWidePermutes()) return false;
  pixelsWide(out, in, pixels, blue, green, red);
  return true;
}
#else
bool mapBytesWide(unsigned char*, const unsigned char*, int64_t, const ToneTable&) {
  return false;
}
bool mapPixelsWide(unsigned char*, const unsigned char*, int64_t, const ToneTable&,
                   const ToneTable&, const ToneTable&) {
  return false;
}
#endif

void mapBytesThrough(unsigned char* out, const unsigned char* in, int64_t count,
                     const ToneTable& table) {
  if (!mapBytesWide(out, in, count, table)) mapBytesPortable(out, in, count, table);
}

void mapPixelsThrough(unsigned char* out, const unsigned char* in, int64_t pixels,
                      const ToneTable& blue, const ToneTable& green, const ToneTable& red) {
  if (!mapPixelsWide(out, in, pixels, blue, green, red))
    mapPixelsPortable(out, in, pixels, blue, green, red);
}

}  // namespace tessaly::tools
