// Transformed layers and geometric operations on layers.
//
// A transformed layer (kind 2) keeps its pixels untransformed together with a matrix and a
// rectangle mask outlining where they show. The rectangle mask and its matrix are held by the
// layer's mask layer when that is of kind 2 (its owned object and its transform), otherwise by
// the layer itself. The matrix maps the rectangle mask's source rectangle, on which the
// untransformed pixels stand, to picture coordinates; moving the layer translates the matrix.
// A plain layer whose mask layer is of kind 2 (what a transform without a source mask makes)
// has its pixels in place already and is only clipped by the outline.
#pragma once

#include <cstdint>

#include "affine.h"
#include "layer.h"

namespace tessaly::engine {

struct TransformedLook {
  enum class Draw { Direct, Through, Nothing } draw = Draw::Direct;
  zanHandle rectMask = 0;
  Matrix matrix{};
  RECT source{};              // the rectangle mask's source rectangle
  bool pixelsMapped = false;  // the layer's own pixels go through the matrix too
};

// How composition draws the layer. A layer of kind 2 with neither matrix nor rectangle mask (a
// wrapped bitmap) is drawn as it stands; one with a matrix but no rectangle mask draws nothing.
TransformedLook transformedLook(const Layer& layer);

// A new layer holding the layer mapped through matrix (picture coordinates to picture
// coordinates), over the bounding rectangle of its mapped corners cut to clip (null: uncut); 0
// when that is empty. interpolate chooses bilinear over nearest sampling. The result carries an
// 8-bit mask: the layer's mask mapped the same way, or without one, a kind 2 mask outlining the
// mapped rectangle. Throws; nothing made is left.
zanHandle cropTransform(zanHandle layer, const RECT* clip, const Matrix& matrix, bool interpolate);

// Sampling one layer through a matrix into another: every pixel of target (tile by tile) takes
// the source at its centre mapped through inverse, origin being where the source's (0, 0) pixel
// corner stands before the matrix.
struct Mapping {
  const Matrix& inverse;
  bool interpolate;
  // Pixels repeat their edge beyond the source so colours do not darken there; mask values fall
  // to 0 beyond it, which is what draws a mapped mask's soft edge.
  bool edgeRepeats;
  POINT origin;
};
void transformInto(Layer& target, Layer& source, const Mapping& mapping);

// A new 8-bit layer of rect, tiled like the layer it will mask.
zanHandle plainMask(const RECT& rect, const Layer& like);

// Bakes a transformed layer into plain pixels over its outline's bounding rectangle; the
// outline's coverage goes into the layer's mask layer. ZAN_ERR_ARG for a layer not of kind 2,
// ZAN_ERR_MASK without a rectangle mask. A failure leaves the layer as it was.
int32_t rasterLayer(Layer& layer);

// Fills block over rect (coordinates of the scaled space) from the layer scaled by ratioX and
// ratioY (numerator, denominator). type 1: bilinear in 15-bit fixed point putting the first and
// last source pixels on the first and last result pixels; type 2: separable, linear up to a
// factor of 2 and box averages beyond. Answers 1, or 0 for another type or a depth it cannot
// scale (bytes per channel other than 1).
int32_t cropResize(BlockHeader& block, const RECT& rect, Layer& layer, const int32_t ratioX[2],
                   const int32_t ratioY[2], int32_t type);

}  // namespace tessaly::engine
