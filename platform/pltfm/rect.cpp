// Rectangle helpers. Coordinates are computed in 64 bits and clamped back, so no helper
// overflows whatever the input.
#include <algorithm>
#include <cstdint>

#include "zanRect.h"

namespace {

int32_t clamped(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

bool isEmpty(const RECT& r) {
  return r.right <= r.left || r.bottom <= r.top;
}

}  // namespace

extern "C" {

ZAN_API int32_t zanRectIntersect(RECT* result, const RECT* a, const RECT* b) {
  if (result == nullptr || a == nullptr || b == nullptr) return 0;
  const RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
               std::min(a->bottom, b->bottom)};
  if (isEmpty(r)) return zanRectEmpty(result), 0;
  *result = r;
  return 1;
}

ZAN_API int32_t zanRectUnion(RECT* result, const RECT* a, const RECT* b) {
  if (result == nullptr || a == nullptr || b == nullptr) return 0;
  const bool aEmpty = isEmpty(*a);
  const bool bEmpty = isEmpty(*b);
  if (aEmpty && bEmpty) return zanRectEmpty(result), 0;
  if (aEmpty || bEmpty) {
    *result = aEmpty ? *b : *a;
    return 1;
  }
  *result = RECT{std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
                 std::max(a->bottom, b->bottom)};
  return 1;
}

ZAN_API int32_t zanRectOffset(RECT* rect, int32_t dx, int32_t dy) {
  if (rect == nullptr) return 0;
  *rect = RECT{clamped(int64_t{rect->left} + dx), clamped(int64_t{rect->top} + dy),
               clamped(int64_t{rect->right} + dx), clamped(int64_t{rect->bottom} + dy)};
  return 1;
}

ZAN_API int32_t zanRectInflate(RECT* rect, int32_t dx, int32_t dy) {
  if (rect == nullptr) return 0;
  *rect = RECT{clamped(int64_t{rect->left} - dx), clamped(int64_t{rect->top} - dy),
               clamped(int64_t{rect->right} + dx), clamped(int64_t{rect->bottom} + dy)};
  return 1;
}

ZAN_API int32_t zanRectIsEmpty(const RECT* rect) {
  return rect == nullptr || isEmpty(*rect) ? 1 : 0;
}

ZAN_API int32_t zanRectIsEqual(const RECT* a, const RECT* b) {
  if (a == nullptr || b == nullptr) return 0;
  return a->left == b->left && a->top == b->top && a->right == b->right && a->bottom == b->bottom
             ? 1
             : 0;
}

ZAN_API int32_t zanRectIsPtIn(const RECT* rect, POINT point) {
  if (rect == nullptr) return 0;
  return point.x >= rect->left && point.x < rect->right && point.y >= rect->top &&
                 point.y < rect->bottom
             ? 1
             : 0;
}

ZAN_API int32_t zanRectEmpty(RECT* rect) {
  return zanRectSet(rect, 0, 0, 0, 0);
}

ZAN_API int32_t zanRectSet(RECT* rect, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (rect == nullptr) return 0;
  *rect = RECT{left, top, right, bottom};
  return 1;
}

}  // extern "C"
