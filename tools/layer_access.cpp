#include "layer_access.h"

#include <algorithm>

#include "guard.h"
#include "zanHeap.h"

namespace tessaly::tools {
namespace {

int32_t layerValue(zanHandle layer, int32_t id) {
  int32_t value = 0;
  zanGetLayerProperty(layer, id, &value, sizeof value, nullptr);
  return value;
}

void setLayerValue(zanHandle layer, int32_t id, int32_t value) {
  if (zanSetLayerProperty(layer, id, &value, sizeof value, 0) < 0) fail(MAT_ERR_FAILED);
}

// A palette is a heap block the layer owns, so the new layer gets a copy of its own.
void copyPalette(zanHandle source, zanHandle target) {
  const auto palette = static_cast<zanHandle>(layerValue(source, ZAN_LAYER_PALETTE));
  if (palette == 0) return;
  const uint32_t size = zanHeapSize(0, palette);
  const zanHandle copy = zanHeapAlloc(0, size, 0);
  if (copy == 0) fail(MAT_ERR_FAILED);
  const void* from = zanHeapLock(0, palette, 0);
  void* to = zanHeapLock(0, copy, 0);
  if (from != nullptr && to != nullptr) zanMemCopy(to, from, size);
  if (from != nullptr) zanHeapUnlock(0, palette, 0);
  if (to != nullptr) zanHeapUnlock(0, copy, 1);
  if (from == nullptr || to == nullptr) {
    zanHeapFree(0, copy);
    fail(MAT_ERR_FAILED);
  }
  setLayerValue(target, ZAN_LAYER_PALETTE, static_cast<int32_t>(copy));
}

}  // namespace

int32_t bytesPerPixel(int32_t bitsPerPixel) {
  return bitsPerPixel < 9 ? 1 : (bitsPerPixel + 7) / 8;
}

int64_t rowStride(int32_t bitsPerPixel, int64_t width) {
  return (bytesPerPixel(bitsPerPixel) * width + 3) & ~int64_t{3};
}

LayerGeometry readGeometry(zanHandle layer) {
  if (layer == 0 || zanCheckBaseObjectType(layer, ZAN_BASE_LAYER) == 0) fail(MAT_ERR_ARG);
  LayerGeometry g;
  zanGetLayerProperty(layer, ZAN_LAYER_RECT, &g.rect, sizeof g.rect, nullptr);
  g.bitsPerPixel = layerValue(layer, ZAN_LAYER_BPP);
  g.tileWidth = std::max(layerValue(layer, ZAN_LAYER_TILEW), 1);
  g.tileHeight = std::max(layerValue(layer, ZAN_LAYER_TILEH), 1);
  return g;
}

Layout layoutOf(zanHandle layer, int32_t bitsPerPixel) {
  switch (bitsPerPixel) {
    case 8: {
      const auto picture = static_cast<zanHandle>(layerValue(layer, ZAN_LAYER_PICTURE));
      int32_t picturePalette = 0;
      if (picture != 0) {
        zanGetPictureProperty(picture, ZAN_PICT_PALETTE, &picturePalette, sizeof picturePalette,
                              nullptr);
      }
      const bool palette = picturePalette != 0 || layerValue(layer, ZAN_LAYER_PALETTE) != 0;
      return palette ? kIndexed8 : kGrey8;
    }
    case 16:
      return kGrey16;
    case 24:
      return kRgb24;
    case 48:
      return kRgb48;
    default:
      return Layout{0};
  }
}

void requireLayout(zanHandle layer, const LayerGeometry& geometry, uint32_t accepted) {
  if ((layoutOf(layer, geometry.bitsPerPixel) & accepted) == 0) fail(MAT_ERR_LAYOUT);
}

OwnedLayer& OwnedLayer::operator=(OwnedLayer&& other) noexcept {
  if (this != &other) {
    if (layer_ != 0) zanDestroyLayer(layer_);
    layer_ = other.release();
  }
  return *this;
}

OwnedLayer::~OwnedLayer() {
  if (layer_ != 0) zanDestroyLayer(layer_);
}

OwnedLayer createPlain(const RECT& rect, int32_t bitsPerPixel) {
  int32_t code = 0;
  OwnedLayer layer(zanCreateLayer(rect.left, rect.top, rect.right, rect.bottom, &code));
  if (layer.get() == 0) fail(MAT_ERR_FAILED);
  if (bitsPerPixel != 24) setLayerValue(layer.get(), ZAN_LAYER_BPP, bitsPerPixel);
  return layer;
}

OwnedLayer createTiledLike(zanHandle source, const RECT& rect, int32_t bitsPerPixel) {
  const LayerGeometry g = readGeometry(source);
  OwnedLayer layer = createPlain(rect, bitsPerPixel != 0 ? bitsPerPixel : g.bitsPerPixel);
  // The tile size is set before any pixel arrives: setting it lays the grid out afresh.
  setLayerValue(layer.get(), ZAN_LAYER_TILEW, g.tileWidth);
  setLayerValue(layer.get(), ZAN_LAYER_TILEH, g.tileHeight);
  return layer;
}

OwnedLayer createLike(zanHandle source, const RECT& rect, int32_t bitsPerPixel) {
  OwnedLayer layer = createTiledLike(source, rect, bitsPerPixel);
  for (const int32_t id :
       {ZAN_LAYER_OPACITY, ZAN_LAYER_VISIBLE, ZAN_LAYER_USER1, ZAN_LAYER_USER2, ZAN_LAYER_TAG}) {
    setLayerValue(layer.get(), id, layerValue(source, id));
  }
  if (bitsPerPixel == 0 || bitsPerPixel == readGeometry(source).bitsPerPixel)
    copyPalette(source, layer.get());
  return layer;
}

OwnedBlock::OwnedBlock(const RECT& rect, int32_t bitsPerPixel) {
  const int64_t stride = rowStride(bitsPerPixel, rect.right - rect.left);
  const int64_t size = stride * (rect.bottom - rect.top);
  if (size > INT32_MAX) fail(MAT_ERR_FAILED);
  int32_t code = 0;
  block_ = zanCreateBlock(static_cast<uint32_t>(size), ZAN_BLOCK_PIXELS, &code);
  if (block_ == nullptr || (size > 0 && block_->data == nullptr)) {
    if (block_ != nullptr) zanDestroyBlock(block_);
    fail(MAT_ERR_FAILED);
  }
  block_->left = rect.left;
  block_->top = rect.top;
  block_->right = rect.right;
  block_->bottom = rect.bottom;
  block_->bitsPerPixel = bitsPerPixel;
  block_->stride = static_cast<int32_t>(stride);
}

OwnedBlock::~OwnedBlock() {
  if (block_ != nullptr) zanDestroyBlock(block_);
}

void OwnedBlock::insertInto(zanHandle layer) {
  // The fresh layer has no block in this tile, so nothing comes back; if something does, it is
  // no longer the layer's and is ours to free.
  BlockHeader* previous = zanInsertBlock(block_, layer, nullptr);
  if (previous != nullptr) zanDestroyBlock(previous);
  // A block that did not fit stays ours: the tile then holds some other block (or none).
  BlockHeader* placed = zanLockBlock(layer, block_->left, block_->top, nullptr);
  const bool inserted = placed == block_;
  if (placed != nullptr) zanUnlockBlock(placed, 0);
  if (!inserted) fail(MAT_ERR_FAILED);
  zanUnlockBlock(block_, 1);
  block_ = nullptr;
}

ReadBlock::ReadBlock(zanHandle layer, int32_t x, int32_t y)
    : block_(zanLockBlock(layer, x, y, nullptr)) {}

ReadBlock::~ReadBlock() {
  if (block_ != nullptr) zanUnlockBlock(block_, 0);
}

TileGrid::TileGrid(const LayerGeometry& g)
    : width(g.width()), height(g.height()), tileWidth(g.tileWidth), tileHeight(g.tileHeight) {}

int32_t TileGrid::columns() const {
  return width <= 0 ? 0 : (width - 1) / tileWidth + 1;
}

int32_t TileGrid::rows() const {
  return height <= 0 ? 0 : (height - 1) / tileHeight + 1;
}

RECT TileGrid::tile(int32_t column, int32_t row) const {
  const int32_t left = column * tileWidth;
  const int32_t top = row * tileHeight;
  return RECT{left, top, std::min(left + tileWidth, width), std::min(top + tileHeight, height)};
}

PixelBuffer::PixelBuffer(int32_t w, int32_t h, int32_t bitsPerPixel) {
  reshape(w, h, bitsPerPixel);
}

void PixelBuffer::reshape(int32_t w, int32_t h, int32_t bitsPerPixel) {
  width = w;
  height = h;
  stride = rowStride(bitsPerPixel, w);
  bytes.assign(static_cast<size_t>(stride * std::max(h, 0)), 0);
}

void readPixels(zanHandle layer, const RECT& rect, PixelBuffer& buffer) {
  zanGetLayerBits(buffer.bytes.data(), layer, rect.left, rect.top, rect.right, rect.bottom,
                  static_cast<int32_t>(buffer.stride));
}

void writePixels(zanHandle layer, const RECT& rect, const PixelBuffer& buffer) {
  if (zanSetLayerBits(buffer.bytes.data(), layer, rect.left, rect.top, rect.right, rect.bottom,
                      static_cast<int32_t>(buffer.stride), ZAN_NO_FILL) < 0) {
    fail(MAT_ERR_FAILED);
  }
}

}  // namespace tessaly::tools
