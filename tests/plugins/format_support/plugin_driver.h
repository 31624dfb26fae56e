// Drives the format plug-in linked into a test executable through its two exports and its
// function table, over streams in memory, the way the loader does.
#pragma once

#include <cstdint>
#include <vector>

#include "memory_stream.h"
#include "plugin_interface.h"

namespace tessaly::test {

// A picture in a plug-in's row layout, rows top first at rowBytes each.
struct Picture {
  int32_t colorModel = PLUG_COLOR_BGR, bits = 24, width = 0, height = 0;
  int32_t paletteCount = 0;
  PlugPaletteEntry palette[256] = {};
  std::vector<uint8_t> rows;
  int32_t rowBytes() const { return bits == 1 ? (width + 7) / 8 : width * (bits / 8); }
};

struct Decoded {
  bool opened = false;  // GetPlugStruct and OpenImage took the file
  int32_t error = 0;    // the plug-in's code after a failure, 0 when every step went well
  ImageInfo image{};
  LayerInfo layer{};
  std::vector<uint8_t> rows;  // top row first, layer.rowBytes each
  int32_t xDpi = 0, yDpi = 0;
};

// Opens and reads the whole file in bands of band rows; rows of bottom-up files are put top
// first.
Decoded decode(const std::vector<uint8_t>& file, int32_t band = 32);

// Writes the picture; returns the file's bytes, or an empty vector with the code in error.
// limit cuts the stream short after that many bytes (a full disk).
std::vector<uint8_t> encode(const Picture& picture, const SaveOptions* options = nullptr,
                            int32_t dpi = 0, int32_t* error = nullptr, size_t limit = SIZE_MAX);

// A test picture with varied content: gradients and a few sharp edges.
Picture pattern(int32_t colorModel, int32_t bits, int32_t width, int32_t height);

// A picture of gentle gradients, for lossy formats.
Picture smooth(int32_t colorModel, int32_t bits, int32_t width, int32_t height);

// The file cut to its first bytes bytes.
std::vector<uint8_t> truncated(const std::vector<uint8_t>& file, size_t bytes);

}  // namespace tessaly::test
