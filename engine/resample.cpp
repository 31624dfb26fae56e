// Resampling one layer, and reading a picture's pixels into a caller's block.
#include "block_insert.h"
#include "merge.h"
#include "owned.h"
#include "pixel_format.h"
#include "pixel_rect.h"
#include "rect_util.h"

namespace tessaly::engine {
namespace {

// Puts a layer back where it was when the scope ends, however it ends.
class PlaceRestorer {
 public:
  PlaceRestorer(Layer& layer, const RECT& rect) : layer_(layer), saved_(layer.rect) {
    setLayerRect(layer_, rect);
  }
  ~PlaceRestorer() {
    try {
      setLayerRect(layer_, saved_);  // the same size again: no grid to lay out, nothing to fail
    } catch (...) {
    }
  }
  PlaceRestorer(const PlaceRestorer&) = delete;
  PlaceRestorer& operator=(const PlaceRestorer&) = delete;

 private:
  Layer& layer_;
  RECT saved_;
};

int32_t scaledSize(int64_t size, const ComposeScale& s) {
  const int64_t v = (s.numerator * (size + 1) - 1) / s.denominator;
  if (v > INT32_MAX) _zanThrow(ZAN_ERR_ARG);
  return static_cast<int32_t>(v);
}

// The caller's block lent to a temporary layer as its only tile, at (0, 0) for the duration.
class LentBlock {
 public:
  LentBlock(Block& block, Layer& layer) : block_(block), saved_(block.header) {
    block_.header.right -= block_.header.left;
    block_.header.bottom -= block_.header.top;
    block_.header.left = 0;
    block_.header.top = 0;
    insertBlock(block_, layer);
  }
  ~LentBlock() {
    // Out of the table again before the temporary layer goes, so nothing there can free it.
    if (Locked<DataLayer> data{block_.owner, true}) {
      const std::vector<TileEntry> tiles = data->tiles.snapshot();
      for (uint32_t i = 0; i < tiles.size(); ++i) {
        if (tiles[i].block != block_.base.handle) continue;
        TileEntry entry = tiles[i];
        entry.block = 0;
        data->tiles.put(i, entry);
      }
    }
    block_.owner = 0;
    block_.header.left = saved_.left;
    block_.header.top = saved_.top;
    block_.header.right = saved_.right;
    block_.header.bottom = saved_.bottom;
  }
  LentBlock(const LentBlock&) = delete;
  LentBlock& operator=(const LentBlock&) = delete;

 private:
  Block& block_;
  BlockHeader saved_;
};

}  // namespace

zanHandle resampleLayer(zanHandle layerHandle, const ComposeScale& scale) {
  if (scale.numerator <= 0 || scale.denominator <= 0) _zanThrow(ZAN_ERR_ARG);
  Locked<Layer> source = lockOrThrow<Layer>(layerHandle);
  source.markModified();
  const RECT rect{0, 0, scaledSize(source->width(), scale), scaledSize(source->height(), scale)};
  OwnedObject owned(cloneLayer(layerHandle, false));
  Locked<Layer> copy = lockOrThrow<Layer>(owned.get());
  copy.markModified();
  setLayerRect(*copy, rect);
  if (source->mask != 0) {
    OwnedObject mask(createLayer(rect));
    {
      Locked<Layer> m = lockOrThrow<Layer>(mask.get());
      m.markModified();
      m->bitsPerPixel = 8;
      writeIn(*m, nullptr, RECT{0, 0, m->width(), m->height()}, 0, 0);
    }
    copy->mask = mask.release();
  }
  writeIn(*copy, nullptr, RECT{0, 0, copy->width(), copy->height()}, 0, 0);
  {
    // Composed as if the layer stood at (0, 0); its picture never sees the move.
    PlaceRestorer moved(*source, RECT{0, 0, source->width(), source->height()});
    composeLayers(*copy, {ComposeSource{layerHandle, true}}, rect, scale);
  }
  return owned.release();
}

void readPictureBits(Block& block, zanHandle pictureHandle, const RECT& limit) {
  Locked<Picture> picture = lockOrThrow<Picture>(pictureHandle);
  const BlockHeader& h = block.header;
  const RECT target{h.left, h.top, h.right, h.bottom};
  const RECT area = intersect(target, limit);
  if (isEmpty(area) || h.data == nullptr || !pixelsFit(block) || !isValidBpp(h.bitsPerPixel))
    return;
  OwnedObject temporary(createLayer(target));
  Locked<Layer> layer = lockOrThrow<Layer>(temporary.get());
  layer.markModified();
  layer->bitsPerPixel = h.bitsPerPixel;
  layer->tileWidth = layer->width();
  layer->tileHeight = layer->height();
  const std::vector<ComposeSource> sources = participants(*picture, nullptr, 0, 1);
  LentBlock lent(block, *layer);
  composeLayers(*layer, sources, area, ComposeScale{});
}

}  // namespace tessaly::engine
