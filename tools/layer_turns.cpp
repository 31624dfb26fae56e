// Turning and mirroring whole layers, with their masks.
#include "layer_turns.h"

#include "guard.h"
#include "mask_pass.h"
#include "pixel_move.h"
#include "rotation.h"

namespace tessaly::tools {

// The layer rendered through the map, with a mask of how much of the source covers each result
// pixel: the source's mask (255 throughout without one) through the same weights, its neighbours
// beyond the source's rim counting as 0 so the turned edge comes out smooth.
OwnedLayer renderWithCoverage(zanHandle layer, const RECT& resultRect, const AffineMap& map,
                              const ToolProgress* progress) {
  const int64_t tiles = tilesOver(resultRect, readGeometry(layer));
  const ProgressMeter whole(progress, 2 * tiles, MAT_ERR_CANCELLED);
  ProgressMeter first = whole.part(0, tiles, tiles);
  OwnedLayer result = renderAffine(layer, resultRect, map, first);
  const MaskSource mask(layer);
  const OwnedLayer opaque =
      mask.handle() == 0 ? opaqueMask(layer, readGeometry(layer).rect) : OwnedLayer();
  ProgressMeter second = whole.part(tiles, 2 * tiles, tiles);
  attachMask(result.get(), renderAffine(mask.handle() != 0 ? mask.handle() : opaque.get(),
                                        resultRect, map, second, Rim::Zero));
  return result;
}

OwnedLayer turnLayer(zanHandle layer, RotateParams& params, const ToolProgress* progress) {
  const LayerGeometry g = readGeometry(layer);
  const int32_t angle = normalisedAngle(params.angle);
  // The result is sized from the layer itself: a stale size in the record must not cut pixels.
  const Size result = rotatedSize(angle, g.width(), g.height());
  params.resultWidth = result.width;
  params.resultHeight = result.height;
  POINT leftTop{g.rect.left, g.rect.top};
  if (params.useCentre != 0) {
    leftTop = placementAboutCentre(angle, g.rect, POINT{params.centreX, params.centreY});
  }
  return turnLayerTo(layer, angle, leftTop, progress);
}

OwnedLayer turnLayerTo(zanHandle layer, int32_t angle, POINT leftTop,
                       const ToolProgress* progress) {
  const LayerGeometry g = readGeometry(layer);
  angle = normalisedAngle(angle);
  const Size result = rotatedSize(angle, g.width(), g.height());
  const RECT resultRect = sized(leftTop.x, leftTop.y, result.width, result.height);
  if (angle % 90 == 0) {
    const PixelMove turn = quarterTurn(angle / 90, g.width(), g.height());
    return imageThenMask(layer, progress, tilesOver(resultRect, g), MAT_ERR_FAILED,
                         [&](zanHandle source, ProgressMeter& meter) {
                           return movePixels(source, resultRect, turn, meter);
                         });
  }
  requireLayout(layer, g, kGrey8 | kRgb24);
  const AffineMap map = centredRotation(angle, Size{g.width(), g.height()}, result);
  return renderWithCoverage(layer, resultRect, map, progress);
}

OwnedLayer mirrorLayer(zanHandle layer, bool horizontal, const RECT& resultRect,
                       const ToolProgress* progress) {
  const LayerGeometry g = readGeometry(layer);
  const PixelMove flip = mirror(horizontal, g.width(), g.height());
  return imageThenMask(layer, progress, tilesOver(resultRect, g), MAT_ERR_FAILED,
                       [&](zanHandle source, ProgressMeter& meter) {
                         return movePixels(source, resultRect, flip, meter);
                       });
}

}  // namespace tessaly::tools
