// Drawing a view: the cache brought up to date and drawn tile by tile, or, without the cache, the
// requested part composed afresh into a scratch layer and drawn the same way.
#include "view_draw.h"

#include <cstring>
#include <vector>

#include "block.h"
#include "compose.h"
#include "owned.h"
#include "picture.h"
#include "pixel_format.h"
#include "pixel_rect.h"
#include "property_store.h"
#include "rect_util.h"
#include "view_gamma.h"

namespace tessaly::engine {
namespace {

constexpr int32_t kPaperWhite = 0xFFFFFF;

// The pixels of part (block coordinates) copied out, rows in display order, for gamma or for a
// block stored bottom row first.
std::vector<unsigned char> copyForDisplay(const BlockHeader& h, const RECT& part, int32_t& stride,
                                          const GammaTables* gamma) {
  const int32_t pixelBytes = bytesPerPixel(h.bitsPerPixel);
  const int32_t width = part.right - part.left;
  const int32_t height = part.bottom - part.top;
  stride = static_cast<int32_t>(rowStride(h.bitsPerPixel, width));
  std::vector<unsigned char> copy(static_cast<size_t>(stride) * height);
  const int32_t blockHeight = h.bottom - h.top;
  for (int32_t y = 0; y < height; ++y) {
    const int32_t blockRow = part.top - h.top + y;
    const int32_t sourceRow = h.type == ZAN_BLOCK_RESAMPLE ? blockHeight - 1 - blockRow : blockRow;
    unsigned char* out = copy.data() + static_cast<size_t>(y) * stride;
    std::memcpy(out,
                h.data + int64_t{sourceRow} * h.stride + int64_t{part.left - h.left} * pixelBytes,
                static_cast<size_t>(width) * pixelBytes);
    if (gamma != nullptr) applyGamma(*gamma, out, width, h.bitsPerPixel);
  }
  return copy;
}

void drawBlockPart(const BlockHeader& h, const RECT& part, const ZanDevice& device,
                   const DrawOptions& options, const GammaTables* gamma) {
  if (h.bitsPerPixel != 8 && h.bitsPerPixel != 24) return;  // nothing else reaches a device
  ZanDisplayBitmap bitmap{};
  bitmap.width = part.right - part.left;
  bitmap.height = part.bottom - part.top;
  bitmap.bitsPerPixel = h.bitsPerPixel;
  bitmap.palette = options.palette;
  std::vector<unsigned char> copy;
  if (gamma != nullptr || h.type == ZAN_BLOCK_RESAMPLE) {
    copy = copyForDisplay(h, part, bitmap.stride, gamma);
    bitmap.pixels = copy.data();
  } else {
    bitmap.stride = h.stride;
    bitmap.pixels = h.data + int64_t{part.top - h.top} * h.stride +
                    int64_t{part.left - h.left} * bytesPerPixel(h.bitsPerPixel);
  }
  device.display(device.context, options.origin.x + part.left, options.origin.y + part.top, &bitmap,
                 options.rasterOp);
}

// The scratch layer of the uncached road: rect of the scaled space, white.
zanHandle makeScratch(const RECT& scaled) {
  OwnedObject scratch(createLayer(scaled));
  Locked<Layer> layer = lockOrThrow<Layer>(scratch.get());
  layer.markModified();
  writeIn(*layer, nullptr, RECT{0, 0, layer->width(), layer->height()}, 0, kPaperWhite);
  return scratch.release();
}

}  // namespace

bool viewGammaOn(View& view) {
  int32_t on = 1;
  if (storeGet(&view.base, ZAN_VIEW_GAMMA_ON, &on, sizeof on) == sizeof on && on == 0) return false;
  return !gammaTables().identity;
}

void drawLayerPixels(Layer& layer, const RECT& part, const ZanDevice& device,
                     const DrawOptions& options) {
  if (device.display == nullptr || layer.dataLayer == 0) return;
  std::vector<std::pair<uint32_t, TileEntry>> tiles;
  {
    Locked<DataLayer> data = lockOrThrow<DataLayer>(layer.dataLayer);
    const RECT clip = intersect(part, RECT{0, 0, data->width, data->height});
    if (isEmpty(clip)) return;
    tiles = tilesUnder(*data, clip);
  }
  GammaTables tables{};
  if (options.gamma) tables = gammaTables();
  const GammaTables* gamma = options.gamma && !tables.identity ? &tables : nullptr;
  for (const auto& [position, entry] : tiles) {
    if (entry.block == 0) continue;
    bool memoryFailed = false;
    BlockLock block = BlockLock::adopt(lockBlock(entry.block, FillMemory::Make, &memoryFailed));
    if (!block || memoryFailed || block->header.data == nullptr || !pixelsFit(*block)) continue;
    const BlockHeader& h = block->header;
    const RECT inBlock =
        intersect(intersect(part, entry.rect), RECT{h.left, h.top, h.right, h.bottom});
    if (!isEmpty(inBlock)) drawBlockPart(h, inBlock, device, options, gamma);
  }
}

void drawView(View& view, const ZanDevice& device, const RECT& rect, bool useCache) {
  DrawOptions options;
  options.origin = POINT{view.rect.left, view.rect.top};
  options.gamma = viewGammaOn(view);
  if (useCache) {
    Locked<Layer> composite = lockOrThrow<Layer>(refreshCache(view, rect));
    drawLayerPixels(*composite, rect, device, options);
    return;
  }
  // Only the requested part is composed, at the view's zoom: the whole canvas at full size would
  // cost the picture's size in memory for a window's worth of pixels.
  const RECT scaled = offsetRect(rect, view.scrollX, view.scrollY);
  OwnedObject scratch(makeScratch(scaled));
  Locked<Layer> layer = lockOrThrow<Layer>(scratch.get());
  layer.markModified();
  {
    Locked<Picture> picture(view.picture);
    if (picture)
      composeLayers(*layer, participants(*picture, nullptr, 0, 1), scaled,
                    ComposeScale{view.zoomNumerator, view.zoomDenominator});
  }
  options.origin = POINT{view.rect.left + rect.left, view.rect.top + rect.top};
  drawLayerPixels(*layer, RECT{0, 0, layer->width(), layer->height()}, device, options);
}

}  // namespace tessaly::engine
