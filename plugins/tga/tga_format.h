// The Targa file layout as this plug-in reads and writes it (the 18-byte header, the image types
// and depths it knows, the 16-bit pixel packing), and the instance that reads or writes one.
//
// A file is the header, then ID-length bytes of image ID, then (colour-map type 1) the colour
// map, then the pixel rows, uncompressed or run-length encoded. Every number is little-endian.
//
// Deep code fails by _zanThrow(code); each table operation runs its body through
// plugin::guarded, which turns that into the 0 result and the code GetError returns, and marks
// the instance broken: a reader or writer that may have lost its place in the stream refuses
// the rows that follow.
#pragma once

#include <cstdint>

#include "plugin_kit.h"

namespace tessaly::plugin::tga {

constexpr int kHeaderBytes = 18;

// Image types: the run-length encoded variant of each kind is the plain one plus 8.
constexpr uint8_t kTypeIndexed = 1;
constexpr uint8_t kTypeTrueColour = 2;
constexpr uint8_t kTypeGrey = 3;
constexpr uint8_t kTypeRleOffset = 8;

constexpr uint8_t kColourMapIncluded = 1;

// Image descriptor bits.
constexpr uint8_t kDescriptorAlphaBits = 0x08;  // eight alpha bits per 32-bit pixel
constexpr uint8_t kDescriptorTopLeft = 0x20;    // the first stored row is the top one

// Palette slots an 8-bit image can address.
constexpr int kPaletteSlots = 256;
// The largest width and height a header can hold.
constexpr int32_t kMaxDimension = 0xFFFF;

struct Header {
  uint8_t idLength;
  uint8_t colourMapType;
  uint8_t imageType;
  uint16_t firstMapEntry;
  uint16_t mapLength;
  uint8_t mapEntryBits;
  uint16_t xOrigin;
  uint16_t yOrigin;
  uint16_t width;
  uint16_t height;
  uint8_t pixelDepth;
  uint8_t descriptor;
};

inline Header parseHeader(const uint8_t (&b)[kHeaderBytes]) {
  Header h;
  h.idLength = b[0];
  h.colourMapType = b[1];
  h.imageType = b[2];
  h.firstMapEntry = plugin::le16(b + 3);
  h.mapLength = plugin::le16(b + 5);
  h.mapEntryBits = b[7];
  h.xOrigin = plugin::le16(b + 8);
  h.yOrigin = plugin::le16(b + 10);
  h.width = plugin::le16(b + 12);
  h.height = plugin::le16(b + 14);
  h.pixelDepth = b[16];
  h.descriptor = b[17];
  return h;
}

inline void serializeHeader(const Header& h, uint8_t (&b)[kHeaderBytes]) {
  b[0] = h.idLength;
  b[1] = h.colourMapType;
  b[2] = h.imageType;
  plugin::put16(b + 3, h.firstMapEntry);
  plugin::put16(b + 5, h.mapLength);
  b[7] = h.mapEntryBits;
  plugin::put16(b + 8, h.xOrigin);
  plugin::put16(b + 10, h.yOrigin);
  plugin::put16(b + 12, h.width);
  plugin::put16(b + 14, h.height);
  b[16] = h.pixelDepth;
  b[17] = h.descriptor;
}

inline bool isRunLength(const Header& h) {
  return h.imageType > kTypeRleOffset;
}
// The image kind with the run-length flag taken off: kTypeIndexed, kTypeTrueColour or kTypeGrey.
inline uint8_t baseType(const Header& h) {
  return isRunLength(h) ? uint8_t(h.imageType - kTypeRleOffset) : h.imageType;
}

// The header fields the signature test looks at: a known image type, a known pixel depth and a
// colour map that starts inside the palette.
inline bool passesSignature(const Header& h) {
  const uint8_t kind = baseType(h);
  const bool knownType = kind >= kTypeIndexed && kind <= kTypeGrey;
  const bool knownDepth = h.pixelDepth == 8 || h.pixelDepth == 15 || h.pixelDepth == 16 ||
                          h.pixelDepth == 24 || h.pixelDepth == 32;
  return knownType && knownDepth && h.firstMapEntry < kPaletteSlots;
}

// Bytes of the colour map that follows the ID. Each entry takes whole bytes: a 15-bit entry is
// stored in two.
inline uint32_t colourMapBytes(const Header& h) {
  if (h.colourMapType != kColourMapIncluded) return 0;
  return uint32_t(h.mapLength) * ((h.mapEntryBits + 7u) / 8u);
}

// 16-bit pixels hold five bits each of red, green and blue (red highest); the top bit is not
// colour. Unpacking leaves the low three bits of each channel clear, and packing drops them, so
// a 16-bit file read and written again keeps its bytes.
struct Bgr {
  uint8_t blue, green, red;
};
inline Bgr unpack555(uint16_t p) {
  return Bgr{uint8_t((p << 3) & 0xF8), uint8_t((p >> 2) & 0xF8), uint8_t((p >> 7) & 0xF8)};
}
inline uint16_t pack555(uint8_t blue, uint8_t green, uint8_t red) {
  return uint16_t(((red >> 3) << 10) | ((green >> 3) << 5) | (blue >> 3));
}

// Where the run-length decoder stopped inside a packet: packets may run on into the next row,
// and the next row may be asked for only in the next ReadRows call.
struct RleCarry {
  uint32_t pixelsOwed;  // pixels the current packet still has to give
  bool isRun;           // the packet repeats one value (else literal pixels follow)
  uint8_t runPixel[4];  // the repeated value of a run
};

// How the rows of an image are laid out in the file and handed to the caller.
struct Layout {
  int32_t width, height;
  int32_t fileBits;          // 8, 16, 24 or 32 (a 15-bit file counts as 16)
  int32_t filePixelBytes;    // fileBits / 8
  int32_t fileRowBytes;      // (width * fileBits + 7) / 8
  int32_t callerPixelBytes;  // bytes per pixel delivered to a reading caller: 1, 3 or 4
  bool runLength;
};

// What the writer makes: the kind of file and the palette of an indexed one.
enum class Kind : int32_t { Indexed, TrueColour, Grey };

// One Targa reader or writer, made by GetPlugStruct and freed by CloseImage.
struct Instance {
  plugin::InstanceHead head;
  Layout layout;
  int32_t rowsDone;

  // Reading.
  bool opened;
  bool keepAlpha;
  ImageInfo info;            // as OpenImage hands it out
  plugin::HeapBuffer input;  // stream bytes read ahead
  uint32_t inputPos, inputEnd;
  plugin::HeapBuffer fileRow;  // one row as stored, before conversion
  RleCarry carry;

  // Writing.
  bool created, started;
  Kind kind;
  int32_t paletteCount;
  PlugPaletteEntry palette[kPaletteSlots];
  plugin::HeapBuffer encoded;  // one run-length encoded row (at most three times the file row)
};

inline Instance& of(PlugInstance* p) {
  return plugin::instanceOf<Instance>(p);
}

// The layouts the writer takes (GetSaveList): blue-green-red 24-bit, indexed 8-bit and grey 8-bit.
inline constexpr SaveListEntry kSaveList[] = {
    {PLUG_COLOR_BGR, 24}, {PLUG_COLOR_INDEXED, 8}, {PLUG_COLOR_GREY, 8}};

// The signature test: whether the stream, from where it stands, starts with a header this
// plug-in reads. The stream is left where it was.
bool probe(PlugStream* s);

// Reading slots (tga_read.cpp).
int32_t openImage(PlugInstance* p, ImageInfo* info);
int32_t startReadImage(PlugInstance* p, LayerInfo* info);
int32_t readRows(PlugInstance* p, int32_t rows, uint8_t* const* planes, int32_t stride);

// Writing slots (tga_write.cpp). CreateLayer, AddImageInfo and AddLayerInfo take whatever they
// are given and keep nothing.
int32_t createImage(PlugInstance* p, const CreateRequest* request, RowLayout* layout);
int32_t createLayer(PlugInstance* p, const LayerInfo* info, RowLayout* layout);
int32_t addInfo(PlugInstance* p, int32_t tag, const void* value, int32_t size);
int32_t startWriteImage(PlugInstance* p);
int32_t writeRows(PlugInstance* p, int32_t rows, const uint8_t* const* planes, int32_t stride);

}  // namespace tessaly::plugin::tga
