// Turning the rows a plug-in delivers into 24-bit blue-green-red rows.
#pragma once

#include <cstdint>

#include "plugin_interface.h"

namespace tessaly::fileio {

// How one delivered row becomes blue-green-red; chosen once per image.
struct BgrConversion {
  enum class Kind {
    Copy,
    DropFourth,
    HighBytes48,
    Grey,
    GreyAlpha,
    Grey16,
    Palette,
    Planes8,
    Planes16
  };
  Kind kind = Kind::Copy;
  int32_t planes = 1;         // plane buffers the plug-in fills
  int32_t bytesPerPixel = 3;  // of plane 0 (planar: of each plane)
  PlugPaletteEntry palette[256]{};
};

// The conversion for an image of that colour model, bits and channel count; false when the
// layout is not one the loader knows.
bool chooseConversion(const ImageInfo& image, const LayerInfo& layer, BgrConversion& out);

// Converts one row of width pixels; row[p] is the row in plane p.
void convertRow(const BgrConversion& c, const uint8_t* const* row, uint8_t* out, int32_t width);

}  // namespace tessaly::fileio
