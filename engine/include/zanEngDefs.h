/*
 * zanEngDefs.h: the image engine's numbers and records: result codes, object kinds and type tags,
 * property identifiers, change codes, the text record's layout and BlockHeader.
 *
 * This header is valid C and C++. zanengin.h includes it with the exported functions.
 */
#ifndef ZAN_ENG_DEFS_H
#define ZAN_ENG_DEFS_H

#include <stddef.h>

#include "zanTypes.h"

/* Result codes. Functions return 0 (or a count, a handle) on success and one of these on
 * failure; creation functions return 0 and store the code in their last argument. */
#define ZAN_OK 0
#define ZAN_ERR_FAILED (-1)  /* generic failure */
#define ZAN_ERR_MASK (-2)    /* a mask could not be rasterised */
#define ZAN_ERR_LOCK (-11)   /* a handle could not be locked */
#define ZAN_ERR_FLOAT (-13)  /* a floating layer could not be made */
#define ZAN_ERR_CREATE (-14) /* an object or memory could not be created */
#define ZAN_ERR_ARG                                                                               \
  (-22)                         /* invalid argument: bad index, bad rectangle, bad value, a block \
                                   that does not fit its tile */
#define ZAN_ERR_CANCELLED (-30) /* the caller's cancel callback asked to stop */

/* Kinds for zanCheckBaseObjectType. */
#define ZAN_BASE_LAYER 0
#define ZAN_BASE_PICTURE 1
#define ZAN_BASE_VIEW 2

/* Type tags: four characters, the first in the most significant byte. */
#define ZAN_FOURCC(a, b, c, d) \
  (((uint32_t)(a) << 24) | ((uint32_t)(b) << 16) | ((uint32_t)(c) << 8) | (uint32_t)(d))
#define ZAN_TAG_PICTURE ZAN_FOURCC('P', 'I', 'C', 'T')
#define ZAN_TAG_LAYER ZAN_FOURCC('L', 'A', 'Y', 'R')
#define ZAN_TAG_LAYER_EXTMASK ZAN_FOURCC('L', 'A', 'Y', 'X') /* layer with an external mask */
#define ZAN_TAG_DATALAYER ZAN_FOURCC('D', 'L', 'A', 'Y')
#define ZAN_TAG_BLOCK ZAN_FOURCC('B', 'L', 'C', 'K')
#define ZAN_TAG_VIEW ZAN_FOURCC('V', 'I', 'E', 'W')
#define ZAN_TAG_ACTION ZAN_FOURCC('A', 'C', 'T', 'N')
#define ZAN_TAG_RECTMASK ZAN_FOURCC('V', 'M', 'S', 'K')

/* Layer properties. Values are 4 bytes unless stated. Every set of a layer property is also
 * announced to the layer's picture with the identifier as change code. */
#define ZAN_LAYER_NAME                                                                            \
  (-101)                         /* 520-byte descriptor exchanged with file plug-ins (kept in the \
                                    generic store) */
#define ZAN_LAYER_PICTURE (-102) /* owning picture, 0 while in none */
#define ZAN_LAYER_TILECOUNT (-103) /* read only: entries in the tile table */
#define ZAN_LAYER_RECT (-104)      /* 16 bytes: RECT in picture coordinates */
#define ZAN_LAYER_INDEX (-105)     /* 1-based place in the picture */
#define ZAN_LAYER_USER1 (-106)     /* stored value */
#define ZAN_LAYER_USER2 (-107)     /* stored value */
#define ZAN_LAYER_OPACITY (-108)   /* 0 to 255; only the low byte is kept */
#define ZAN_LAYER_PALETTE (-109)   /* palette block owned by the layer */
#define ZAN_LAYER_VISIBLE (-110)   /* visible flag, default 1 */
#define ZAN_LAYER_KIND (-111)      /* ZAN_LAYERKIND_... */
#define ZAN_LAYER_BPP (-112)       /* bits per pixel: 1, 8, 16, 24 or 48 (default 24) */
#define ZAN_LAYER_TILEW (-113)     /* tile width, default 256; a change re-lays the tile grid */
#define ZAN_LAYER_TILEH (-114)     /* tile height, default 256; a change re-lays the tile grid */
#define ZAN_LAYER_TAG (-115)       /* stored value passed on to the tools' pixel callbacks */
#define ZAN_LAYER_CACHEKEY (-116)  /* stored value; setting it drops the reduced copies */
#define ZAN_LAYER_TEXT                                                                          \
  (-117)                           /* ZAN_TEXT_RECORD_SIZE bytes: the text record; a get always \
                                      reports 4 */
#define ZAN_LAYER_TRANSFORM (-120) /* set only, 72 bytes: 3 x 3 matrix of doubles */

/* Layer kinds (ZAN_LAYER_KIND). */
#define ZAN_LAYERKIND_RASTER 0
#define ZAN_LAYERKIND_TRANSFORMED 2
#define ZAN_LAYERKIND_TEXT 3

/* Picture properties, 4 bytes unless stated. */
#define ZAN_PICT_SOURCENAME (-201)   /* 520-byte name record (kept in the generic store) */
#define ZAN_PICT_SOURCEFORMAT (-202) /* FourCC of the source file's format */
#define ZAN_PICT_WIDTH (-203)        /* canvas width in pixels */
#define ZAN_PICT_HEIGHT (-204)       /* canvas height in pixels */
#define ZAN_PICT_MODIFIED (-205)     /* set to 1 by every change that reaches the picture */
#define ZAN_PICT_LAYERCOUNT (-206)   /* read only */
#define ZAN_PICT_VALUE207 (-207)     /* auxiliary layer owned by the picture */
#define ZAN_PICT_BPP (-208)          /* bits per pixel, default 24 */
#define ZAN_PICT_UNDOLIMIT (-209)    /* capacity of the undo history */
#define ZAN_PICT_PALETTE (-212)      /* palette block (0 = none); not owned by the picture */
#define ZAN_PICT_CURRENTLAYER                                                             \
  (-214)                          /* 1-based current layer, clamped to the layer count on \
                                     every read */
#define ZAN_PICT_VIEWCOUNT (-215) /* read only */
#define ZAN_PICT_VALUE217 (-217)  /* stored value */

/* Generic picture property holding a heap block that the picture frees when it goes. */
#define ZAN_PICT_OWNED_BLOCK 10003

/* Change codes an object passes on to the picture and its views. */
#define ZAN_CHANGE_PIXELS 1001      /* a layer's pixels changed inside the rectangle */
#define ZAN_CHANGE_VISIBILITY 1002  /* a view shows or hides a layer */
#define ZAN_CHANGE_ARRANGEMENT 1003 /* the picture's layer arrangement changed */

/* The text record (ZAN_LAYER_TEXT): exchanged whole; the engine reads two fields. The layer keeps
 * its own copy of the text, so the handle read back is the layer's, not the caller's. */
#define ZAN_TEXT_RECORD_SIZE 208
#define ZAN_TEXT_HANDLE_OFFSET 92 /* uint32: default-heap block of UTF-16 units */
#define ZAN_TEXT_LENGTH_OFFSET 96 /* uint32: number of units */

/* Block types. 1 is every tile and scratch buffer; 2 is the resampling buffer (drawn mirrored
 * vertically); 3 to 7 have ZAN_BLOCK_EXTRA_WORDS more 32-bit words after the header. */
#define ZAN_BLOCK_PIXELS 1
#define ZAN_BLOCK_RESAMPLE 2
#define ZAN_BLOCK_TYPE_MAX 7
#define ZAN_BLOCK_EXTRA_WORDS 8

/* "No fill value" for a block (see zanSetLayerBits). */
#define ZAN_NO_FILL (-1)

/* The public header of a block of pixels. Pixel rows run top to bottom, row r at
 * data + r * stride; a pixel has 1 byte below 9 bits per pixel, otherwise (bits + 7) / 8 bytes,
 * 24-bit pixels stored blue, green, red. data is valid only while the block is locked and is null
 * for a block that has no pixel memory. */
typedef struct BlockHeader {
  uint32_t type;
  unsigned char* data;
  int32_t left; /* the block's rectangle in layer coordinates, right and bottom exclusive */
  int32_t top;
  int32_t right;
  int32_t bottom;
  int32_t bitsPerPixel;
  int32_t stride; /* bytes from one row to the next */
} BlockHeader;

#ifdef __cplusplus
static_assert(offsetof(BlockHeader, data) == sizeof(void*), "the pointer follows the type word");
static_assert(offsetof(BlockHeader, left) == 8 + sizeof(void*), "rectangle after data");
static_assert(offsetof(BlockHeader, stride) == offsetof(BlockHeader, left) + 20, "field order");
#endif

/* A caller's bitmap for zanDib2Layer: its place and size in picture coordinates, the layer
 * settings it comes with (header may be null: visible, opacity 255), its depth and its pixels,
 * rows top to bottom, (bitsPerPixel x width + 31) / 32 x 4 bytes apart. */
typedef struct ZanDibHeader {
  int32_t visible;
  int32_t opacity;
} ZanDibHeader;
typedef struct ZanBitmap {
  int32_t left;
  int32_t top;
  int32_t width;
  int32_t height;
  const ZanDibHeader* header;
  int32_t bitsPerPixel;
  void* pixels;
} ZanBitmap;

/* A rasterised rectangle mask's scan line: 0, 1 or 2 spans. coverage[i] (0 to 255) belongs to
 * pixel start + i. With two spans, the first holds the left edge, the second the right edge, and
 * every pixel between them is fully covered. */
typedef struct ZanMaskSpan {
  int32_t start;
  int32_t length;
  const unsigned char* coverage;
} ZanMaskSpan;
typedef struct ZanMaskLine {
  int32_t count;
  ZanMaskSpan spans[2];
} ZanMaskLine;

/* Callbacks. */
/* Property enumeration: data and data2 both point at the item's bytes. The result of the last
 * call is the enumeration's result; a result never stops the walk. */
typedef int32_t (*ZanPropEnumProc)(void* data, zanHandle owner, int32_t id, void* data2,
                                   uint32_t size, uint32_t flags, void* user);
/* Block enumeration: return 0 to stop the walk. */
typedef int32_t (*ZanBlockEnumProc)(BlockHeader* block, void* user);

#endif /* ZAN_ENG_DEFS_H */
