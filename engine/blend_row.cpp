// The row blend routines: one generic routine per channel width, chosen by the pair of depths,
// and a fast routine for the common case of two 24-bit (or 8-bit) layers without masks.
#include "blend_row.h"

#include <cstring>

#include "blend_tables.h"

namespace tessaly::engine {
namespace {

uint16_t load16(const unsigned char* p) {
  uint16_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
void store16(unsigned char* p, uint16_t v) {
  std::memcpy(p, &v, sizeof v);
}

// A source pixel brought to the target's channels.
template <typename C, int N>
struct Channels {
  C v[N];
};

struct Coverage {
  const BlendTables& t;
  uint8_t opacity;
  bool applyOpacity;
  uint8_t at(const unsigned char* mask, int32_t i) const {
    if (mask == nullptr) return applyOpacity ? opacity : 255;
    return applyOpacity ? t.take[opacity][mask[i]] : mask[i];
  }
};

uint8_t mix8(const BlendTables& t, uint8_t a, uint8_t old, uint8_t now) {
  return static_cast<uint8_t>(t.keep[a][old] + t.take[a][now]);
}
uint16_t mix16(uint8_t a, uint16_t old, uint16_t now) {
  return static_cast<uint16_t>((uint32_t{255u - a} * old + uint32_t{a} * now + 127) / 255);
}
template <typename C>
C toward(uint32_t w, C old, C now) {
  const int32_t step = (static_cast<int32_t>(w) * (int32_t{now} - int32_t{old})) >> 8;
  return static_cast<C>(int32_t{old} + step);
}

// The generic routine: C is the channel type, N the channels per pixel, fetch reads one source
// pixel into the target's channels.
template <typename C, int N, typename Fetch>
void blendPixels(const BlendRowArgs& row, int32_t sourceStep, const Coverage& cover, Fetch fetch) {
  const BlendTables& t = cover.t;
  constexpr int kBytes = N * static_cast<int>(sizeof(C));
  const unsigned char* src = row.source;
  unsigned char* out = row.target;
  for (int32_t i = 0; i < row.count; ++i, src += sourceStep, out += kBytes) {
    const uint8_t a = cover.at(row.sourceMask, i);
    const Channels<C, N> now = fetch(src);
    uint8_t weight = a;
    uint32_t ratio = 0;
    if (row.targetMask != nullptr) {
      const uint8_t united = t.unite[a][row.targetMask[i]];
      ratio = t.ratio[a][united];
      row.targetMask[i] = united;
    } else if (a == 0) {
      continue;
    }
    for (int c = 0; c < N; ++c) {
      unsigned char* p = out + c * static_cast<int>(sizeof(C));
      if constexpr (sizeof(C) == 1) {
        *p = row.targetMask != nullptr ? toward<uint8_t>(ratio, *p, now.v[c])
                                       : mix8(t, weight, *p, now.v[c]);
      } else {
        const uint16_t old = load16(p);
        store16(p, row.targetMask != nullptr ? toward<uint16_t>(ratio, old, now.v[c])
                                             : mix16(weight, old, now.v[c]));
      }
    }
  }
}

// Same depth, no masks, source with memory: every byte is a channel with the same coverage.
void blendBytes(unsigned char* out, const unsigned char* src, int64_t bytes, uint8_t a) {
  if (a == 255) {
    std::memcpy(out, src, static_cast<size_t>(bytes));
    return;
  }
  if (a == 0) return;
  const uint32_t keepWeight = 255u - a;
  for (int64_t i = 0; i < bytes; ++i)
    out[i] = static_cast<unsigned char>(div255(keepWeight * out[i] + 127) +
                                        div255(uint32_t{a} * src[i] + 127));
}

using Pixel8 = Channels<uint8_t, 1>;
using Pixel24 = Channels<uint8_t, 3>;
using Pixel16 = Channels<uint16_t, 1>;
using Pixel48 = Channels<uint16_t, 3>;

void blendOver24(const BlendSource& s, const BlendRowArgs& row, int32_t step, Coverage cover) {
  switch (s.bitsPerPixel) {
    case 8:
      if (s.palette != nullptr) {
        cover.applyOpacity = false;
        const unsigned char* pal = s.palette;
        const uint32_t entries = s.paletteEntries;
        blendPixels<uint8_t, 3>(row, step, cover, [pal, entries](const unsigned char* p) {
          if (*p >= entries) return Pixel24{{0, 0, 0}};
          const unsigned char* e = pal + 4 * size_t{*p};
          return Pixel24{{e[0], e[1], e[2]}};
        });
      } else {
        blendPixels<uint8_t, 3>(row, step, cover, [](const unsigned char* p) {
          return Pixel24{{*p, *p, *p}};
        });
      }
      return;
    case 16:
      blendPixels<uint8_t, 3>(row, step, cover, [](const unsigned char* p) {
        return Pixel24{{p[1], p[1], p[1]}};  // the high byte of the grey value
      });
      return;
    case 24:
      blendPixels<uint8_t, 3>(row, step, cover, [](const unsigned char* p) {
        return Pixel24{{p[0], p[1], p[2]}};
      });
      return;
    case 48:
      blendPixels<uint8_t, 3>(row, step, cover, [](const unsigned char* p) {
        return Pixel24{{p[1], p[3], p[5]}};
      });
      return;
    default:
      return;
  }
}

int32_t pixelBytesOf(int32_t bpp) {
  return bpp < 9 ? 1 : (bpp + 7) / 8;
}

}  // namespace

bool canBlend(int32_t targetBpp, int32_t sourceBpp) {
  switch (targetBpp) {
    case 8:
    case 16:
    case 48:
      return sourceBpp == targetBpp;
    case 24:
      return sourceBpp == 8 || sourceBpp == 16 || sourceBpp == 24 || sourceBpp == 48;
    default:
      return false;
  }
}

void blendRow(int32_t targetBpp, const BlendSource& s, const BlendRowArgs& row) {
  if (row.count <= 0 || !canBlend(targetBpp, s.bitsPerPixel)) return;
  const int32_t step = row.uniform ? 0 : pixelBytesOf(s.bitsPerPixel);
  const Coverage cover{blendTables(), s.opacity, true};
  const bool plain = row.targetMask == nullptr && row.sourceMask == nullptr && !row.uniform &&
                     s.palette == nullptr && (targetBpp == s.bitsPerPixel) &&
                     (targetBpp == 8 || targetBpp == 24);
  if (plain) {
    blendBytes(row.target, row.source, int64_t{row.count} * pixelBytesOf(targetBpp), s.opacity);
    return;
  }
  switch (targetBpp) {
    case 8:
      blendPixels<uint8_t, 1>(row, step, cover,
                              [](const unsigned char* p) { return Pixel8{{*p}}; });
      return;
    case 16:
      blendPixels<uint16_t, 1>(row, step, cover,
                               [](const unsigned char* p) { return Pixel16{{load16(p)}}; });
      return;
    case 48:
      blendPixels<uint16_t, 3>(row, step, cover, [](const unsigned char* p) {
        return Pixel48{{load16(p), load16(p + 2), load16(p + 4)}};
      });
      return;
    case 24:
      blendOver24(s, row, step, cover);
      return;
    default:
      return;
  }
}

}  // namespace tessaly::engine
