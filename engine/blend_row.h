// Blending one row of a source layer's pixels into a target's, with the source's coverage
// (opacity, times the mask value where the source has a mask) and, when the target has a mask
// layer, the target's coverage.
//
// Without a target mask each channel becomes keep[a][old] + take[a][new] (a = the source's
// coverage; 255 replaces the pixel). With one (its value m): m' = unite[a][m], w = ratio[a][m'],
// channel = old + (w x (new - old)) >> 8 rounded toward minus infinity, and the mask becomes m'.
// Channels of 16-bit formats (16 and 48 bits per pixel) use the same weights at 16 bits.
#pragma once

#include <cstdint>

namespace tessaly::engine {

// What a source layer brings to every row it blends.
struct BlendSource {
  int32_t bitsPerPixel;
  uint8_t opacity;
  // 8-bit sources over 24-bit targets: 4-byte entries whose first three bytes are the pixel's
  // bytes. The opacity is not applied to a source with a palette.
  const unsigned char* palette = nullptr;
  uint32_t paletteEntries = 0;
};

struct BlendRowArgs {
  unsigned char* target;
  unsigned char* targetMask;        // the target's coverage per pixel, or null
  const unsigned char* source;      // source pixels, or one pixel repeated when uniform
  const unsigned char* sourceMask;  // the source's mask value per pixel, or null
  int32_t count;
  bool uniform;
};

// The depth pairs that compose: 8 over 8, 16 over 16, 48 over 48, and 8, 16, 24 or 48 over 24.
bool canBlend(int32_t targetBpp, int32_t sourceBpp);

// Blends count pixels; a pair that does not compose leaves the target as it was.
void blendRow(int32_t targetBpp, const BlendSource& source, const BlendRowArgs& row);

}  // namespace tessaly::engine
