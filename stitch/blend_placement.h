// Where every piece lands on the result: the pairwise transforms chained into one transform per
// grid cell, the rectangle each piece covers and the canvas that holds them all.
#pragma once

#include <cstdint>
#include <vector>

#include "QuiltexEngine.h"
#include "geometry.h"

namespace tessaly::stitch {

// A transform whose -sin term is below 1e-8 in size becomes exactly unrotated, so that the
// piece is copied rather than resampled.
Transform snapToUnrotated(Transform t);
bool isUnrotated(const Transform& t);

// outer after inner: the transform that applies inner first.
Transform compose(const Transform& outer, const Transform& inner);

// The transform of every cell into the frame of cell 0 (row by row, cell = row * columns +
// column). A cell takes its left neighbour's transform composed with that neighbour's transform
// to the right; the first cell of a row takes the cell above and its transform downward.
// right[cell] and below[cell] are the pair transforms of the cell towards its neighbours.
std::vector<Transform> chainTransforms(const std::vector<Transform>& right,
                                       const std::vector<Transform>& below, int32_t rows,
                                       int32_t columns);

// The rectangle of a piece of width x height placed by `global`: for an unrotated piece its
// own size at the truncated translation, for a rotated one the box of its turned corners with
// two pixels of room on the right and bottom. Throws QX_ERR_INPUT when the placement lies
// outside the range of 32-bit coordinates.
RECT pieceRectangle(const Transform& global, int32_t width, int32_t height);

// The union of the piece rectangles, moved out by two more pixels on the right and bottom.
// Throws QX_ERR_INPUT when it is under 32 pixels wide or high.
RECT canvasRectangle(const std::vector<RECT>& pieces);

// The smallest rectangle holding both; an empty rectangle (right <= left or bottom <= top)
// counts as nothing.
RECT unite(const RECT& a, const RECT& b);
RECT intersect(const RECT& a, const RECT& b);
inline int32_t widthOf(const RECT& r) {
  return r.right - r.left;
}
inline int32_t heightOf(const RECT& r) {
  return r.bottom - r.top;
}
inline bool isEmpty(const RECT& r) {
  return r.right <= r.left || r.bottom <= r.top;
}

}  // namespace tessaly::stitch
