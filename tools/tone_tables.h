// Lookup tables of the tone and colour operations: 256 entries per channel, built once per call
// and applied to every byte of the layer.
#pragma once

#include <array>
#include <cstdint>

namespace tessaly::tools {

using ToneTable = std::array<uint8_t, 256>;
using Histogram = std::array<uint64_t, 256>;

// Tables for blue, green and red, in the order the bytes of a 24-bit pixel are stored.
struct ChannelTables {
  ToneTable blue;
  ToneTable green;
  ToneTable red;
};

ToneTable identityTable();
// channel 0 puts the table on all three channels; 1, 2, 3 on red, green or blue only.
ChannelTables onChannel(const ToneTable& table, int32_t channel);

// Brightness a and contrast b (clamped to -128 ... 127): a rounded stretch of b ... 255 - b.
ToneTable brightnessContrastTable(int32_t brightness, int32_t contrast);
// Levels and gamma from the highlight, midtone and shadow values (each clamped to -100 ... 100).
ToneTable toneAdjustmentTable(int32_t highlight, int32_t midtone, int32_t shadow);
// Posterisation to levels (clamped to 1 ... 128) steps.
ToneTable colorReductionTable(int32_t levels);
ToneTable negativeTable();

// Stretch of low ... high onto 0 ... 255, rounded and clamped.
ToneTable stretchTable(int32_t low, int32_t high);
// The ends of the automatic stretch: the first levels, walking in from either end, where the
// samples counted so far exceed threshold.
struct LevelEnds {
  int32_t low;
  int32_t high;
};
LevelEnds levelEnds(const Histogram& histogram, uint64_t threshold);
// An end still at 0 or 255 moves in by one when the samples at that extreme level (extremeLow,
// extremeHigh) are fewer than limit: a few stray samples must not stop the stretch.
LevelEnds pullInExtremes(LevelEnds ends, uint64_t extremeLow, uint64_t extremeHigh, uint64_t limit);
// Equalisation from one histogram of samples: the rounded share of samples below each level.
ToneTable equalizationTable(const Histogram& histogram);

// Colour balance tables for the three axes (each clamped to -100 ... 100) on one tonal range
// (clamped to 0 shadows ... 2 highlights).
ChannelTables colorBalanceTables(int32_t red, int32_t green, int32_t blue, int32_t range);

// Colour tone: the tinted output of each channel for a grey level, from the tone colour.
struct ColorToneTables {
  ToneTable red;  // grey weights, rounded per term
  ToneTable green;
  ToneTable blue;
  ChannelTables tint;  // indexed by the grey level
};
ColorToneTables colorToneTables(uint8_t red, uint8_t green, uint8_t blue);

}  // namespace tessaly::tools
