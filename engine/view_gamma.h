// Display gamma: three process-wide values in thousandths (1000 = none), one per channel, and the
// lookup tables made from them. The tables are rebuilt only when the triple changes.
#pragma once

#include <array>
#include <cstdint>

namespace tessaly::engine {

enum class GammaChannel { Red = 0, Green = 1, Blue = 2 };

struct GammaTables {
  std::array<uint8_t, 256> red;
  std::array<uint8_t, 256> green;
  std::array<uint8_t, 256> blue;
  std::array<uint8_t, 256> grey;  // the three weighted as a grey value
  bool identity;                  // every table maps i to i: nothing to correct
};

int32_t gammaValue(GammaChannel channel);
void setGammaValue(GammaChannel channel, int32_t thousandths);

// The tables for the current values (a copy: another view may change the values meanwhile).
GammaTables gammaTables();

// Entry i of one channel's table for gamma g thousandths (clamped to 0.001 ... 16):
// floor(255 x (i / 255)^(1 / g) + 0.5).
uint8_t gammaEntry(int32_t thousandths, int i);

// Passes count pixels of the depth (8 or 24 bits; others stay as they are) through the tables:
// 24-bit pixels are blue, green, red; 8-bit ones go through the grey table.
void applyGamma(const GammaTables& tables, unsigned char* pixels, int32_t count,
                int32_t bitsPerPixel);

}  // namespace tessaly::engine
