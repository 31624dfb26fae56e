// Exported geometric operations: rotation, flip, crop, resize and general transforms.
#include <algorithm>
#include <cmath>

#include "guard.h"
#include "pixel_frame.h"
#include "pixel_move.h"
#include "resample.h"
#include "rotation.h"

using namespace tessaly::tools;

namespace {

RECT sized(int32_t left, int32_t top, int32_t width, int32_t height) {
  return RECT{left, top, left + width, top + height};
}

int64_t tilesOver(const RECT& rect, const LayerGeometry& g) {
  return TileGrid(LayerGeometry{rect, g.bitsPerPixel, g.tileWidth, g.tileHeight}).count();
}

zanHandle rotateLayer(zanHandle layer, RotateParams& params, const ToolProgress* progress) {
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
  const RECT resultRect = sized(leftTop.x, leftTop.y, result.width, result.height);
  if (angle % 90 == 0) {
    ProgressMeter meter(progress, tilesOver(resultRect, g));
    return movePixels(layer, resultRect, quarterTurn(angle / 90, g.width(), g.height()), meter)
        .release();
  }
  requireLayout(layer, g, kGrey8 | kRgb24);
  ProgressMeter meter(progress, tilesOver(resultRect, g), MAT_ERR_CANCELLED);
  const AffineMap map = centredRotation(angle, Size{g.width(), g.height()}, result);
  return renderAffine(layer, resultRect, map, meter).release();
}

zanHandle rotateInto(const RECT& target, zanHandle layer, const double* angleAndCentre,
                     const ToolProgress* progress) {
  const LayerGeometry g = readGeometry(layer);
  requireLayout(layer, g, kGrey8 | kRgb24);
  if (target.right < target.left || target.bottom < target.top) fail(MAT_ERR_ARG);
  ProgressMeter meter(progress, tilesOver(target, g), MAT_ERR_CANCELLED);
  const AffineMap map =
      rotationAbout(angleAndCentre[0], angleAndCentre[1], angleAndCentre[2], g.rect, target);
  return renderAffine(layer, target, map, meter).release();
}

bool validRatio(const ResizeRatio& r) {
  return r.xNumerator > 0 && r.xDenominator > 0 && r.yNumerator > 0 && r.yDenominator > 0;
}

// The part area (layer coordinates) of the layer resized by the ratio into a layer whose left
// edge is the scaled left edge of the part and whose top is the part's.
zanHandle resizePart(zanHandle layer, const RECT& area, const ResizeRatio& ratio,
                     const ToolProgress* progress) {
  const LayerGeometry g = readGeometry(layer);
  const int64_t width =
      std::max<int64_t>(int64_t{area.right - area.left} * ratio.xNumerator / ratio.xDenominator, 1);
  const int64_t height =
      std::max<int64_t>(int64_t{area.bottom - area.top} * ratio.yNumerator / ratio.yDenominator, 1);
  if (width > INT32_MAX / 2 || height > INT32_MAX / 2) fail(MAT_ERR_ARG);
  const int64_t left = static_cast<int64_t>(
      std::floor(double(ratio.xNumerator) * (g.rect.left + area.left) / ratio.xDenominator));
  const RECT resultRect = sized(static_cast<int32_t>(left), g.rect.top + area.top,
                                static_cast<int32_t>(width), static_cast<int32_t>(height));
  ProgressMeter meter(progress, tilesOver(resultRect, g));
  const bool same =
      ratio.xNumerator == ratio.xDenominator && ratio.yNumerator == ratio.yDenominator;
  if (same) {
    const RECT exact = sized(g.rect.left + area.left, g.rect.top + area.top, area.right - area.left,
                             area.bottom - area.top);
    return movePixels(layer, exact, PixelMove{area.left, area.top, 1, 0, 0, 1}, meter).release();
  }
  const bool shrinks =
      ratio.xNumerator < ratio.xDenominator && ratio.yNumerator < ratio.yDenominator;
  if (ratio.method == 2 || (ratio.method == 1 && shrinks)) {
    // Averaging bytes is right only where a byte is a whole sample of a continuous tone.
    requireLayout(layer, g, kGrey8 | kRgb24);
    return resizeArea(layer, area, resultRect, meter).release();
  }
  if (g.bitsPerPixel < 8) fail(MAT_ERR_LAYOUT);
  return resizeRepeat(layer, area, resultRect, meter).release();
}

// The inverse of a 3 x 3 matrix, false when it is singular.
bool invert(const double m[9], double out[9]) {
  const double det = m[0] * (m[4] * m[8] - m[5] * m[7]) - m[1] * (m[3] * m[8] - m[5] * m[6]) +
                     m[2] * (m[3] * m[7] - m[4] * m[6]);
  if (!std::isfinite(det) || std::fabs(det) < 1e-12) return false;
  out[0] = (m[4] * m[8] - m[5] * m[7]) / det;
  out[1] = (m[2] * m[7] - m[1] * m[8]) / det;
  out[2] = (m[1] * m[5] - m[2] * m[4]) / det;
  out[3] = (m[5] * m[6] - m[3] * m[8]) / det;
  out[4] = (m[0] * m[8] - m[2] * m[6]) / det;
  out[5] = (m[2] * m[3] - m[0] * m[5]) / det;
  out[6] = (m[3] * m[7] - m[4] * m[6]) / det;
  out[7] = (m[1] * m[6] - m[0] * m[7]) / det;
  out[8] = (m[0] * m[4] - m[1] * m[3]) / det;
  return true;
}

bool transformRect(const RECT& rect, const ToolTransform& t, RECT& result) {
  double minX = 1e18, minY = 1e18, maxX = -1e18, maxY = -1e18;
  const double* m = t.m;
  for (const int32_t x : {rect.left, rect.right}) {
    for (const int32_t y : {rect.top, rect.bottom}) {
      const double w = m[2] * x + m[5] * y + m[8];
      if (std::fabs(w) < 1e-12) return false;
      const double u = (m[0] * x + m[3] * y + m[6]) / w, v = (m[1] * x + m[4] * y + m[7]) / w;
      if (!std::isfinite(u) || !std::isfinite(v) || std::fabs(u) > 1e9 || std::fabs(v) > 1e9) {
        return false;
      }
      minX = std::min(minX, u), maxX = std::max(maxX, u);
      minY = std::min(minY, v), maxY = std::max(maxY, v);
    }
  }
  result = RECT{
      static_cast<int32_t>(std::floor(minX + 1e-9)), static_cast<int32_t>(std::floor(minY + 1e-9)),
      static_cast<int32_t>(std::ceil(maxX - 1e-9)), static_cast<int32_t>(std::ceil(maxY - 1e-9))};
  return true;
}

zanHandle transformInto(zanHandle layer, const RECT* target, const ToolTransform& transform) {
  const LayerGeometry g = readGeometry(layer);
  requireLayout(layer, g, kGrey8 | kRgb24);
  double inverse[9];
  RECT resultRect{};
  if (!invert(transform.m, inverse)) fail(MAT_ERR_ARG);
  if (target != nullptr) {
    resultRect = *target;
  } else if (!transformRect(g.rect, transform, resultRect)) {
    fail(MAT_ERR_ARG);
  }
  if (resultRect.right < resultRect.left || resultRect.bottom < resultRect.top) fail(MAT_ERR_ARG);
  ProgressMeter meter(nullptr, 1);
  return renderProjective(layer, resultRect, inverse, transform.mode != 0, meter).release();
}

}  // namespace

extern "C" {

ZAN_API zanHandle matRotateLayer(zanHandle layer, RotateParams* params,
                                 const ToolProgress* progress, int32_t* error) {
  return guardLayer(error, [&] {
    readGeometry(layer);
    if (params == nullptr) fail(MAT_ERR_ARG);
    return rotateLayer(layer, *params, progress);
  });
}

ZAN_API zanHandle matRotateLayerEx(const RECT* target, zanHandle layer,
                                   const double* angleAndCentre, const ToolProgress* progress,
                                   int32_t* error) {
  return guardLayer(error, [&] {
    readGeometry(layer);
    if (target == nullptr || angleAndCentre == nullptr) fail(MAT_ERR_ARG);
    return rotateInto(*target, layer, angleAndCentre, progress);
  });
}

ZAN_API zanHandle matCreateRotateLayer(zanHandle layer, const double* angleAndCentre) {
  return guardLayer(nullptr, [&] {
    const LayerGeometry g = readGeometry(layer);
    if (angleAndCentre == nullptr) fail(MAT_ERR_ARG);
    const RECT bounds =
        rotatedBounds(angleAndCentre[0], angleAndCentre[1], angleAndCentre[2], g.rect);
    return createLike(layer, bounds).release();
  });
}

ZAN_API int32_t _matRotateRect(RECT* result, const RECT* rect, const double* angleAndCentre) {
  return guardFlag([&] {
    if (result == nullptr || rect == nullptr || angleAndCentre == nullptr) return false;
    *result = rotatedBounds(angleAndCentre[0], angleAndCentre[1], angleAndCentre[2], *rect);
    return true;
  });
}

ZAN_API zanHandle matFlipLayer(zanHandle layer, const FlipParams* params,
                               const ToolProgress* progress, int32_t* error) {
  return guardLayer(error, [&] {
    const LayerGeometry g = readGeometry(layer);
    if (params == nullptr) fail(MAT_ERR_ARG);
    ProgressMeter meter(progress, tileCount(g));
    return movePixels(layer, g.rect, mirror(params->direction != 0, g.width(), g.height()), meter)
        .release();
  });
}

ZAN_API zanHandle matCropLayer(zanHandle layer, zanHandle cropShape, int32_t* error) {
  return guardLayer(error, [&]() -> zanHandle {
    const LayerGeometry g = readGeometry(layer);
    RECT part = g.rect;
    if (cropShape != 0) {
      const LayerGeometry shape = readGeometry(cropShape);
      part = RECT{std::max(g.rect.left, shape.rect.left), std::max(g.rect.top, shape.rect.top),
                  std::min(g.rect.right, shape.rect.right),
                  std::min(g.rect.bottom, shape.rect.bottom)};
      if (part.right <= part.left || part.bottom <= part.top) return 0;  // nothing to keep
    }
    ProgressMeter meter(nullptr, 1);
    const PixelMove offset{part.left - g.rect.left, part.top - g.rect.top, 1, 0, 0, 1};
    return movePixels(layer, part, offset, meter).release();
  });
}

ZAN_API zanHandle matResize(zanHandle layer, const ResizeRatio* ratio, const ToolProgress* progress,
                            int32_t* error) {
  return guardLayer(error, [&] {
    const LayerGeometry g = readGeometry(layer);
    if (ratio == nullptr || !validRatio(*ratio)) fail(MAT_ERR_ARG);
    return resizePart(layer, RECT{0, 0, g.width(), g.height()}, *ratio, progress);
  });
}

ZAN_API int32_t _matCalcResizeRect(RECT* result, const RECT* rect, const int32_t* xRatio,
                                   const int32_t* yRatio) {
  return guardFlag([&] {
    if (result == nullptr || rect == nullptr || xRatio == nullptr || yRatio == nullptr ||
        xRatio[1] == 0 || yRatio[1] == 0) {
      return false;
    }
    const auto scale = [](int32_t v, const int32_t* r) {
      return static_cast<int32_t>(int64_t{v} * r[0] / r[1]);
    };
    *result = RECT{scale(rect->left, xRatio), scale(rect->top, yRatio), scale(rect->right, xRatio),
                   scale(rect->bottom, yRatio)};
    return true;
  });
}

ZAN_API zanHandle matCropResizeLayer(zanHandle layer, const CropResizeParams* params,
                                     const ToolProgress* progress, int32_t* error) {
  return guardLayer(error, [&] {
    const LayerGeometry g = readGeometry(layer);
    if (params == nullptr || !validRatio(params->ratio)) fail(MAT_ERR_ARG);
    const RECT& c = params->crop;
    const RECT area{std::max(c.left, g.rect.left) - g.rect.left,
                    std::max(c.top, g.rect.top) - g.rect.top,
                    std::min(c.right, g.rect.right) - g.rect.left,
                    std::min(c.bottom, g.rect.bottom) - g.rect.top};
    if (area.right <= area.left || area.bottom <= area.top) fail(MAT_ERR_ARG);
    return resizePart(layer, area, params->ratio, progress);
  });
}

ZAN_API zanHandle matTransform(zanHandle layer, const ToolTransform* transform) {
  return guardLayer(nullptr, [&] {
    readGeometry(layer);
    if (transform == nullptr) fail(MAT_ERR_ARG);
    return transformInto(layer, nullptr, *transform);
  });
}

ZAN_API int32_t _matTransformRect(RECT* result, const RECT* rect, const ToolTransform* transform) {
  return guardFlag([&] {
    return result != nullptr && rect != nullptr && transform != nullptr &&
           transformRect(*rect, *transform, *result);
  });
}

ZAN_API zanHandle matTransformEx(zanHandle layer, const RECT* target,
                                 const ToolTransform* transform) {
  return guardLayer(nullptr, [&] {
    readGeometry(layer);
    if (target == nullptr || transform == nullptr) fail(MAT_ERR_ARG);
    return transformInto(layer, target, *transform);
  });
}

}  // extern "C"
