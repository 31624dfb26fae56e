// Composition: which layers take part, where they land at the scale, and the walk over the
// target's tiles.
#include "compose.h"

#include <algorithm>

#include "blend_row.h"
#include "compose_target.h"
#include "layer_transform.h"
#include "pixel_rect.h"
#include "rect_util.h"

namespace tessaly::engine {
namespace {

int32_t clamp32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

bool takesPart(const Layer& layer, const int32_t* visibility, uint32_t count, uint32_t position) {
  if (visibility == nullptr) return layer.visible != 0;
  if (position >= count) return false;
  const int32_t value = visibility[position];
  return value == 1 || (value != 0 && layer.visible != 0);
}

// Where the layer lands in picture coordinates: its rectangle, or for a layer drawn through an
// outline the part of the outline's bounding rectangle it can reach.
RECT landingRect(const Layer& layer, const TransformedLook& look) {
  if (look.draw != TransformedLook::Draw::Through) return layer.rect;
  const RECT outline = mappedBound(look.matrix, look.source);
  return look.pixelsMapped ? outline : intersect(outline, layer.rect);
}

void composeOne(Layer& target, Layer& source, bool opaque, const RECT& area,
                const ComposeScale& scale) {
  if (!canBlend(target.bitsPerPixel, source.bitsPerPixel)) return;
  const TransformedLook look = transformedLook(source);
  if (look.draw == TransformedLook::Draw::Nothing) return;
  const RECT landing = intersect(area, scaledRect(landingRect(source, look), scale));
  const RECT inTarget = intersect(offsetRect(landing, -target.rect.left, -target.rect.top),
                                  RECT{0, 0, target.width(), target.height()});
  if (isEmpty(inTarget)) return;
  Locked<DataLayer> data = lockOrThrow<DataLayer>(ensureDataLayer(target));
  const RECT clip = intersect(inTarget, RECT{0, 0, data->width, data->height});
  if (isEmpty(clip)) return;
  const auto tiles = tilesUnder(*data, clip);
  data.reset();
  for (const auto& [position, entry] : tiles) {
    const RECT part = intersect(entry.rect, clip);
    const bool overwritten = look.draw == TransformedLook::Draw::Direct && scale.isOne() &&
                             overwritesAll(target, source, opaque, part);
    TargetTile tile = openTargetTile(target, position, part, overwritten);
    if (look.draw == TransformedLook::Draw::Through)
      blendTransformed(tile, source, opaque, scale, look);
    else if (scale.isOne())
      blendDirect(tile, source, opaque);
    else
      blendScaled(tile, source, opaque, scale);
    closeTargetTile(tile);
  }
}

}  // namespace

std::vector<ComposeSource> participants(const Picture& picture, const int32_t* visibility,
                                        uint32_t visibilityCount, int32_t firstIndex) {
  std::vector<ComposeSource> sources;
  const std::vector<zanHandle> layers = picture.layers.snapshot();
  for (uint32_t i = firstIndex > 1 ? static_cast<uint32_t>(firstIndex - 1) : 0; i < layers.size();
       ++i) {
    Locked<Layer> layer(layers[i]);
    if (layer && takesPart(*layer, visibility, visibilityCount, i))
      sources.push_back(ComposeSource{layers[i], false});
  }
  return sources;
}

RECT scaledRect(const RECT& rect, const ComposeScale& scale) {
  const int64_t n = scale.numerator;
  const int64_t d = scale.denominator;
  const int64_t left = floorDiv(n * rect.left, d);
  const int64_t top = floorDiv(n * rect.top, d);
  return RECT{clamp32(left), clamp32(top), clamp32(left + ceilDiv(n * rectWidth(rect), d)),
              clamp32(top + ceilDiv(n * rectHeight(rect), d))};
}

void composeLayers(Layer& target, const std::vector<ComposeSource>& sources, const RECT& area,
                   const ComposeScale& scale) {
  if (scale.numerator <= 0 || scale.denominator <= 0) _zanThrow(ZAN_ERR_ARG);
  for (const ComposeSource& source : sources) {
    if (source.layer == target.base.handle) continue;
    Locked<Layer> layer(source.layer);
    if (layer) composeOne(target, *layer, source.opaque, area, scale);
  }
}

}  // namespace tessaly::engine
