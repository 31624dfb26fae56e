/*
 * zanStr.h: platform strings.
 *
 * A platform string is a block of the default heap holding UTF-16 code units followed by a zero
 * unit; its handle is the string. Lock it (zanHeapLock(0, s, 0)) to read the units directly, and
 * free it with zanHeapFree(0, s). Handle 0 reads as the empty string everywhere. C strings are
 * UTF-8; bytes that are not valid UTF-8 become U+FFFD, and so do unpaired surrogates on the way
 * back. Positions and lengths count UTF-16 code units.
 *
 * This header is valid C and C++.
 */
#ifndef ZAN_STR_H
#define ZAN_STR_H

#include "zanTypes.h"

#ifndef __cplusplus
#include <uchar.h>
#endif

ZAN_EXTERN_C_BEGIN

/* A new string holding the UTF-8 text; 0 for null text or when memory runs out. */
ZAN_API zanHandle zanStrFromCStr(const char* text);

/* A new string of count units (count < 0: up to the first zero unit); 0 for null units or when
 * memory runs out. */
ZAN_API zanHandle zanStrFromUtf16(const char16_t* units, int32_t count);

/* Writes the string as UTF-8 into buffer (size bytes, always zero-terminated when size > 0),
 * cutting it short before a character that does not fit. Returns the length in bytes of the
 * whole UTF-8 text without its terminator, so a caller can ask with size 0 first; -1 when the
 * handle is not a live block. */
ZAN_API int32_t zanStrToCStr(zanHandle string, char* buffer, int32_t size);

/* A new string with the same text; 0 for handle 0 or when memory runs out. */
ZAN_API zanHandle zanStrCopy(zanHandle string);

/* Compares code unit by code unit: 0 when equal, -1 when a sorts first, 1 when b does. */
ZAN_API int32_t zanStrCmp(zanHandle a, zanHandle b);

/* The number of code units before the terminator. */
ZAN_API int32_t zanStrLen(zanHandle string);

/* Upper-cases the letters a-z and the Latin-1 letters U+00E0 to U+00FE (but U+00F7) in place.
 * Returns 1, or 0 for handle 0 or a handle that is not a live block. */
ZAN_API int32_t zanStrUppercase(zanHandle string);

/* Position of the first / last unit equal to c, or -1 when there is none. */
ZAN_API int32_t zanStrChar(zanHandle string, char16_t c);
ZAN_API int32_t zanStrRChar(zanHandle string, char16_t c);

ZAN_EXTERN_C_END

#endif /* ZAN_STR_H */
