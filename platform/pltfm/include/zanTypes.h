/*
 * zanTypes.h: the types every part of the platform library shares.
 *
 * Handles, heap identifiers, sizes and results are 32-bit values. A rectangle is left, top,
 * right, bottom as signed 32-bit numbers, and right and bottom are exclusive everywhere in this
 * library: the rectangle (0, 0, 2, 1) holds exactly the two pixels (0, 0) and (1, 0). A rectangle
 * with right <= left or bottom <= top is empty.
 *
 * This header is valid C and C++.
 */
#ifndef ZAN_TYPES_H
#define ZAN_TYPES_H

#include <stdint.h>

#if defined(__GNUC__) || defined(__clang__)
#define ZAN_API __attribute__((visibility("default")))
#else
#define ZAN_API
#endif

#ifdef __cplusplus
#define ZAN_EXTERN_C_BEGIN extern "C" {
#define ZAN_EXTERN_C_END }
#define ZAN_NORETURN [[noreturn]]
#else
#define ZAN_EXTERN_C_BEGIN
#define ZAN_EXTERN_C_END
#define ZAN_NORETURN _Noreturn
#endif

/* A handle: a 32-bit name of a heap block, a region, a platform string or an open file. 0 names
 * nothing; every call given 0 gives its neutral result and is not an error. */
typedef uint32_t zanHandle;
/* A heap identifier; 0 is the default heap, the others come from zanHeapCreate. */
typedef uint32_t zanHeap;

#ifndef TESSALY_WIN_TYPES_DEFINED
#define TESSALY_WIN_TYPES_DEFINED
/* A point (x then y) and a rectangle (right and bottom exclusive), signed 32-bit. */
typedef struct tagPOINT {
  int32_t x;
  int32_t y;
} POINT;
typedef struct tagRECT {
  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;
} RECT;
#endif

#endif /* ZAN_TYPES_H */
