/*
 * zanRect.h: rectangle helpers.
 *
 * Right and bottom are exclusive (see zanTypes.h); a rectangle is empty when right <= left or
 * bottom <= top. "The empty rectangle" is (0, 0, 0, 0). Every output pointer may alias an input.
 * A null pointer makes a call do nothing and return 0 (zanRectIsEmpty answers 1). Results that
 * would leave the signed 32-bit range are clamped to it.
 *
 * This header is valid C and C++.
 */
#ifndef ZAN_RECT_H
#define ZAN_RECT_H

#include "zanTypes.h"

ZAN_EXTERN_C_BEGIN

/* Writes a ∩ b into result and returns 1 when it is not empty. When it is empty (also when a or
 * b is empty, or they only touch) result becomes the empty rectangle and the call returns 0. */
ZAN_API int32_t zanRectIntersect(RECT* result, const RECT* a, const RECT* b);

/* Writes the smallest rectangle holding a and b into result. An empty input adds nothing: the
 * union of a and an empty b is a. Both empty: result is the empty rectangle. Returns 1 when the
 * result is not empty. */
ZAN_API int32_t zanRectUnion(RECT* result, const RECT* a, const RECT* b);

/* Moves the rectangle by dx, dy (an empty one too). Returns 1. */
ZAN_API int32_t zanRectOffset(RECT* rect, int32_t dx, int32_t dy);

/* Grows the rectangle by dx on the left and on the right and by dy at the top and at the bottom;
 * negative values shrink it, possibly until it is empty (it is then left as computed, inverted,
 * not normalised). Returns 1. */
ZAN_API int32_t zanRectInflate(RECT* rect, int32_t dx, int32_t dy);

/* 1 when the rectangle is empty (and for null), else 0. */
ZAN_API int32_t zanRectIsEmpty(const RECT* rect);

/* 1 when all four coordinates are equal. Two empty rectangles with different coordinates are not
 * equal. 0 when either is null. */
ZAN_API int32_t zanRectIsEqual(const RECT* a, const RECT* b);

/* 1 when left <= x < right and top <= y < bottom; an empty rectangle holds no point. */
ZAN_API int32_t zanRectIsPtIn(const RECT* rect, POINT point);

/* Makes rect the empty rectangle. Returns 1. */
ZAN_API int32_t zanRectEmpty(RECT* rect);

/* Sets the four coordinates. Returns 1. */
ZAN_API int32_t zanRectSet(RECT* rect, int32_t left, int32_t top, int32_t right, int32_t bottom);

ZAN_EXTERN_C_END

#endif /* ZAN_RECT_H */
