/*
 * zanRgn.h: regions, sets of pixels kept as lists of rectangles.
 *
 * A region handle names a block of the default heap. Its rectangles are kept in one canonical
 * form, so that two regions covering the same pixels hold the same list:
 *   - every rectangle is non-empty;
 *   - the rectangles form horizontal bands: rectangles of one band share top and bottom, bands
 *     follow each other from top to bottom without overlapping;
 *   - within a band rectangles run left to right and neither overlap nor touch;
 *   - two bands that touch (one's bottom is the next one's top) do not have the same left and
 *     right edges, since they would have been one band.
 * zanRgnGetRect therefore lists the rectangles top to bottom, left to right.
 *
 * This header is valid C and C++.
 */
#ifndef ZAN_RGN_H
#define ZAN_RGN_H

#include "zanTypes.h"

ZAN_EXTERN_C_BEGIN

/* A new region covering rect (no rectangle at all when rect is empty); 0 for a null rect or when
 * memory runs out. Free it with zanRgnDelete. */
ZAN_API zanHandle zanRgnCreateRect(const RECT* rect);

/* Removes every pixel of b from a, in place (b may be a: a becomes empty). b = 0 counts as the
 * empty region. Returns 1, or 0 (a unchanged) when a is 0 or not a region, b is not a region,
 * or memory runs out. */
ZAN_API int32_t zanRgnSubtract(zanHandle a, zanHandle b);

/* 1 when the region holds no pixel (also for handle 0 and for a handle that is not a region). */
ZAN_API int32_t zanRgnIsEmpty(zanHandle region);

/* The number of rectangles; 0 for handle 0 or a handle that is not a region. */
ZAN_API int32_t zanRgnGetRects(zanHandle region);

/* Copies rectangle index (0-based, in the order above) into rect; returns 1, or 0 (rect
 * untouched) when the index is out of range or the handle is not a region. */
ZAN_API int32_t zanRgnGetRect(zanHandle region, int32_t index, RECT* rect);

/* Frees the region; returns 1, or 0 when the handle is not a region. */
ZAN_API int32_t zanRgnDelete(zanHandle region);

/* 1 when the region's rectangles keep the canonical form described above, else 0 (also for a
 * handle that is not a region). For tests and debugging. */
ZAN_API int32_t zanRgnIsValid(zanHandle region);

ZAN_EXTERN_C_END

#endif /* ZAN_RGN_H */
