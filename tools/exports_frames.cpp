// The two frames, exported for other modules' operations.
#include <algorithm>

#include "guard.h"
#include "mask_pass.h"
#include "pixel_frame.h"

using namespace tessaly::tools;

namespace {

// The caller's operation over every tile of the layer (bits per pixel as the layer has them).
OwnedLayer callerPass(zanHandle layer, ToolPixelProc operation, ToolCall& call,
                      ProgressMeter& meter, bool withMask) {
  const int32_t bits = readGeometry(layer).bitsPerPixel;
  return runPixelFrame(
      layer, 0,
      [&](BlockHeader& destination, const BlockHeader& source) {
        auto& writable = const_cast<BlockHeader&>(source);
        if (operation(&destination, &writable, bits, call.data) == 0) fail(MAT_ERR_FAILED);
        ++call.done;
      },
      meter, withMask);
}

zanHandle runCallerOperation(zanHandle layer, ToolPixelProc operation, ToolCall& call,
                             bool processMask) {
  if (operation == nullptr) fail(MAT_ERR_ARG);
  const LayerGeometry g = readGeometry(layer);
  // The caller's count of tiles carries across the passes of its operation.
  const int64_t total = call.total > 0 ? call.total : tileCount(g);
  ProgressMeter whole(call.progress, total);
  ProgressMeter meter = whole.part(std::min<int64_t>(call.done, total), total,
                                   total - std::min<int64_t>(call.done, total));
  const MaskSource mask(layer);
  const bool maskToo = processMask && mask.handle() != 0;
  OwnedLayer result = callerPass(layer, operation, call, meter, !maskToo);
  if (maskToo) {
    // The mask's tiles go through the operation too, at 8 bits; the caller's count of tiles
    // covers the image only, so this pass asks about cancelling without reporting progress.
    ToolProgress cancelOnly{};
    if (call.progress != nullptr) cancelOnly = *call.progress;
    cancelOnly.progress = nullptr;
    ProgressMeter maskMeter(&cancelOnly, tileCount(readGeometry(mask.handle())));
    attachMask(result.get(), callerPass(mask.handle(), operation, call, maskMeter, false));
  }
  return result.release();
}

// The source rectangle of a tile: the tile widened by the margins, clipped to the layer.
RECT withMargins(const RECT& tile, const TileGrid& grid, int32_t before, int32_t after) {
  return RECT{std::max(tile.left - before, 0), std::max(tile.top - before, 0),
              std::min(tile.right + after, grid.width), std::min(tile.bottom + after, grid.height)};
}

OwnedLayer filterPass(zanHandle layer, const TileFilter& filter, ProgressMeter& meter) {
  const LayerGeometry g = readGeometry(layer);
  const TileGrid grid(g);
  OwnedLayer result = createLike(layer, g.rect);
  const int32_t bufferWidth =
      std::min<int64_t>(int64_t{g.tileWidth} + filter.marginBefore + filter.marginAfter, g.width());
  const int32_t bufferHeight = std::min<int64_t>(
      int64_t{g.tileHeight} + filter.marginBefore + filter.marginAfter, g.height());
  PixelBuffer source(bufferWidth, bufferHeight, g.bitsPerPixel);
  PixelBuffer destination(bufferWidth, bufferHeight, g.bitsPerPixel);
  const int32_t pixelBytes = g.pixelBytes();
  for (int32_t row = 0; row < grid.rows(); ++row) {
    for (int32_t column = 0; column < grid.columns(); ++column) {
      meter.checkCancel();
      const RECT tile = grid.tile(column, row);
      const RECT area = withMargins(tile, grid, filter.marginBefore, filter.marginAfter);
      // Both buffers take the geometry of this tile's source rectangle.
      source.width = destination.width = area.right - area.left;
      source.height = destination.height = area.bottom - area.top;
      source.stride = destination.stride = rowStride(g.bitsPerPixel, source.width);
      std::fill(source.bytes.begin(), source.bytes.end(), 0);
      readPixels(layer, area, source);
      int32_t inPlace = 1;
      if (filter.filter(destination.bytes.data(), source.bytes.data(), &area, &tile, g.bitsPerPixel,
                        &inPlace, filter.user) == 0) {
        fail(MAT_ERR_FAILED);
      }
      const PixelBuffer& written = inPlace != 0 ? source : destination;
      const unsigned char* first = written.bytes.data() + (tile.top - area.top) * written.stride +
                                   (tile.left - area.left) * pixelBytes;
      if (zanSetLayerBits(first, result.get(), tile.left, tile.top, tile.right, tile.bottom,
                          static_cast<int32_t>(written.stride), ZAN_NO_FILL) < 0) {
        fail(MAT_ERR_FAILED);
      }
      meter.advance();
    }
  }
  return result;
}

// The layer filtered; its mask copied unchanged, or filtered too as an 8-bit layer.
zanHandle runFilter(zanHandle layer, const TileFilter& filter) {
  if (filter.filter == nullptr || filter.marginBefore < 0 || filter.marginAfter < 0) {
    fail(MAT_ERR_ARG);
  }
  const int64_t tiles = TileGrid(readGeometry(layer)).count();
  if (filter.keepMask != 0) {
    ProgressMeter meter(filter.progress, tiles);
    OwnedLayer result = filterPass(layer, filter, meter);
    copyMask(layer, result.get());
    return result.release();
  }
  return imageThenMask(layer, filter.progress, tiles, MAT_ERR_FAILED,
                       [&](zanHandle source, ProgressMeter& meter) {
                         return filterPass(source, filter, meter);
                       })
      .release();
}

}  // namespace

extern "C" {

ZAN_API zanHandle MatProc_PixelUnCorrelation_Layer(zanHandle layer, ToolPixelProc operation,
                                                   ToolCall* toolCall, int32_t processMask) {
  return guardLayer(nullptr, [&] {
    ToolCall fallback{};
    return runCallerOperation(layer, operation, toolCall != nullptr ? *toolCall : fallback,
                              processMask != 0);
  });
}

ZAN_API zanHandle MatProc_PixelCorrelation_Layer(zanHandle layer, const TileFilter* tileFilter) {
  return guardLayer(nullptr, [&] {
    if (tileFilter == nullptr) fail(MAT_ERR_ARG);
    return runFilter(layer, *tileFilter);
  });
}

}  // extern "C"
