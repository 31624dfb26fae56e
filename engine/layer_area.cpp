// Reading areas of layers and masks for composition and reduced copies.
#include "layer_area.h"

#include <algorithm>
#include <cstring>

#include "pixel_format.h"
#include "pixel_rect.h"
#include "rect_util.h"

namespace tessaly::engine {

std::vector<RECT> blockRects(Layer& layer, const RECT& clip) {
  std::vector<RECT> rects;
  Locked<DataLayer> data(layer.dataLayer);
  if (!data) return rects;
  const RECT area = intersect(clip, RECT{0, 0, std::min(layer.width(), data->width),
                                         std::min(layer.height(), data->height)});
  if (isEmpty(area)) return rects;
  for (const auto& [position, entry] : tilesUnder(*data, area))
    if (entry.block != 0) rects.push_back(intersect(entry.rect, area));
  return rects;
}

LayerArea readLayerArea(Layer& layer, const RECT& rect) {
  LayerArea area;
  area.rect = rect;
  area.pixelBytes = bytesPerPixel(layer.bitsPerPixel);
  area.stride = int64_t{area.width()} * area.pixelBytes;
  const auto width = static_cast<size_t>(area.width());
  const auto height = static_cast<size_t>(area.height());
  area.pixels.assign(static_cast<size_t>(area.stride) * height, 0);
  area.present.assign(width * height, 0);
  if (width == 0 || height == 0) return area;
  copyOut(layer, area.pixels.data(), rect, static_cast<int32_t>(area.stride));
  for (const RECT& r : blockRects(layer, rect)) {
    area.anyPresent = true;
    for (int32_t y = r.top; y < r.bottom; ++y)
      std::memset(
          area.present.data() + (int64_t{y} - rect.top) * area.width() + (r.left - rect.left), 255,
          static_cast<size_t>(r.right - r.left));
  }
  return area;
}

std::vector<unsigned char> readMaskValues(zanHandle mask, const RECT& rect, POINT layerOrigin) {
  const auto width = static_cast<size_t>(std::max<int64_t>(0, rectWidth(rect)));
  const auto height = static_cast<size_t>(std::max<int64_t>(0, rectHeight(rect)));
  std::vector<unsigned char> values(width * height, 0);
  Locked<Layer> maskLayer(mask);
  if (!maskLayer || maskLayer->bitsPerPixel != 8 || values.empty()) return values;
  // The mask keeps its own rectangle: move the request from the layer's coordinates to its.
  const RECT inMask =
      offsetRect(rect, layerOrigin.x - maskLayer->rect.left, layerOrigin.y - maskLayer->rect.top);
  copyOut(*maskLayer, values.data(), inMask, static_cast<int32_t>(width));
  return values;
}

}  // namespace tessaly::engine
