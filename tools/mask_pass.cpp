#include "mask_pass.h"

#include <algorithm>

#include "guard.h"

namespace tessaly::tools {

MaskSource::MaskSource(zanHandle source) {
  const zanHandle mask = zanLayerGetMask(source, nullptr);
  if (mask == 0) return;
  const LayerGeometry layer = readGeometry(source);
  const LayerGeometry m = readGeometry(mask);
  const RECT& a = layer.rect;
  const RECT& b = m.rect;
  if (m.bitsPerPixel != 8) fail(MAT_ERR_LAYOUT);
  if (a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom &&
      m.tileWidth == layer.tileWidth && m.tileHeight == layer.tileHeight) {
    handle_ = mask;
    return;
  }
  copy_ = createTiledLike(source, a, 8);
  const RECT common{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                    std::min(a.bottom, b.bottom)};
  if (common.right > common.left && common.bottom > common.top) {
    PixelBuffer values(common.right - common.left, common.bottom - common.top, 8);
    readPixels(mask,
               RECT{common.left - b.left, common.top - b.top, common.right - b.left,
                    common.bottom - b.top},
               values);
    writePixels(copy_.get(),
                RECT{common.left - a.left, common.top - a.top, common.right - a.left,
                     common.bottom - a.top},
                values);
  }
  handle_ = copy_.get();
}

void attachMask(zanHandle result, OwnedLayer mask) {
  if (zanLayerAttachMask(result, mask.get()) != 0) fail(MAT_ERR_FAILED);
  mask.release();
}

void copyMask(zanHandle source, zanHandle result) {
  const zanHandle mask = zanLayerGetMask(source, nullptr);
  if (mask == 0) return;
  OwnedLayer copy(zanCloneLayer(mask, 1, nullptr));
  if (copy.get() == 0) fail(MAT_ERR_FAILED);
  attachMask(result, std::move(copy));
}

OwnedLayer opaqueMask(zanHandle layer, const RECT& rect) {
  OwnedLayer mask = createTiledLike(layer, rect, 8);
  if (zanSetLayerBits(nullptr, mask.get(), 0, 0, rect.right - rect.left, rect.bottom - rect.top, 0,
                      255) < 0) {
    fail(MAT_ERR_FAILED);
  }
  return mask;
}

}  // namespace tessaly::tools
