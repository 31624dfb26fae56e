// Exported tone operations that first measure the layer: a histogram pass, then a mapping pass.
#include <algorithm>
#include <cmath>
#include <vector>

#include "colour_rules.h"
#include "guard.h"
#include "histogram.h"
#include "tone_passes.h"

using namespace tessaly::tools;

namespace {

// The share of samples that may lie beyond either end of an automatic stretch.
uint64_t stretchThreshold(const LayerGeometry& g) {
  return static_cast<uint64_t>(std::floor(double(g.width()) * g.height() * 0.005));
}

ToneTable stretchOrFail(int32_t low, int32_t high) {
  if (low >= high) fail(MAT_ERR_FAILED);  // a flat image has nothing to stretch
  return stretchTable(low, high);
}

// Histogram over the first part of the progress range (of `parts` tenths), mapping over the rest.
template <typename Tables>
zanHandle measureThenMap(zanHandle layer, const ToolProgress* progress, int32_t* error,
                         uint32_t layouts, int64_t histogramTenths, Tables&& tablesFrom) {
  return guardLayer(error, [&] {
    const LayerGeometry g = readGeometry(layer);
    requireLayout(layer, g, layouts);
    const int64_t tiles = tileCount(g);
    const ProgressMeter whole(progress, 10);
    ProgressMeter measuring = whole.part(0, histogramTenths, tiles);
    const ChannelHistograms histograms = channelHistograms(layer, measuring);
    const ChannelTables tables = tablesFrom(g, histograms);
    ProgressMeter mapping = whole.part(histogramTenths, 10, tiles);
    return mapLayer(layer, tables, mapping).release();
  });
}

ChannelTables autoLevelTables(const LayerGeometry& g, const ChannelHistograms& h) {
  const uint64_t t = stretchThreshold(g);
  const auto table = [t](const Histogram& histogram) {
    const LevelEnds ends =
        pullInExtremes(levelEnds(histogram, t), histogram[0], histogram[255], 2 * t);
    return stretchOrFail(ends.low, ends.high);
  };
  if (g.bitsPerPixel == 8) return onChannel(table(h.blue), 0);
  return ChannelTables{table(h.blue), table(h.green), table(h.red)};
}

ChannelTables autoContrastTables(const LayerGeometry& g, const ChannelHistograms& h) {
  if (g.bitsPerPixel == 8) return autoLevelTables(g, h);
  // One stretch for all channels, from the widest of their ends; the extremes are judged on the
  // three channels' samples together.
  const uint64_t t = stretchThreshold(g);
  LevelEnds common{255, 0};
  for (const Histogram* histogram : {&h.blue, &h.green, &h.red}) {
    const LevelEnds ends = levelEnds(*histogram, t);
    common.low = std::min(common.low, ends.low);
    common.high = std::max(common.high, ends.high);
  }
  common = pullInExtremes(common, h.blue[0] + h.green[0] + h.red[0],
                          h.blue[255] + h.green[255] + h.red[255], 6 * t);
  return onChannel(stretchOrFail(common.low, common.high), 0);
}

ChannelTables equalizationTables(const LayerGeometry& g, const ChannelHistograms& h) {
  Histogram all = h.blue;
  if (g.bitsPerPixel == 24) {
    for (int i = 0; i < 256; ++i) all[i] += h.green[i] + h.red[i];
  }
  return onChannel(equalizationTable(all), 0);
}

// ---- Automatic colour ----

using ChromaHistogram = std::vector<uint32_t>;  // 256 x 256, indexed [blue chroma][red chroma]

// Counts the chroma of every pixel of the luma-chroma copy whose luminance is strictly between
// 16 and 240: the mid-tones, where a colour cast shows.
ChromaHistogram chromaHistogram(zanHandle copy, ProgressMeter& meter) {
  ChromaHistogram counts(256 * 256, 0);
  forEachSourceTile(copy, meter, [&](const BlockHeader& block) {
    const int32_t width = block.right - block.left;
    for (int32_t y = 0; y < block.bottom - block.top; ++y) {
      const unsigned char* p = block.data + int64_t{y} * block.stride;
      for (int32_t x = 0; x < width; ++x, p += 3) {
        if (p[0] > 16 && p[0] < 240) ++counts[p[1] * 256 + p[2]];
      }
    }
  });
  return counts;
}

// Smooths with (1, 2, 1) along both axes (edge bins (3, 1)), in sixteenths.
std::vector<uint64_t> smoothed(const ChromaHistogram& counts) {
  const auto at = [](int i, int j) { return i * 256 + j; };
  const auto smoothLine = [](uint64_t a, uint64_t b, uint64_t c) { return a + 2 * b + c; };
  std::vector<uint64_t> rows(counts.size()), out(counts.size());
  for (int i = 0; i < 256; ++i) {
    for (int j = 0; j < 256; ++j) {
      const uint64_t b = counts[at(i, j)];
      rows[at(i, j)] = j == 0     ? 3 * b + counts[at(i, 1)]
                       : j == 255 ? 3 * b + counts[at(i, 254)]
                                  : smoothLine(counts[at(i, j - 1)], b, counts[at(i, j + 1)]);
    }
  }
  for (int i = 0; i < 256; ++i) {
    for (int j = 0; j < 256; ++j) {
      const uint64_t b = rows[at(i, j)];
      out[at(i, j)] = (i == 0     ? 3 * b + rows[at(1, j)]
                       : i == 255 ? 3 * b + rows[at(254, j)]
                                  : smoothLine(rows[at(i - 1, j)], b, rows[at(i + 1, j)])) /
                      16;
    }
  }
  return out;
}

// The colour cast is the most frequent mid-tone chroma; each channel is scaled so that a
// mid-grey of that chroma comes out neutral (gains limited to 1/2 ... 2).
ChannelTables castRemovalTables(const ChromaHistogram& counts) {
  const std::vector<uint64_t> smooth = smoothed(counts);
  const auto peak = std::max_element(smooth.begin(), smooth.end());
  if (*peak == 0) fail(MAT_ERR_FAILED);  // no mid-tone pixel to measure
  const auto index = static_cast<int>(peak - smooth.begin());
  const double cb = index / 256 - 128.0, cr = index % 256 - 128.0;
  const double cast[3] = {128.0 + 1.773 * cb, 128.0 - 0.344 * cb - 0.714 * cr, 128.0 + 1.403 * cr};
  ToneTable tables[3];
  for (int c = 0; c < 3; ++c) {
    const double gain = std::clamp(128.0 / std::max(cast[c], 1.0), 0.5, 2.0);
    for (int i = 0; i < 256; ++i) {
      tables[c][i] = static_cast<uint8_t>(std::clamp(std::lround(i * gain), 0L, 255L));
    }
  }
  return ChannelTables{tables[0], tables[1], tables[2]};
}

zanHandle autoColor(zanHandle layer, const ToolProgress* progress) {
  const LayerGeometry g = readGeometry(layer);
  requireLayout(layer, g, kRgb24);
  const int64_t tiles = tileCount(g);
  const ProgressMeter whole(progress, 3);
  ProgressMeter converting = whole.part(0, 1, tiles);
  const OwnedLayer copy =
      mapColourPixels(layer, converting,
                      [](const unsigned char* in, unsigned char* out) { toLumaChroma(in, out); });
  ProgressMeter counting = whole.part(1, 2, tiles);
  const ChannelTables tables = castRemovalTables(chromaHistogram(copy.get(), counting));
  ProgressMeter mapping = whole.part(2, 3, tiles);
  return mapLayer(layer, tables, mapping).release();
}

}  // namespace

extern "C" {

ZAN_API zanHandle matAutoLevel(zanHandle layer, const ToolProgress* progress, int32_t* error) {
  return measureThenMap(layer, progress, error, kGrey8 | kRgb24, 5, autoLevelTables);
}

ZAN_API zanHandle matAutoContrast(zanHandle layer, const ToolProgress* progress, int32_t* error) {
  return measureThenMap(layer, progress, error, kGrey8 | kRgb24, 5, autoContrastTables);
}

ZAN_API zanHandle matEqualization(zanHandle layer, const ToolProgress* progress, int32_t* error) {
  return measureThenMap(layer, progress, error, kGrey8 | kRgb24, 3, equalizationTables);
}

ZAN_API zanHandle matAutoColor(zanHandle layer, const ToolProgress* progress, int32_t* error) {
  return guardLayer(error, [&] { return autoColor(layer, progress); });
}

}  // extern "C"
