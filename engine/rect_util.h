// Small rectangle helpers on top of the platform's (right and bottom exclusive).
#pragma once

#include <cstdint>

#include "zanRect.h"

namespace tessaly::engine {

// a / b rounded towards minus and plus infinity (b != 0): scaled rectangles must grow outwards
// the same way on both sides of the origin.
inline int64_t floorDiv(int64_t a, int64_t b) {
  const int64_t q = a / b;
  return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}
inline int64_t ceilDiv(int64_t a, int64_t b) {
  return -floorDiv(-a, b);
}

inline RECT makeRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  return RECT{left, top, right, bottom};
}
inline int64_t rectWidth(const RECT& r) {
  return int64_t{r.right} - r.left;
}
inline int64_t rectHeight(const RECT& r) {
  return int64_t{r.bottom} - r.top;
}
inline bool isEmpty(const RECT& r) {
  return r.right <= r.left || r.bottom <= r.top;
}
inline bool sameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
// a ∩ b; empty (0, 0, 0, 0) when they do not meet.
inline RECT intersect(const RECT& a, const RECT& b) {
  RECT r;
  zanRectIntersect(&r, &a, &b);
  return r;
}
// The smallest rectangle holding both; an empty one adds nothing.
inline RECT unite(const RECT& a, const RECT& b) {
  RECT r;
  zanRectUnion(&r, &a, &b);
  return r;
}
inline RECT offsetRect(RECT r, int32_t dx, int32_t dy) {
  zanRectOffset(&r, dx, dy);
  return r;
}

// The rectangle at half the scale: left and top rounded down, right and bottom rounded up, so
// every pixel the rectangle touches keeps a pixel at the smaller scale.
inline RECT halveRect(const RECT& r) {
  auto down = [](int32_t v) { return v >> 1; };  // arithmetic shift: rounds toward -infinity
  auto up = [](int32_t v) { return static_cast<int32_t>((int64_t{v} + 1) >> 1); };
  return RECT{down(r.left), down(r.top), up(r.right), up(r.bottom)};
}

}  // namespace tessaly::engine
