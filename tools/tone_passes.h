// Whole-layer passes shared by the tone operations.
#pragma once

#include "layer_access.h"
#include "pixel_frame.h"
#include "tone_map.h"

namespace tessaly::tools {

// Every byte of the layer through the tables, into a new layer.
inline OwnedLayer mapLayer(zanHandle layer, const ChannelTables& tables, ProgressMeter& meter) {
  const int32_t bits = readGeometry(layer).bitsPerPixel;
  return runPixelFrame(
      layer, 0, [&](BlockHeader& out, const BlockHeader& in) { mapTile(out, in, bits, tables); },
      meter);
}

// Every 24-bit pixel through rule(in, out), into a new layer.
template <typename Rule>
OwnedLayer mapColourPixels(zanHandle layer, ProgressMeter& meter, const Rule& rule) {
  return runPixelFrame(
      layer, 0,
      [&](BlockHeader& out, const BlockHeader& in) {
        forEachRow(out, in, [&](unsigned char* o, const unsigned char* i, int32_t width) {
          for (int32_t x = 0; x < width; ++x) rule(i + 3 * x, o + 3 * x);
        });
      },
      meter);
}

}  // namespace tessaly::tools
