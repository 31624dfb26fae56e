// Exported geometric operations: rotation, flip, crop, resize and general transforms.
#include <algorithm>
#include <cmath>

#include "guard.h"
#include "layer_turns.h"
#include "mask_pass.h"
#include "pixel_frame.h"
#include "pixel_move.h"
#include "resample.h"
#include "rotation.h"

using namespace tessaly::tools;

namespace {

// The crop's mask: the result's own (the layer's mask moved; 255 where it has none) times the
// shape's values over part, (a x b + 127) / 255, band by band.
void shapeMask(zanHandle result, zanHandle shape, const RECT& part) {
  const LayerGeometry s = readGeometry(shape);
  if (s.bitsPerPixel != 8) fail(MAT_ERR_LAYOUT);
  OwnedLayer made;
  zanHandle mask = zanLayerGetMask(result, nullptr);
  if (mask == 0) {
    made = opaqueMask(result, part);
    mask = made.get();
  }
  const int32_t width = part.right - part.left;
  constexpr int32_t kBand = 64;
  for (int32_t top = 0; top < part.bottom - part.top; top += kBand) {
    const int32_t rows = std::min(kBand, part.bottom - part.top - top);
    PixelBuffer shapeValues(width, rows, 8), values(width, rows, 8);
    const RECT inShape = sized(part.left - s.rect.left, part.top + top - s.rect.top, width, rows);
    readPixels(shape, inShape, shapeValues);
    const RECT inMask = sized(0, top, width, rows);
    readPixels(mask, inMask, values);
    for (int32_t y = 0; y < rows; ++y) {
      for (int32_t x = 0; x < width; ++x) {
        unsigned char& v = values.row(y)[x];
        v = static_cast<unsigned char>((v * shapeValues.row(y)[x] + 127) / 255);
      }
    }
    writePixels(mask, inMask, values);
  }
  if (made.get() != 0) attachMask(result, std::move(made));
}

zanHandle rotateInto(const RECT& target, zanHandle layer, const double* angleAndCentre,
                     const ToolProgress* progress) {
  const LayerGeometry g = readGeometry(layer);
  requireLayout(layer, g, kGrey8 | kRgb24);
  if (target.right < target.left || target.bottom < target.top) fail(MAT_ERR_ARG);
  const AffineMap map =
      rotationAbout(angleAndCentre[0], angleAndCentre[1], angleAndCentre[2], g.rect, target);
  return renderWithCoverage(layer, target, map, progress).release();
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
  const int64_t tiles = tilesOver(resultRect, g);
  const bool same =
      ratio.xNumerator == ratio.xDenominator && ratio.yNumerator == ratio.yDenominator;
  if (same) {
    const RECT exact = sized(g.rect.left + area.left, g.rect.top + area.top, area.right - area.left,
                             area.bottom - area.top);
    const PixelMove cut{area.left, area.top, 1, 0, 0, 1};
    return imageThenMask(layer, progress, tiles, MAT_ERR_FAILED,
                         [&](zanHandle source, ProgressMeter& meter) {
                           return movePixels(source, exact, cut, meter);
                         })
        .release();
  }
  const bool shrinks =
      ratio.xNumerator < ratio.xDenominator && ratio.yNumerator < ratio.yDenominator;
  const bool averages = ratio.method == 2 || (ratio.method == 1 && shrinks);
  // Averaging bytes is right only where a byte is a whole sample of a continuous tone.
  if (averages) requireLayout(layer, g, kGrey8 | kRgb24);
  if (!averages && g.bitsPerPixel < 8) fail(MAT_ERR_LAYOUT);
  return imageThenMask(layer, progress, tiles, MAT_ERR_FAILED,
                       [&](zanHandle source, ProgressMeter& meter) {
                         return averages ? resizeArea(source, area, resultRect, meter)
                                         : resizeRepeat(source, area, resultRect, meter);
                       })
      .release();
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
  return imageThenMask(layer, nullptr, 1, MAT_ERR_FAILED,
                       [&](zanHandle source, ProgressMeter& meter) {
                         return renderProjective(source, resultRect, inverse, transform.mode != 0,
                                                 meter);
                       })
      .release();
}

// The part of the layer inside crop (picture coordinates) resized by the ratio.
zanHandle cropResize(zanHandle layer, const RECT& crop, const ResizeRatio& ratio,
                     const ToolProgress* progress) {
  const LayerGeometry g = readGeometry(layer);
  if (!validRatio(ratio)) fail(MAT_ERR_ARG);
  const RECT area{std::max(crop.left, g.rect.left) - g.rect.left,
                  std::max(crop.top, g.rect.top) - g.rect.top,
                  std::min(crop.right, g.rect.right) - g.rect.left,
                  std::min(crop.bottom, g.rect.bottom) - g.rect.top};
  if (area.right <= area.left || area.bottom <= area.top) fail(MAT_ERR_ARG);
  return resizePart(layer, area, ratio, progress);
}

}  // namespace

extern "C" {

ZAN_API zanHandle matRotateLayer(zanHandle layer, RotateParams* params,
                                 const ToolProgress* progress, int32_t* error) {
  return guardLayer(error, [&] {
    readGeometry(layer);
    if (params == nullptr) fail(MAT_ERR_ARG);
    return turnLayer(layer, *params, progress).release();
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
    return mirrorLayer(layer, params->direction != 0, g.rect, progress).release();
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
    const PixelMove offset{part.left - g.rect.left, part.top - g.rect.top, 1, 0, 0, 1};
    OwnedLayer result = imageThenMask(layer, nullptr, 1, MAT_ERR_FAILED,
                                      [&](zanHandle source, ProgressMeter& meter) {
                                        return movePixels(source, part, offset, meter);
                                      });
    if (cropShape != 0) shapeMask(result.get(), cropShape, part);
    return result.release();
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
    readGeometry(layer);
    if (params == nullptr) fail(MAT_ERR_ARG);
    return cropResize(layer, params->crop, params->ratio, progress);
  });
}

ZAN_API zanHandle _matCropResizeLayerEx(zanHandle layer, const RECT* crop, const ResizeRatio* ratio,
                                        const ToolProgress* progress, int32_t* error) {
  return guardLayer(error, [&] {
    readGeometry(layer);
    if (crop == nullptr || ratio == nullptr) fail(MAT_ERR_ARG);
    return cropResize(layer, *crop, *ratio, progress);
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
