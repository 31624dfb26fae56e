// 3 x 3 matrices of doubles in row-vector form, as transformed layers store them:
// x' = x m00 + y m10 + m20, y' = x m01 + y m11 + m21 (m[0] m[1] m[2] / m[3] m[4] m[5] / m[6] m[7]
// m[8]). Only the affine part is used; the last column is ignored.
#pragma once

#include <array>
#include <cstdint>

#include "object.h"

namespace tessaly::engine {

using Matrix = std::array<double, 9>;

struct PointD {
  double x;
  double y;
};

inline PointD mapPoint(const Matrix& m, double x, double y) {
  return PointD{x * m[0] + y * m[3] + m[6], x * m[1] + y * m[4] + m[7]};
}

// The matrix that undoes m. Throws ZAN_ERR_ARG when m flattens the plane (or is not finite).
Matrix invertAffine(const Matrix& m);

// True when m neither rotates nor shears (m01 and m10 within 1e-10 of 0).
bool isAxisAligned(const Matrix& m);

// The smallest whole-pixel rectangle holding r mapped through m (left and top rounded down,
// right and bottom up). Throws ZAN_ERR_ARG when it does not fit in 32 bits.
RECT mappedBound(const Matrix& m, const RECT& r);

// The matrix a heap block holds (9 doubles), or nothing when the block is missing or short.
bool readMatrix(zanHandle block, Matrix& m);

}  // namespace tessaly::engine
