// The device-independent bitmap file: its headers as they lie on disk, and the plug-in's
// instance, shared by bmp_read.cpp and bmp_write.cpp.
#pragma once

#include <cstdint>

#include "plugin_kit.h"

namespace tessaly::plugin::bmp {

constexpr int32_t kFileHeaderBytes = 14;  // "BM", file size, two reserved words, data offset
constexpr int32_t kCoreHeaderBytes = 12;  // the oldest info header: 16-bit width and height
constexpr int32_t kInfoHeaderBytes = 40;  // the usual info header; the longer ones extend it
constexpr int32_t kMaxInfoHeaderBytes = 124;

// Compression codes of the info header.
constexpr uint32_t kRgb = 0;
constexpr uint32_t kRle8 = 1;
constexpr uint32_t kRle4 = 2;
constexpr uint32_t kBitFields = 3;
constexpr uint32_t kAlphaBitFields = 6;

// What the headers of a file say, checked.
struct Header {
  int32_t width = 0, height = 0;  // height made positive; topDown keeps the sign
  bool topDown = false;
  int32_t bits = 0;
  uint32_t compression = kRgb;
  uint32_t dataOffset = 0;
  uint32_t masks[3] = {};  // red, green, blue for 16- and 32-bit files
  uint32_t xPixelsPerMetre = 0, yPixelsPerMetre = 0;
  int32_t paletteCount = 0;
  PlugPaletteEntry palette[256] = {};
};

// One channel of a 16- or 32-bit pixel: (pixel >> shift) & max, stretched from 0..max to 0..255.
struct Channel {
  uint32_t shift = 0, max = 0;
};

// Where a run-length decoder stands between rows: rows still to leave empty after a jump, the
// column where the next row's data begins, and whether the end-of-bitmap mark was seen.
struct RleState {
  int32_t emptyRows = 0;
  int32_t startColumn = 0;
  bool ended = false;
};

struct Instance {
  plugin::InstanceHead head;
  // Reading.
  Header file;
  plugin::Delivery out;
  Channel channels[3];
  int32_t fileRowBytes = 0;
  int32_t rowsRead = 0;
  RleState rle;
  plugin::HeapBuffer row;  // one file row
  // Writing.
  int32_t width = 0, height = 0, sourceModel = 0, sourceBits = 0, fileBits = 0;
  int32_t rowsWritten = 0;
  bool started = false;
  int32_t paletteCount = 0;
  PlugPaletteEntry palette[256] = {};
};

inline Instance& of(PlugInstance* p) {
  return plugin::instanceOf<Instance>(p);
}

// Bytes of one stored row: rows are padded to a multiple of 4 bytes.
inline int64_t storedRowBytes(int64_t width, int32_t bits) {
  return (width * bits + 31) / 32 * 4;
}

// The signature test: "BM" and an info header size this plug-in knows.
bool looksLikeBmp(PlugStream* s);

// Reading slots (bmp_read.cpp).
int32_t openImage(PlugInstance* p, ImageInfo* info);
int32_t startReadImage(PlugInstance* p, LayerInfo* info);
int32_t readRows(PlugInstance* p, int32_t rows, uint8_t* const* planes, int32_t stride);

// The layouts the writer takes (GetSaveList).
inline constexpr SaveListEntry kSaveList[] = {
    {PLUG_COLOR_BGR, 24}, {PLUG_COLOR_INDEXED, 8}, {PLUG_COLOR_GREY, 8}};

// Writing slots (bmp_write.cpp).
int32_t createImage(PlugInstance* p, const CreateRequest* request, RowLayout* layout);
int32_t startWriteImage(PlugInstance* p);
int32_t writeRows(PlugInstance* p, int32_t rows, const uint8_t* const* planes, int32_t stride);

}  // namespace tessaly::plugin::bmp
