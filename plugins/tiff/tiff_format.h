// TIFF files through libtiff: the client procedures that bind a TIFF handle to the plug-in's
// stream, and the instance shared by tiff_read.cpp and tiff_write.cpp. libtiff reports errors by
// return values; the handlers installed here keep its messages quiet.
#pragma once

#include <tiffio.h>

#include <cstdint>

#include "plugin_kit.h"

namespace tessaly::plugin::tiff {

// What the reader makes of the file's samples.
enum class Kind { Grey, Palette, Rgb };

struct Instance {
  plugin::InstanceHead head;
  TIFF* tif;
  bool shortWrite;  // the stream took fewer bytes than libtiff wrote
  // Reading.
  plugin::Delivery out;
  Kind kind;
  int32_t bitsPerSample, samplesPerPixel;
  bool minIsWhite;
  bool tiled;
  uint32_t tileWidth, tileHeight;
  int64_t fileRowBytes;  // one row of samples as stored
  int32_t rowsRead;
  int32_t bandFirstRow;     // first row held in band (tiled files), -1 = none
  plugin::HeapBuffer band;  // a row of tiles, or one scanline
  plugin::HeapBuffer tile;
  bool reading;
  // Writing.
  int32_t width, height, colorModel, bits, compression, quality, rowsWritten;
  int32_t paletteCount;
  PlugPaletteEntry palette[256];
  plugin::HeapBuffer row;
  bool writing;
};

inline Instance& of(PlugInstance* p) {
  return plugin::instanceOf<Instance>(p);
}

// Opens a TIFF handle on the instance's stream; mode "r" or "w". Null when libtiff refuses.
TIFF* openTiff(Instance& in, const char* mode);

bool looksLikeTiff(PlugStream* s);

// Reading slots (tiff_read.cpp).
int32_t openImage(PlugInstance* p, ImageInfo* info);
int32_t startReadImage(PlugInstance* p, LayerInfo* info);
int32_t readRows(PlugInstance* p, int32_t rows, uint8_t* const* planes, int32_t stride);

// The layouts the writer takes (GetSaveList).
inline constexpr SaveListEntry kSaveList[] = {{PLUG_COLOR_BGR, 24}, {PLUG_COLOR_BGR, 48},
                                              {PLUG_COLOR_GREY, 8}, {PLUG_COLOR_GREY, 16},
                                              {PLUG_COLOR_GREY, 1}, {PLUG_COLOR_INDEXED, 8}};

// Writing slots (tiff_write.cpp).
int32_t createImage(PlugInstance* p, const CreateRequest* request, RowLayout* layout);
int32_t startWriteImage(PlugInstance* p);
int32_t writeRows(PlugInstance* p, int32_t rows, const uint8_t* const* planes, int32_t stride);

void closeImage(PlugInstance* p);

}  // namespace tessaly::plugin::tiff
