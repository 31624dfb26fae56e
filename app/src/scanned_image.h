// A scanned image as the memory transfer builds it: a device-independent bitmap with its header,
// its palette (none for colour) and its rows, bottom row first, each padded to a multiple of 4
// bytes; and the steps that build it from the source's rows and turn it into a picture.
#pragma once

#include <QImage>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "tessaly/twain/twain.h"

namespace tessaly::app {

// The bitmap header, field for field as in a packed bitmap file's info header.
struct DibHeader {
  uint32_t size = 40;
  int32_t width = 0;
  int32_t height = 0;
  uint16_t planes = 1;
  uint16_t bitCount = 0;
  uint32_t compression = 0;
  uint32_t sizeImage = 0;
  int32_t xPelsPerMeter = 0;
  int32_t yPelsPerMeter = 0;
  uint32_t clrUsed = 0;
  uint32_t clrImportant = 0;
};
static_assert(sizeof(DibHeader) == 40);

struct DibColour {
  uint8_t blue = 0;
  uint8_t green = 0;
  uint8_t red = 0;
  uint8_t reserved = 0;
};

// Bytes that are not cleared when they are allocated: a transfer writes every byte of the image
// (or the image is dropped), and clearing tens of megabytes first would cost as much as a read.
template <typename T>
struct UnclearedAllocator : std::allocator<T> {
  template <typename U>
  struct rebind {
    using other = UnclearedAllocator<U>;
  };
  template <typename U>
  void construct(U* place) noexcept {
    ::new (static_cast<void*>(place)) U;
  }
  template <typename U, typename... Args>
  void construct(U* place, Args&&... args) {
    ::new (static_cast<void*>(place)) U(std::forward<Args>(args)...);
  }
};
using ImageBytes = std::vector<uint8_t, UnclearedAllocator<uint8_t>>;

struct ScannedImage {
  DibHeader header;
  std::vector<DibColour> palette;
  ImageBytes bits;  // header.sizeImage bytes
  uint32_t rowBytes = 0;
  bool rgb = false;  // three samples per pixel, delivered red first
};

// The sizes of one transfer, all checked to fit 32 bits.
struct TransferLayout {
  uint32_t rowBytes = 0;    // one padded row
  uint32_t imageBytes = 0;  // every row
  uint32_t blockBytes = 0;  // what one transfer call may write at most
};

// The layout for an image the source describes, with its preferred block size; nothing when
// the image has no known size, a depth no bitmap holds, or sizes beyond 32 bits. A preferred
// size of 0 means one row per block.
std::optional<TransferLayout> transferLayout(const TW_IMAGEINFO& info, uint32_t preferred);

// Pixels per metre for a resolution in the given units (0 for units other than inches and
// centimetres).
int32_t pelsPerMeter(double resolution, TW_UINT16 units);
// Pixels per inch from pixels per metre, rounded.
int dotsPerInch(int32_t pelsPerMeter);

// The palette of a pixel type: two entries for black and white (white first for the vanilla
// flavour), 256 greys for grey, none for colour; other types take the source's palette (at most
// 256 entries, whatever count it claims) or, without one, 256 greys.
std::vector<DibColour> paletteFor(TW_INT16 pixelType, TW_UINT16 flavour,
                                  const TW_PALETTE8* sourcePalette);

// Puts `count` rows as the source delivers them (top row first, each image.rowBytes long) into
// the image's bitmap, whose rows are bottom row first: source row firstRow + i goes to bitmap
// row height - 1 - (firstRow + i). Colour pixels become blue, green, red on the way (both bytes
// of a 16-bit sample move together); padding is copied as it is. Rows past the image are ignored.
void placeRowsBottomUp(ScannedImage& image, const uint8_t* rows, uint32_t firstRow, uint32_t count);

// The image as a top-down picture with its resolution: 1-bit and 8-bit through their palette,
// 16-bit grey and 48-bit colour cut to 8 bits per sample. A null image for a depth it cannot show.
QImage toQImage(const ScannedImage& image);

}  // namespace tessaly::app
