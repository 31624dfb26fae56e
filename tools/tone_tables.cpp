#include "tone_tables.h"

#include <algorithm>
#include <cmath>

namespace tessaly::tools {
namespace {

uint8_t clampByte(int64_t value) {
  return static_cast<uint8_t>(std::clamp<int64_t>(value, 0, 255));
}

}  // namespace

ToneTable identityTable() {
  ToneTable table{};
  for (int i = 0; i < 256; ++i) table[i] = static_cast<uint8_t>(i);
  return table;
}

ChannelTables onChannel(const ToneTable& table, int32_t channel) {
  const ToneTable same = identityTable();
  return ChannelTables{channel == 0 || channel == 3 ? table : same,
                       channel == 0 || channel == 2 ? table : same,
                       channel == 0 || channel == 1 ? table : same};
}

ToneTable brightnessContrastTable(int32_t brightness, int32_t contrast) {
  const int32_t a = std::clamp(brightness, -128, 127);
  const int32_t b = std::clamp(contrast, -128, 127);
  const int32_t span = 255 - 2 * b;  // at least 1, never 0
  ToneTable table{};
  for (int32_t i = 0; i < 256; ++i) {
    const int32_t f = i + a;
    if (f < b) {
      table[i] = 0;
    } else if (f > 255 - b) {
      table[i] = 255;
    } else {
      table[i] = clampByte((255 * (f - b) + span / 2) / span);
    }
  }
  return table;
}

ToneTable toneAdjustmentTable(int32_t highlight, int32_t midtone, int32_t shadow) {
  const int32_t h = std::clamp(highlight, -100, 100);
  const int32_t m = std::clamp(midtone, -100, 100);
  const int32_t s = std::clamp(shadow, -100, 100);
  const double gamma = m < 0 ? 1.0 + 0.035 * -m : 1.0 - 0.0045 * m;
  const int32_t lo = s <= 0 ? -s : 0;
  const int32_t floor = s > 0 ? s : 0;
  const int32_t hi = h > 0 ? h : 0;
  const int32_t drop = h <= 0 ? -h : 0;
  const int32_t span = std::max(255 - hi - lo, 1);
  ToneTable table{};
  for (int32_t i = 0; i < 256; ++i) {
    if (i <= lo) {
      table[i] = 0;
    } else if (i >= 255 - hi) {
      table[i] = 255;
    } else if (floor + drop < 255) {
      const double share = std::pow(static_cast<double>(i - lo) / span, gamma);
      table[i] =
          clampByte(floor + static_cast<int64_t>(std::floor(share * (255 - drop - floor) + 0.5)));
    } else {
      table[i] = clampByte(floor);
    }
  }
  return table;
}

ToneTable colorReductionTable(int32_t levels) {
  const int32_t n = std::clamp(levels, 1, 128);
  ToneTable table{};
  if (n == 1) {
    table.fill(255);
    return table;
  }
  const int32_t step = ((n - 1) / 2 + 255) / (n - 1);
  for (int32_t i = 0; i < 256; ++i) table[i] = clampByte(step * ((i + step / 2) / step));
  return table;
}

ToneTable negativeTable() {
  ToneTable table{};
  for (int i = 0; i < 256; ++i) table[i] = static_cast<uint8_t>(255 - i);
  return table;
}

ToneTable stretchTable(int32_t low, int32_t high) {
  ToneTable table{};
  for (int32_t i = 0; i < 256; ++i) {
    const double value = static_cast<double>(i - low) * 255.0 / (high - low) + 0.5;
    table[i] = clampByte(static_cast<int64_t>(std::floor(value)));
  }
  return table;
}

LevelEnds levelEnds(const Histogram& histogram, uint64_t threshold) {
  LevelEnds ends{0, 255};
  uint64_t sum = 0;
  for (ends.high = 255; ends.high > 0; --ends.high) {
    sum += histogram[ends.high];
    if (sum > threshold) break;
  }
  sum = 0;
  for (ends.low = 0; ends.low < 255; ++ends.low) {
    sum += histogram[ends.low];
    if (sum > threshold) break;
  }
  return ends;
}

LevelEnds pullInExtremes(LevelEnds ends, uint64_t extremeLow, uint64_t extremeHigh,
                         uint64_t limit) {
  if (ends.high == 255 && extremeHigh < limit) ends.high = 254;
  if (ends.low == 0 && extremeLow < limit) ends.low = 1;
  return ends;
}

ToneTable equalizationTable(const Histogram& histogram) {
  uint64_t samples = 0;
  for (const uint64_t count : histogram) samples += count;
  // Real arithmetic: 255 / (N + 1) is below 1 for any image of more than 254 samples.
  const double scale = 255.0 / (static_cast<double>(samples) + 1.0);
  ToneTable table{};
  uint64_t below = 0;
  for (int i = 0; i < 256; ++i) {
    table[i] =
        clampByte(static_cast<int64_t>(std::floor(scale * static_cast<double>(below) + 0.5)));
    below += histogram[i];
  }
  return table;
}

namespace {

double shadowWeight(int32_t level) {
  return 1.075 - 1.0 / (level / 16.0 + 1.0);
}
double midtoneWeight(int32_t level) {
  const double t = (level - 127) / 127.0;
  return 0.667 * (1.0 - t * t);
}

double rangeWeight(int32_t range, int32_t level) {
  switch (range) {
    case 0:
      return shadowWeight(level);
    case 1:
      return midtoneWeight(level);
    default:
      return shadowWeight(255 - level);
  }
}

// One axis moved by amount on the tonal range. A raise takes floor(amount x weight); a lowering
// takes the same move mirrored (-floor(|amount| x weight)), so that equal and opposite amounts
// move a level by equal steps.
ToneTable balanceTable(int32_t amount, int32_t range) {
  ToneTable table{};
  for (int32_t i = 0; i < 256; ++i) {
    const double weight = rangeWeight(range, i);
    const auto step = static_cast<int64_t>(std::floor(std::abs(amount) * weight));
    table[i] = clampByte(amount >= 0 ? i + step : i - step);
  }
  return table;
}

}  // namespace

ChannelTables colorBalanceTables(int32_t red, int32_t green, int32_t blue, int32_t range) {
  const int32_t r = std::clamp(range, 0, 2);
  return ChannelTables{balanceTable(std::clamp(blue, -100, 100), r),
                       balanceTable(std::clamp(green, -100, 100), r),
                       balanceTable(std::clamp(red, -100, 100), r)};
}

ColorToneTables colorToneTables(uint8_t red, uint8_t green, uint8_t blue) {
  ColorToneTables t{};
  for (int32_t i = 0; i < 256; ++i) {
    t.red[i] = static_cast<uint8_t>((76 * i + 127) / 255);
    t.green[i] = static_cast<uint8_t>((150 * i + 127) / 255);
    t.blue[i] = static_cast<uint8_t>((29 * i + 127) / 255);
  }
  const int32_t toneGrey = t.red[red] + t.green[green] + t.blue[blue];
  const auto tint = [&](int32_t component) {
    ToneTable table{};
    for (int32_t i = 0; i < 256; ++i) {
      table[i] = clampByte(i + (component - toneGrey) * (255 - i) * i / 65025);
    }
    return table;
  };
  t.tint = ChannelTables{tint(blue), tint(green), tint(red)};
  return t;
}

}  // namespace tessaly::tools
