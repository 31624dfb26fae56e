#include "result_shape.h"

#include <algorithm>
#include <cmath>

namespace tessaly::cli::stitch {

tagPixelArray cropView(const tagPixelArray& image, const RECT& rect, RECT& applied) {
  const RECT whole{0, 0, image.width, image.height};
  RECT r{std::max(rect.left, 0), std::max(rect.top, 0), std::min(rect.right, image.width),
         std::min(rect.bottom, image.height)};
  if (r.right <= r.left || r.bottom <= r.top) r = whole;
  applied = r;
  tagPixelArray view = image;
  view.width = r.right - r.left;
  view.height = r.bottom - r.top;
  view.bits = image.bits + int64_t{r.top} * image.bytesPerLine + int64_t{r.left} * 3;
  return view;
}

RECT coveredAfterTurn(int32_t width, int32_t height, double radians, int32_t canvasWidth,
                      int32_t canvasHeight) {
  const double s = std::abs(std::sin(radians)), c = std::abs(std::cos(radians));
  // The engine leaves a picture turned by less than this as it was.
  if (s < 1e-8) return {0, 0, canvasWidth, canvasHeight};
  // The classic answer for the largest axis-parallel rectangle inside a turned one: when the
  // short side is small against the long one the rectangle touches both long sides, else it
  // touches all four sides.
  const double w = width, h = height;
  const bool wide = w >= h;
  const double longSide = wide ? w : h, shortSide = wide ? h : w;
  double keepW = 0, keepH = 0;
  if (shortSide <= 2 * s * c * longSide || std::abs(s - c) < 1e-12) {
    const double half = shortSide / 2;
    keepW = wide ? half / s : half / c;
    keepH = wide ? half / c : half / s;
  } else {
    const double c2 = c * c - s * s;
    keepW = (w * c - h * s) / c2;
    keepH = (h * c - w * s) / c2;
  }
  // Whole pixels only, never past the canvas, and two pixels in from each side: the turn places
  // the picture within a pixel of the canvas centre and blends its edge pixels with white.
  const auto keptW =
      static_cast<int32_t>(std::clamp(std::floor(keepW) - 4, 1.0, double(canvasWidth)));
  const auto keptH =
      static_cast<int32_t>(std::clamp(std::floor(keepH) - 4, 1.0, double(canvasHeight)));
  const int32_t left = (canvasWidth - keptW) / 2, top = (canvasHeight - keptH) / 2;
  return {left, top, left + keptW, top + keptH};
}

}  // namespace tessaly::cli::stitch
