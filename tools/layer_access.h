// How the tools reach layers: geometry and layout checks, new layers shaped like a source,
// owned layers and blocks that clean up after a failure, and the tile grid.
#pragma once

#include <cstdint>
#include <vector>

#include "zanengin.h"

namespace tessaly::tools {

// Bytes of one pixel: 1 below 9 bits, else whole bytes.
int32_t bytesPerPixel(int32_t bitsPerPixel);
// Bytes from one row to the next: the engine rounds every row up to a multiple of 4 bytes.
int64_t rowStride(int32_t bitsPerPixel, int64_t width);

struct LayerGeometry {
  RECT rect{};  // picture coordinates
  int32_t bitsPerPixel = 24;
  int32_t tileWidth = 256;
  int32_t tileHeight = 256;

  int32_t width() const { return rect.right - rect.left; }
  int32_t height() const { return rect.bottom - rect.top; }
  int32_t pixelBytes() const { return bytesPerPixel(bitsPerPixel); }
};

// The rectangle of the size at (left, top).
inline RECT sized(int32_t left, int32_t top, int32_t width, int32_t height) {
  return RECT{left, top, left + width, top + height};
}

// The geometry of a live layer; a zero handle or one that is not a layer raises MAT_ERR_ARG.
LayerGeometry readGeometry(zanHandle layer);

// Layouts an operation accepts, as a set of these bits.
enum Layout : uint32_t {
  kGrey8 = 1,     // 8 bits without a palette on the layer or its picture
  kIndexed8 = 2,  // 8 bits with a palette
  kGrey16 = 4,
  kRgb24 = 8,
  kRgb48 = 16,
};
Layout layoutOf(zanHandle layer, int32_t bitsPerPixel);
// Raises MAT_ERR_LAYOUT unless the layer's layout is one of accepted.
void requireLayout(zanHandle layer, const LayerGeometry& geometry, uint32_t accepted);

// A layer that is destroyed unless released to the caller.
class OwnedLayer {
 public:
  explicit OwnedLayer(zanHandle layer = 0) : layer_(layer) {}
  OwnedLayer(OwnedLayer&& other) noexcept : layer_(other.release()) {}
  OwnedLayer& operator=(OwnedLayer&& other) noexcept;
  ~OwnedLayer();
  zanHandle get() const { return layer_; }
  zanHandle release() {
    const zanHandle layer = layer_;
    layer_ = 0;
    return layer;
  }

 private:
  zanHandle layer_;
};

// A new layer without pixels covering rect, taking the source's tile size, opacity, visibility,
// stored values and palette; bitsPerPixel 0 keeps the source's.
OwnedLayer createLike(zanHandle source, const RECT& rect, int32_t bitsPerPixel = 0);
// A new plain layer (no source to copy from).
OwnedLayer createPlain(const RECT& rect, int32_t bitsPerPixel);
// A new plain layer with the source's tile size and nothing else of it (masks).
OwnedLayer createTiledLike(zanHandle source, const RECT& rect, int32_t bitsPerPixel);

// A block made for a tile, destroyed unless handed over to a layer by insertInto.
class OwnedBlock {
 public:
  // Zeroed pixel memory for the rectangle (layer coordinates) with the engine's stride.
  OwnedBlock(const RECT& rect, int32_t bitsPerPixel);
  OwnedBlock(const OwnedBlock&) = delete;
  OwnedBlock& operator=(const OwnedBlock&) = delete;
  ~OwnedBlock();
  BlockHeader* get() const { return block_; }
  BlockHeader* operator->() const { return block_; }
  // Puts the block into its tile of the layer; the layer owns it from now on.
  void insertInto(zanHandle layer);

 private:
  BlockHeader* block_;
};

// The block of a source tile, locked for reading and unlocked unmodified; null when the tile has
// no block.
class ReadBlock {
 public:
  ReadBlock(zanHandle layer, int32_t x, int32_t y);
  ReadBlock(const ReadBlock&) = delete;
  ReadBlock& operator=(const ReadBlock&) = delete;
  ~ReadBlock();
  BlockHeader* get() const { return block_; }

 private:
  BlockHeader* block_;
};

// The tile grid of a layer in layer coordinates; the last column and row may be narrower.
struct TileGrid {
  int32_t width;
  int32_t height;
  int32_t tileWidth;
  int32_t tileHeight;

  explicit TileGrid(const LayerGeometry& geometry);
  int32_t columns() const;
  int32_t rows() const;
  int64_t count() const { return int64_t{columns()} * rows(); }
  RECT tile(int32_t column, int32_t row) const;
};

// The number of tiles of g's tile size over rect.
inline int64_t tilesOver(const RECT& rect, const LayerGeometry& g) {
  return TileGrid(LayerGeometry{rect, g.bitsPerPixel, g.tileWidth, g.tileHeight}).count();
}

// A rectangle of a layer (layer coordinates) read into a buffer with the engine's stride.
struct PixelBuffer {
  int32_t width = 0;
  int32_t height = 0;
  int64_t stride = 0;
  std::vector<unsigned char> bytes;

  PixelBuffer() = default;
  PixelBuffer(int32_t w, int32_t h, int32_t bitsPerPixel);
  // Takes the new size with every byte zero, keeping the memory it already has.
  void reshape(int32_t w, int32_t h, int32_t bitsPerPixel);
  unsigned char* row(int32_t y) { return bytes.data() + y * stride; }
  const unsigned char* row(int32_t y) const { return bytes.data() + y * stride; }
};
void readPixels(zanHandle layer, const RECT& rect, PixelBuffer& buffer);
void writePixels(zanHandle layer, const RECT& rect, const PixelBuffer& buffer);

}  // namespace tessaly::tools
