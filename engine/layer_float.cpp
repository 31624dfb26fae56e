// Cutting through a mask, and floating layers.
#include <algorithm>
#include <vector>

#include "compose.h"
#include "layer_area.h"
#include "layer_copy.h"
#include "layer_masks.h"
#include "owned.h"
#include "pixel_format.h"
#include "pixel_rect.h"
#include "rect_util.h"

namespace tessaly::engine {
namespace {

// Rows are handled in bands of this many, so no step holds a whole large layer in memory.
constexpr int32_t kBandRows = 256;

zanHandle makeMaskLayer(const RECT& rect, int32_t fill) {
  OwnedObject mask(createLayer(rect));
  Locked<Layer> layer = lockOrThrow<Layer>(mask.get());
  layer.markModified();
  layer->bitsPerPixel = 8;
  writeIn(*layer, nullptr, RECT{0, 0, layer->width(), layer->height()}, 0, fill);
  return mask.release();
}

// Calls band(rect) for bands of rows of rect, top to bottom.
template <typename Band>
void inBands(const RECT& rect, Band&& band) {
  for (int64_t top = rect.top; top < rect.bottom; top += kBandRows)
    band(RECT{rect.left, static_cast<int32_t>(top), rect.right,
              static_cast<int32_t>(std::min<int64_t>(top + kBandRows, rect.bottom))});
}

// The selection's values over a rectangle of picture coordinates.
std::vector<unsigned char> selectionValues(zanHandle selection, const RECT& picture) {
  return readMaskValues(selection, picture, POINT{0, 0});
}

void writeMask(Layer& mask, const RECT& picture, const std::vector<unsigned char>& values) {
  writeIn(mask, values.data(), offsetRect(picture, -mask.rect.left, -mask.rect.top),
          picture.right - picture.left, 0);
}

}  // namespace

int32_t cutLayer(Layer& layer, zanHandle selection) {
  Locked<Layer> chosen = lockOrThrow<Layer>(selection, ZAN_ERR_LOCK);
  if (layer.mask == 0) {
    OwnedObject mask(makeMaskLayer(layer.rect, 255));
    attachMask(layer, mask.get());
    mask.release();
  }
  Locked<Layer> mask = lockOrThrow<Layer>(layer.mask, ZAN_ERR_LOCK);
  mask.markModified();
  const RECT area = intersect(layer.rect, chosen->rect);
  inBands(area, [&](const RECT& band) {
    std::vector<unsigned char> values = readMaskValues(layer.mask, band, POINT{0, 0});
    const std::vector<unsigned char> cut = selectionValues(selection, band);
    for (size_t i = 0; i < values.size(); ++i)
      if (cut[i] != 0) values[i] = 0;
    writeMask(*mask, band, values);
  });
  return 1;
}

zanHandle makeFloatingLayer(zanHandle layerHandle, zanHandle selection, bool keep) {
  Locked<Layer> layer = lockOrThrow<Layer>(layerHandle, ZAN_ERR_ARG);
  layer.markModified();
  if (selection == 0) {
    OwnedObject floating(cloneLayer(layerHandle, true));
    if (layer->mask != 0) {
      OwnedObject mask(cloneLayer(layer->mask, true));
      Locked<Layer> copy = lockOrThrow<Layer>(floating.get());
      copy.markModified();
      attachMask(*copy, mask.release());
    }
    return floating.release();
  }
  Locked<Layer> chosen = lockOrThrow<Layer>(selection, ZAN_ERR_ARG);
  const RECT area = intersect(layer->rect, chosen->rect);
  if (isEmpty(area)) return 0;
  OwnedObject made(cloneLayer(layerHandle, false));
  Locked<Layer> copy = lockOrThrow<Layer>(made.get());
  copy.markModified();
  setLayerRect(*copy, area);
  OwnedObject maskMade(makeMaskLayer(area, 0));
  attachMask(*copy, maskMade.release());
  Locked<Layer> mask = lockOrThrow<Layer>(copy->mask);
  mask.markModified();
  const int32_t bytes = bytesPerPixel(layer->bitsPerPixel);
  inBands(area, [&](const RECT& band) {
    const std::vector<unsigned char> chosenValues = selectionValues(selection, band);
    std::vector<unsigned char> values = chosenValues;
    if (layer->mask != 0) {
      values = readMaskValues(layer->mask, band, POINT{0, 0});
      for (size_t i = 0; i < values.size(); ++i)
        if (chosenValues[i] == 0) values[i] = 0;
    }
    writeMask(*mask, band, values);
    const int64_t stride = rectWidth(band) * bytes;
    std::vector<unsigned char> pixels(static_cast<size_t>(stride * rectHeight(band)));
    copyOut(*layer, pixels.data(), offsetRect(band, -layer->rect.left, -layer->rect.top),
            static_cast<int32_t>(stride));
    writeIn(*copy, pixels.data(), offsetRect(band, -area.left, -area.top),
            static_cast<int32_t>(stride), 0);
  });
  mask.reset();
  copy.reset();
  if (!keep) cutLayer(*layer, selection);
  return made.release();
}

zanHandle mergeFloatingLayer(zanHandle layerHandle) {
  Locked<Layer> layer = lockOrThrow<Layer>(layerHandle, ZAN_ERR_ARG);
  Locked<Layer> floating = lockOrThrow<Layer>(layer->floatingLayer, ZAN_ERR_ARG);
  const RECT area = unite(layer->rect, floating->rect);
  OwnedObject made(cloneLayer(layerHandle, false));
  Locked<Layer> result = lockOrThrow<Layer>(made.get());
  result.markModified();
  setLayerRect(*result, area);
  OwnedObject mask(makeMaskLayer(area, 0));
  attachMask(*result, mask.release());
  writeIn(*result, nullptr, RECT{0, 0, result->width(), result->height()}, 0, 0);
  // Opacity stays a property of the result; only the masks shape what is merged.
  composeLayers(*result,
                {ComposeSource{layerHandle, true}, ComposeSource{layer->floatingLayer, true}}, area,
                ComposeScale{});
  return made.release();
}

}  // namespace tessaly::engine
