/*
 * QuiltexEngine: the stitching engine's public interface.
 *
 * The engine turns overlapping scans of one document (the pieces) into one image. It reads no
 * image format of its own: the caller loads every piece through LoadImageProc as a 24-bit
 * tagPixelArray and takes it back through ReleaseImageProc. Everything goes through nine
 * exported functions and one opaque session handle.
 *
 * Calling order: QXCreateStitch, QXLoadImages, QXAutoOrder, (QXChangeOrder), QXAutoAlign,
 * QXAutoBlend, QXReleaseStitch. QXAutoStraighten works on any image with a session of its own.
 * Every call runs to completion on the caller's thread; callbacks run on that thread too.
 *
 * Status values: 0 success; QX_CANCELLED (-1); QX_ERR_SETUP (-2: null pointer, memory,
 * temporary folder, or a session not in a state for the call); QX_ERR_INPUT (-3: a file that
 * cannot be found, read or written, invalid names, sizes, turn codes or arrangements, a canvas
 * under 32 pixels); any other non-zero value returned by LoadImageProc, passed through unchanged;
 * and the warnings 4097 to 4100, which mean success with a reservation.
 *
 * This header is valid C and C++.
 */
#ifndef QUILTEX_ENGINE_H
#define QUILTEX_ENGINE_H

#include <stdint.h>
#ifndef __cplusplus
#include <stdbool.h>
#endif

#if defined(__GNUC__) || defined(__clang__)
#define QX_API __attribute__((visibility("default")))
#else
#define QX_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Status values. */
#define QX_OK 0L
#define QX_CANCELLED (-1L)
#define QX_ERR_SETUP (-2L)
#define QX_ERR_INPUT (-3L)
#define QX_WARN_FEATURELESS_PIECES 4097L  /* QXAutoOrder: every piece has a large blank band */
#define QX_WARN_LOW_CONFIDENCE 4098L      /* QXAutoOrder: default arrangement used */
#define QX_WARN_FEATURELESS_OVERLAP 4099L /* QXAutoAlign: an overlap is blank in both pieces */
#define QX_WARN_SMALL_OVERLAP 4100L       /* QXAutoAlign: an overlap is under 15 % of a piece */

/* Longest file name with its terminating zero: every name buffer holds this many bytes. */
#define QX_NAME_BUFFER 260

/* A 24-bit image: rows of blue-green-red pixels; row r starts at bits + r * bytesPerLine.
 * Images the engine makes have bytesPerLine = ((width * 24 + 31) / 32) * 4 and start white. */
typedef struct tagPixelArray {
  int32_t width;
  int32_t height;
  int32_t bytesPerLine;
  unsigned char* bits;
} tagPixelArray;

/* One arrangement of the pieces on a grid. Cell = row * columns + column. fileNames[cell] leads
 * to a caller-owned buffer of QX_NAME_BUFFER bytes; quarterTurns[cell] is 0 to 3. */
typedef struct tagStitchOrderInfo {
  int32_t rows;
  int32_t columns;
  char** fileNames;
  int32_t* quarterTurns;
} tagStitchOrderInfo;

/* 0: the pieces form one row; 1: a grid of at least two rows. Other values are accepted and
 * behave as 0 for levels and ordering and as 1 for composition.
 *
 * QX_STYLE_VERIFIED or-ed into the style (for example QX_STYLE_GRID | QX_STYLE_VERIFIED) chooses
 * the verified way of arranging and placing the pieces, made for dense text and other repetitive
 * documents: QXAutoOrder correlates every pair of pieces on a level of about 1000 pixels a side
 * and decides the grid (its shape, the piece in each cell and its quarter turns) and the
 * placements together from all overlapping pairs; QXAutoAlign starts every pair from those
 * placements and composes with one transform per piece fitted over all refined pairs. The low
 * byte of the style is then only a hint: the grid shape comes from the pieces. When the evidence
 * does not support the arrangement, QXAutoOrder says so with QX_WARN_LOW_CONFIDENCE (the best
 * arrangement is still delivered). Without the flag the engine behaves exactly as before.
 *
 * To see what a verified arrangement rests on, set the environment variable TESSALY_LINK_LOG to
 * a file name before QXAutoOrder: the engine then writes there, as text, the arrangement's
 * support and every pair link it kept (pieces in load order, offset, angle and correlation
 * scores). The log is best effort and never changes a status. */
#ifdef __cplusplus
enum tagStitchStyle : int32_t { QX_STYLE_ROW = 0, QX_STYLE_GRID = 1, QX_STYLE_VERIFIED = 0x100 };
#else
typedef int32_t tagStitchStyle;
#define QX_STYLE_ROW 0
#define QX_STYLE_GRID 1
#define QX_STYLE_VERIFIED 0x100
#endif

/* Resolution of the result counted in halvings: 0 full, 1 half, 2 a quarter... */
typedef int32_t tagStitchOutputSize;

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

/* Progress from 0 to 100 within each call. The engine sets *cancel to false before every call
 * and stops with QX_CANCELLED when it comes back true. */
typedef void (*ProgressProc)(long position, bool* cancel, void* userData);
/* Loads fileName as a 24-bit tagPixelArray with row 0 the top row; returns 0 on success. Must
 * also read the engine's own uncompressed 24-bit BMP files. */
typedef long (*LoadImageProc)(char* const fileName, tagPixelArray** image, void* userData);
/* Frees an image LoadImageProc made; called exactly once for each. */
typedef void (*ReleaseImageProc)(tagPixelArray** image, void* userData);

/* Makes a session. Returns null when memory is short or a callback is missing. */
QX_API void* QXCreateStitch(tagStitchStyle style, tagStitchOutputSize outputSize, void* userData,
                            ProgressProc progress, LoadImageProc loadImage,
                            ReleaseImageProc releaseImage);

/* Sorts fileNames in place by last-write time, loads every piece and keeps its miniature.
 * Returns 0, -1, -2, -3 (null handle, names or sizes; count below 1; a missing or unreadable
 * file, names then untouched), or the loader's own failure code. */
QX_API long QXLoadImages(void* handle, long count, char** fileNames, POINT* sizes);

/* Finds up to five arrangements, writes them best first and applies the first.
 * Returns 0, 4097, 4098, -1, -2 or -3. */
QX_API long QXAutoOrder(void* handle, long* candidateCount, tagStitchOrderInfo* candidates);

/* Applies the given arrangement. Returns 0, -2 or -3 (invalid grid or turn code). */
QX_API long QXChangeOrder(void* handle, tagStitchOrderInfo* arrangement);

/* Turns and reloads the pieces and finds every neighbour transform down to the output level.
 * Returns 0, 4099, 4100, -1, -2, -3 or the loader's own failure code. */
QX_API long QXAutoAlign(void* handle);

/* Composes the result. *result stays owned by the session; rectangle (optional) receives the
 * fully covered part. Returns 0, -1, -2, -3 or the loader's own failure code. */
QX_API long QXAutoBlend(void* handle, tagPixelArray** result, RECT* rectangle);

/* Measures the skew of image (radians) and, when straightened is not null, turns the image
 * upright into a new session-owned result. Returns 0, -2 or -3. */
QX_API long QXAutoStraighten(void* handle, tagPixelArray* image, double* angle,
                             tagPixelArray** straightened);

/* Stores each cell's miniature (owned by the session) in miniatures[cell]. Returns 0 or -2. */
QX_API long QXGetMiniatures(void* handle, tagPixelArray** miniatures);

/* Frees the session and everything it holds; null does nothing. */
QX_API void QXReleaseStitch(void* handle);

#ifdef __cplusplus
}
#endif

#endif /* QUILTEX_ENGINE_H */
