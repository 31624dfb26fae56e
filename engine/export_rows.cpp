#include "export_rows.h"

#include <algorithm>
#include <cstring>

#include "zanError.h"

namespace tessaly::engine {
namespace {

int64_t strideOf(int32_t width, int32_t bitsPerPixel) {
  const int64_t bytes = bitsPerPixel < 9 ? 1 : (bitsPerPixel + 7) / 8;
  return (int64_t{width} * bytes + 3) / 4 * 4;
}

// The picture's only layer when the composition would be a plain copy of it.
zanHandle plainLayerOf(zanHandle picture, int32_t width, int32_t bitsPerPixel) {
  if (pictureValue(picture, ZAN_PICT_LAYERCOUNT) != 1) return 0;
  const zanHandle layer = zanGetLayer(picture, 1, nullptr);
  RECT rect{};
  zanGetLayerProperty(layer, ZAN_LAYER_RECT, &rect, sizeof rect, nullptr);
  const bool plain =
      layerValue(layer, ZAN_LAYER_VISIBLE) != 0 && layerValue(layer, ZAN_LAYER_OPACITY) == 255 &&
      layerValue(layer, ZAN_LAYER_KIND) == ZAN_LAYERKIND_RASTER &&
      layerValue(layer, ZAN_LAYER_BPP) == bitsPerPixel && zanLayerGetMask(layer, nullptr) == 0 &&
      zanLayerGetFloat(layer, nullptr) == 0 && rect.left == 0 && rect.top == 0 &&
      rect.right == width && rect.bottom == pictureValue(picture, ZAN_PICT_HEIGHT);
  return plain ? layer : 0;
}

}  // namespace

int32_t layerValue(zanHandle layer, int32_t id) {
  int32_t value = 0;
  zanGetLayerProperty(layer, id, &value, sizeof value, nullptr);
  return value;
}

int32_t pictureValue(zanHandle picture, int32_t id) {
  int32_t value = 0;
  zanGetPictureProperty(picture, id, &value, sizeof value, nullptr);
  return value;
}

PictureRows::PictureRows(zanHandle picture, int32_t width, int32_t bitsPerPixel, int32_t bandRows)
    : picture_(picture), width_(width) {
  plainLayer_ = plainLayerOf(picture, width, bitsPerPixel);
  if (plainLayer_ != 0) return;
  const int64_t stride = strideOf(width, bitsPerPixel);
  if (stride * bandRows > INT32_MAX) _zanThrow(ZAN_ERR_CREATE);
  int32_t error = ZAN_OK;
  block_ = zanCreateBlock(uint32_t(stride * bandRows), ZAN_BLOCK_PIXELS, &error);
  if (block_ == nullptr) _zanThrow(ZAN_ERR_CREATE);
  block_->bitsPerPixel = bitsPerPixel;
  block_->stride = int32_t(stride);
  block_->left = 0;
  block_->right = width;
}

PictureRows::~PictureRows() {
  if (block_ != nullptr) zanDestroyBlock(block_);
}

void PictureRows::read(int32_t y, int32_t rows, uint8_t* out, int64_t stride) {
  if (plainLayer_ != 0) {
    zanGetLayerBits(out, plainLayer_, 0, y, width_, y + rows, int32_t(stride));
    return;
  }
  block_->top = y;
  block_->bottom = y + rows;
  std::memset(block_->data, 0, size_t(block_->stride) * size_t(rows));
  const int32_t code = zanGetPictureBits(block_, picture_, 0, y, width_, y + rows);
  if (code != ZAN_OK) _zanThrow(code);
  const int64_t bytes = strideOf(width_, block_->bitsPerPixel);
  for (int32_t j = 0; j < rows; ++j)
    std::memcpy(out + j * stride, block_->data + int64_t{j} * block_->stride,
                size_t(std::min<int64_t>(bytes, stride)));
}

void LayerRows::read(int32_t y, int32_t rows, uint8_t* out, int64_t stride) {
  zanGetLayerBits(out, layer_, 0, y, width_, y + rows, int32_t(stride));
}

}  // namespace tessaly::engine
