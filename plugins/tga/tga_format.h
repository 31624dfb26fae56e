// The Targa file layout as this plug-in reads and writes it: the 18-byte header, the image types
// and depths it knows, and the 16-bit pixel packing shared by reading and writing.
//
// A file is the header, then ID-length bytes of image ID, then (colour-map type 1) the colour
// map, then the pixel rows, uncompressed or run-length encoded. Every number is little-endian.
#pragma once

#include <cstdint>

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

inline uint16_t readLe16(const uint8_t* p) {
  return uint16_t(p[0] | (p[1] << 8));
}
inline void writeLe16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}

inline Header parseHeader(const uint8_t (&b)[kHeaderBytes]) {
  Header h;
  h.idLength = b[0];
  h.colourMapType = b[1];
  h.imageType = b[2];
  h.firstMapEntry = readLe16(b + 3);
  h.mapLength = readLe16(b + 5);
  h.mapEntryBits = b[7];
  h.xOrigin = readLe16(b + 8);
  h.yOrigin = readLe16(b + 10);
  h.width = readLe16(b + 12);
  h.height = readLe16(b + 14);
  h.pixelDepth = b[16];
  h.descriptor = b[17];
  return h;
}

inline void serializeHeader(const Header& h, uint8_t (&b)[kHeaderBytes]) {
  b[0] = h.idLength;
  b[1] = h.colourMapType;
  b[2] = h.imageType;
  writeLe16(b + 3, h.firstMapEntry);
  writeLe16(b + 5, h.mapLength);
  b[7] = h.mapEntryBits;
  writeLe16(b + 8, h.xOrigin);
  writeLe16(b + 10, h.yOrigin);
  writeLe16(b + 12, h.width);
  writeLe16(b + 14, h.height);
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

}  // namespace tessaly::plugin::tga
