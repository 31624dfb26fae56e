// Exported tone and colour operations built on lookup tables and per-pixel rules.
#include <algorithm>
#include <cstring>

#include "colour_rules.h"
#include "guard.h"
#include "mask_pass.h"
#include "tone_passes.h"

using namespace tessaly::tools;

namespace {

// Checks the layer and its layout, then runs the body with its geometry.
template <typename Body>
zanHandle operate(zanHandle layer, const void* params, uint32_t layouts, int32_t* error,
                  Body&& body) {
  return guardLayer(error, [&] {
    const LayerGeometry g = readGeometry(layer);
    if (params == nullptr) fail(MAT_ERR_ARG);
    requireLayout(layer, g, layouts);
    return body(g).release();
  });
}

constexpr const void* kNoParams = "";  // for operations that take no parameter record

// The fill's pixels for a 48-bit layer: each byte of the colour twice (the engine's own fill
// would leave the samples' high bytes 0).
OwnedLayer fillDeep(zanHandle layer, int32_t colour, ProgressMeter& meter) {
  const unsigned char sample[6] = {
      static_cast<unsigned char>(colour >> 16), static_cast<unsigned char>(colour >> 16),
      static_cast<unsigned char>(colour >> 8),  static_cast<unsigned char>(colour >> 8),
      static_cast<unsigned char>(colour),       static_cast<unsigned char>(colour)};
  return runPixelFrame(
      layer, 0,
      [&](BlockHeader& out, const BlockHeader& in) {
        forEachRow(out, in, [&](unsigned char* row, const unsigned char*, int32_t width) {
          for (int32_t x = 0; x < width; ++x) std::memcpy(row + 6 * x, sample, 6);
        });
      },
      meter);
}

// Other depths through the engine's fill: every tile is uniform, its fill value holds its pixels.
OwnedLayer fillUniform(zanHandle layer, const LayerGeometry& g, int32_t colour,
                       ProgressMeter& meter) {
  meter.checkCancel();
  OwnedLayer result = createLike(layer, g.rect);
  if (zanSetLayerBits(nullptr, result.get(), 0, 0, g.width(), g.height(), 0, colour) < 0)
    fail(MAT_ERR_FAILED);
  copyMask(layer, result.get());
  meter.advance();
  return result;
}

}  // namespace

extern "C" {

ZAN_API zanHandle matBriAndCont(zanHandle layer, const BriContParams* params,
                                const ToolProgress* progress, int32_t* error) {
  return operate(layer, params, kGrey8 | kGrey16 | kRgb24 | kRgb48, error, [&](auto& g) {
    ProgressMeter meter(progress, tileCount(g));
    const ToneTable table = brightnessContrastTable(params->brightness, params->contrast);
    return mapLayer(layer, onChannel(table, std::clamp(params->channel, 0, 3)), meter);
  });
}

ZAN_API zanHandle matToneAdjustment(zanHandle layer, const ToneAdjustParams* params,
                                    const ToolProgress* progress, int32_t* error) {
  return operate(layer, params, kGrey8 | kRgb24, error, [&](auto& g) {
    ProgressMeter meter(progress, tileCount(g));
    const ToneTable table = toneAdjustmentTable(params->highlight, params->midtone, params->shadow);
    return mapLayer(layer, onChannel(table, std::clamp(params->channel, 0, 3)), meter);
  });
}

ZAN_API zanHandle matColorReduction(zanHandle layer, const ColorReductionParams* params,
                                    const ToolProgress* progress, int32_t* error) {
  return operate(layer, params, kRgb24, error, [&](auto& g) {
    ProgressMeter meter(progress, tileCount(g));
    const ToneTable table = colorReductionTable(params->levels);
    return mapLayer(layer, onChannel(table, std::clamp(params->channel, 0, 3)), meter);
  });
}

ZAN_API zanHandle matNegative(zanHandle layer, const ToolProgress* progress, int32_t* error) {
  return operate(layer, kNoParams, kGrey8 | kIndexed8 | kGrey16 | kRgb24, error, [&](auto& g) {
    ProgressMeter meter(progress, tileCount(g));
    return mapLayer(layer, onChannel(negativeTable(), 0), meter);
  });
}

ZAN_API zanHandle matColorBalance(zanHandle layer, const ColorBalanceParams* params,
                                  const ToolProgress* progress, int32_t* error) {
  return operate(layer, params, kRgb24, error, [&](auto& g) {
    ProgressMeter meter(progress, tileCount(g));
    return mapLayer(
        layer, colorBalanceTables(params->red, params->green, params->blue, params->range), meter);
  });
}

ZAN_API zanHandle matThreshold(zanHandle layer, const ThresholdParams* params,
                               const ToolProgress* progress, int32_t* error) {
  return operate(layer, params, kGrey8 | kRgb24, error, [&](auto& g) {
    ProgressMeter meter(progress, tileCount(g));
    const int32_t t = std::clamp(params->threshold, 0, 255);
    if (g.bitsPerPixel == 8) {
      ToneTable table{};
      for (int32_t i = 0; i < 256; ++i) table[i] = t < i ? 255 : 0;
      return mapLayer(layer, onChannel(table, 0), meter);
    }
    return mapColourPixels(layer, meter, [t](const unsigned char* in, unsigned char* out) {
      const unsigned char v = aboveThreshold(in, t) ? 255 : 0;
      out[0] = out[1] = out[2] = v;
    });
  });
}

ZAN_API zanHandle matSepia(zanHandle layer, const ToolProgress* progress, int32_t* error) {
  return operate(layer, kNoParams, kRgb24, error, [&](auto& g) {
    ProgressMeter meter(progress, tileCount(g));
    return mapColourPixels(layer, meter, sepiaPixel);
  });
}

ZAN_API zanHandle matColorTone(zanHandle layer, const ColorToneParams* params,
                               const ToolProgress* progress, int32_t* error) {
  return operate(layer, params, kRgb24, error, [&](auto& g) {
    ProgressMeter meter(progress, tileCount(g));
    const ColorToneTables t = colorToneTables(params->red, params->green, params->blue);
    return mapColourPixels(layer, meter, [&t](const unsigned char* in, unsigned char* out) {
      const int32_t grey = t.blue[in[0]] + t.green[in[1]] + t.red[in[2]];
      out[0] = t.tint.blue[grey];
      out[1] = t.tint.green[grey];
      out[2] = t.tint.red[grey];
    });
  });
}

ZAN_API zanHandle matHueAndSaturation(zanHandle layer, const HueSatParams* params,
                                      const ToolProgress* progress, int32_t* error) {
  return operate(layer, params, kRgb24, error, [&](auto& g) {
    ProgressMeter meter(progress, tileCount(g));
    if (std::clamp(params->hue, -180, 180) == 0 && std::clamp(params->saturation, -100, 100) == 0) {
      return mapLayer(layer, onChannel(identityTable(), 0), meter);
    }
    const HueSaturation rule(params->hue, params->saturation);
    return mapColourPixels(layer, meter, [&rule](const unsigned char* in, unsigned char* out) {
      rule.apply(in, out);
    });
  });
}

ZAN_API zanHandle _matFillColor(zanHandle layer, const FillParams* params,
                                const ToolProgress* progress, int32_t* error) {
  constexpr uint32_t kAny = kGrey8 | kIndexed8 | kGrey16 | kRgb24 | kRgb48;
  return operate(layer, params, kAny, error, [&](auto& g) {
    // The high byte is dropped: all ones there would read as "no fill".
    const int32_t colour = params->colour & 0xFFFFFF;
    ProgressMeter meter(progress, g.bitsPerPixel == 48 ? tileCount(g) : 1);
    return g.bitsPerPixel == 48 ? fillDeep(layer, colour, meter)
                                : fillUniform(layer, g, colour, meter);
  });
}

}  // extern "C"
