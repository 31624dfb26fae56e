// Wrapping a caller's bitmap as a layer without copying it: one tile whose block points at the
// caller's pixels for as long as the layer lives.
#include "block.h"
#include "block_insert.h"
#include "layer_copy.h"
#include "owned.h"
#include "pixel_format.h"

namespace tessaly::engine {

zanHandle wrapBitmap(const ZanBitmap& bitmap) {
  const int64_t right = int64_t{bitmap.left} + bitmap.width;
  const int64_t bottom = int64_t{bitmap.top} + bitmap.height;
  if (bitmap.width < 0 || bitmap.height < 0 || right > INT32_MAX || bottom > INT32_MAX ||
      !isValidBpp(bitmap.bitsPerPixel) || bitmap.pixels == nullptr)
    _zanThrow(ZAN_ERR_ARG);
  const int64_t stride = (int64_t{bitmap.bitsPerPixel} * bitmap.width + 31) / 32 * 4;
  if (stride * bitmap.height > UINT32_MAX) _zanThrow(ZAN_ERR_ARG);
  OwnedObject owned(createLayer(
      RECT{bitmap.left, bitmap.top, static_cast<int32_t>(right), static_cast<int32_t>(bottom)}));
  Locked<Layer> layer = lockOrThrow<Layer>(owned.get());
  layer.markModified();
  layer->tileWidth = bitmap.width;
  layer->tileHeight = bitmap.height;
  layer->bitsPerPixel = bitmap.bitsPerPixel;
  if (bitmap.header != nullptr) {
    layer->visible = bitmap.header->visible;
    layer->opacity = static_cast<uint8_t>(bitmap.header->opacity);
  }
  layer->kind = ZAN_LAYERKIND_TRANSFORMED;
  if (bitmap.width == 0 || bitmap.height == 0) return owned.release();
  OwnedBlock block(createBlock(0, ZAN_BLOCK_PIXELS));
  Block& b = *block.get();
  b.header.right = bitmap.width;
  b.header.bottom = bitmap.height;
  b.header.bitsPerPixel = bitmap.bitsPerPixel;
  b.header.stride = static_cast<int32_t>(stride);
  b.externalData = static_cast<unsigned char*>(bitmap.pixels);
  b.header.data = b.externalData;
  b.memorySize = static_cast<uint32_t>(stride * bitmap.height);
  insertBlock(b, *layer);
  unlockBlock(block.release(), true);
  return owned.release();
}

}  // namespace tessaly::engine
