/*
 * zanengin.h: the image engine zanengin.
 *
 * The engine keeps every picture as a tree of objects: a picture holds an ordered list of layers
 * (index 1 at the bottom); each layer points to a data layer, a grid of tiles whose pixels live in
 * blocks. Callers never see object addresses: every object is named by a 32-bit heap handle, and
 * every function locks the handle, works and unlocks it before returning. A zero handle is never
 * an error: it gives the function's neutral result (0 or null). A handle that is not an engine
 * object of the right kind (freed, foreign, another kind) is treated like a zero handle.
 *
 * The one exception to handles are blocks: block functions take and return a BlockHeader
 * pointer, valid while the block is locked (see zanLockBlock).
 *
 * Numbers, property identifiers and records are in zanEngDefs.h. This header is valid C and C++.
 */
#ifndef ZANENGIN_H
#define ZANENGIN_H

#include "zanEngDefs.h"
#include "zanTypes.h"

ZAN_EXTERN_C_BEGIN

/* ---- Objects ---------------------------------------------------------------------------- */

/* 1 when handle names a live object of the base kind (ZAN_BASE_LAYER: tag LAYR only,
 * ZAN_BASE_PICTURE, ZAN_BASE_VIEW); 0 otherwise, also for freed, foreign and zero handles and an
 * unknown kind. */
ZAN_API int32_t zanCheckBaseObjectType(zanHandle handle, int32_t kind);

/* ---- Pictures --------------------------------------------------------------------------- */

/* A new empty picture (no layers, size 0 x 0, 24 bits per pixel, current layer 1), or 0 with the
 * code in *error (error may be null). */
ZAN_API zanHandle zanCreatePicture(int32_t* error);

/* Destroys the picture with its layers, selection, auxiliary layer (ZAN_PICT_VALUE207), undo
 * history and the block of ZAN_PICT_OWNED_BLOCK. Returns 0 or the code of a failure. */
ZAN_API int32_t zanDestroyPicture(zanHandle picture);

/* A new picture with the same properties (as zanClonePictureProp). With withLayers non-zero every
 * layer is cloned with its pixels and its mask layer, at the same index; the clone's palette is
 * that of the last copied layer that has one. 0 with the code in *error on failure, and nothing
 * of the partial clone is left. */
ZAN_API zanHandle zanClonePicture(zanHandle picture, int32_t withLayers, int32_t* error);

/* Copies the source's properties (the built-in ones that can be set, and every generic one, in
 * order) onto the target. The auxiliary layer and the ZAN_PICT_OWNED_BLOCK block are copied, so
 * each picture owns its own. Returns 0, or -1 when either handle is 0 or not a picture. */
ZAN_API int32_t zanClonePictureProp(zanHandle target, zanHandle source, void* reserved);

/* Property store (see the layer functions below for the rules). */
ZAN_API int32_t zanGetPictureProperty(zanHandle picture, int32_t id, void* buffer, uint32_t size,
                                      int32_t* outCount);
ZAN_API int32_t zanSetPictureProperty(zanHandle picture, int32_t id, const void* data,
                                      uint32_t size, uint32_t flags);
ZAN_API int32_t zanEnumPictureProperties(zanHandle picture, ZanPropEnumProc callback, void* user);

/* Writes width x ratio[0] / ratio[1] and height x ratio[0] / ratio[1] (ratio null: 1 / 1) into
 * *width and *height (either may be null). Returns 0, or ZAN_ERR_ARG for a zero denominator. */
ZAN_API int32_t zanPictureGetSize(zanHandle picture, const int32_t* ratio, int32_t* width,
                                  int32_t* height);

/* The layer at the 1-based index, 0 when out of range. */
ZAN_API zanHandle zanGetLayer(zanHandle picture, int32_t index, void* reserved);

/* ---- Layers ----------------------------------------------------------------------------- */

/* A new layer with the rectangle (picture coordinates, right and bottom exclusive; an empty
 * rectangle is allowed), 24 bits per pixel, 256 x 256 tiles, visible, opacity 255, no pixels yet.
 * 0 with ZAN_ERR_ARG in *error when right < left or bottom < top. */
ZAN_API zanHandle zanCreateLayer(int32_t left, int32_t top, int32_t right, int32_t bottom,
                                 int32_t* error);

/* Removes the layer from its picture (if any), then destroys it with its data layer (unless
 * another layer shares it), palette, floating layer, reduced copies, masks and text record.
 * Returns 0 or the code of a failure. */
ZAN_API int32_t zanDestroyLayer(zanHandle layer);

/* 1 when the layer carries an external mask (tag LAYX). */
ZAN_API int32_t zanIsExternLayer(zanHandle layer);

/* Get: copies min(size, stored size) bytes into buffer (when not null) and returns that count;
 * 0 for an identifier never set (buffer untouched). *outCount (may be null) receives the result.
 * Set: stores size bytes (zeros when data is null) and returns size; a built-in identifier
 * returns what its handling returns, ZAN_ERR_ARG for a value it refuses. Identifiers that are not
 * built in keep one item each, in the order they were first set.
 * Enumerate: calls callback for every stored item and returns the last call's result (0 when
 * there is none). */
ZAN_API int32_t zanGetLayerProperty(zanHandle layer, int32_t id, void* buffer, uint32_t size,
                                    int32_t* outCount);
ZAN_API int32_t zanSetLayerProperty(zanHandle layer, int32_t id, const void* data, uint32_t size,
                                    uint32_t flags);
ZAN_API int32_t zanEnumLayerProperties(zanHandle layer, ZanPropEnumProc callback, void* user);
/* The same store and handling, for the text tools' own identifiers on text layers. */
ZAN_API int32_t zanGetTextProperty(zanHandle layer, int32_t id, void* buffer, uint32_t size,
                                   int32_t* outCount);
ZAN_API int32_t zanSetTextProperty(zanHandle layer, int32_t id, const void* data, uint32_t size,
                                   uint32_t flags);

/* ---- Blocks and data layers ----------------------------------------------------------------- */

/* Names the heap that pixel memory comes from (the default heap until then). Only the first call
 * takes effect and returns 1; later calls, and a heap that does not exist, return 0. */
ZAN_API int32_t zanInitRunHeap(zanHeap heap);

/* A new block of the type (1 to 7), locked once, with dataSize bytes of zeroed pixel memory
 * (none for 0). The caller fills in the rectangle, bits per pixel and stride. Null with the code
 * in *error on failure or for another type. */
ZAN_API BlockHeader* zanCreateBlock(uint32_t dataSize, int32_t type, int32_t* error);

/* Frees a locked block that is in no tile table, with its pixel memory. Returns 0, or ZAN_ERR_ARG
 * for a block that still belongs to a layer (nothing is freed then). */
ZAN_API int32_t zanDestroyBlock(BlockHeader* block);

/* A new block, locked once, in no tile table: same type, fill value, rectangle, bits per pixel,
 * stride and extra words, with a copy of the pixel memory. Null when memory runs out. */
ZAN_API BlockHeader* zanCloneBlock(BlockHeader* block, void* reserved);

/* Undoes one lock. With modified non-zero every layer sharing the block's data layer announces
 * ZAN_CHANGE_PIXELS over the block's rectangle, and the block's content is no longer taken as
 * uniform. At the last unlock the block's data pointer goes; pixel memory of a uniform block
 * (one with a fill value) unlocked unmodified is freed again. Returns 0. */
ZAN_API int32_t zanUnlockBlock(BlockHeader* block, int32_t modified);

/* The block of the tile holding the layer point (x, y), locked once more; null when the point is
 * outside the layer, the tile has no block or its memory cannot be locked. A uniform block gets
 * pixel memory holding its fill value here (the data pointer stays null when memory runs out). */
ZAN_API BlockHeader* zanLockBlock(zanHandle layer, int32_t x, int32_t y, void* reserved);

/* Puts the block into the tile of the layer that starts at the block's left-top corner (the
 * block's rectangle must be that tile's; a layer without tiles takes the block's size as its tile
 * size). Returns the block that held the tile, locked and in no table (the caller unlocks or
 * destroys it), or null. Null too when the block does not fit (it stays the caller's). */
ZAN_API BlockHeader* zanInsertBlock(BlockHeader* block, zanHandle layer, void* reserved);

/* Calls callback for every block of the layer's tile table in order, each locked (its data null
 * when it has no pixel memory) and unlocked as modified afterwards. Returns 0, or -1 when the
 * callback returned 0 (the walk stops there). */
ZAN_API int32_t zanEnumBlocks(zanHandle layer, ZanBlockEnumProc callback, void* user);

/* The layer's data layer, 0 when it has none yet. */
ZAN_API zanHandle zanGetDataLayer(zanHandle layer);

/* Makes the layer use dataLayer (0: none), sharing its blocks with every layer attached to it.
 * The previous data layer is destroyed once no layer uses it. Returns 1, or ZAN_ERR_ARG when
 * dataLayer is not a data layer. */
ZAN_API int32_t zanAttachDataLayer(zanHandle layer, zanHandle dataLayer, void* reserved);

/* Does nothing; returns 0. */
ZAN_API int32_t zanDiscardBlock(BlockHeader* block, void* reserved);

/* Copies the layer's pixels inside (left, top, right, bottom) (layer coordinates, clipped to the
 * layer) into buffer, whose row stride is stride and whose first byte stands for (left, top).
 * Tiles without a block leave the buffer untouched. Returns 0. */
ZAN_API int32_t zanGetLayerBits(void* buffer, zanHandle layer, int32_t left, int32_t top,
                                int32_t right, int32_t bottom, int32_t stride);

/* Writes data (laid out as for zanGetLayerBits) into the rectangle of the layer; with data null
 * the rectangle is filled with value (see below). Tiles written for the first time hold zeros
 * outside the rectangle. Returns 0 or a negative code.
 * A fill value spreads over a pixel as: below 9 bits and 16 bits, every byte gets bits 0 to 7;
 * 24 bits, the three bytes get bits 16 to 23, 8 to 15 and 0 to 7; 48 bits, bytes 0, 2 and 4 get
 * those parts (the other bytes keep theirs, or all six get the part when the three are equal). */
ZAN_API int32_t zanSetLayerBits(const void* data, zanHandle layer, int32_t left, int32_t top,
                                int32_t right, int32_t bottom, int32_t stride, int32_t value);

/* ---- Layer list and layer operations ------------------------------------------------------ */

/* Puts the layer before position index (1-based; 0 or past the end: on top) and answers the
 * index it got. The layer and its mask get the picture as owner; a layer with a palette makes it
 * the picture's; ZAN_CHANGE_ARRANGEMENT is announced. ZAN_ERR_ARG for a layer already in a
 * picture. */
ZAN_API int32_t zanInsertLayer(zanHandle picture, zanHandle layer, int32_t index);

/* Takes the layer at index out of the picture and answers it (it stays alive and is the
 * caller's), or 0 for an index outside 1 to the layer count. */
ZAN_API zanHandle zanRemoveLayer(zanHandle picture, int32_t index, void* reserved);

/* Exchanges the layers at two indices; the current layer (ZAN_PICT_CURRENTLAYER) moves with its
 * layer. 0, or ZAN_ERR_ARG (nothing changed) when an index is out of range. */
ZAN_API int32_t zanSwapLayer(zanHandle picture, int32_t a, int32_t b);

/* The lowest index whose layer has a floating layer, 0 when none has. */
ZAN_API int32_t zanFindLayerWithFloat(zanHandle picture);

/* A new layer in no picture with the same rectangle, stored properties, generic properties,
 * palette and text record, and with withPixels non-zero a copy of the pixels. The mask layer is
 * not cloned. 0 on failure. */
ZAN_API zanHandle zanCloneLayer(zanHandle layer, int32_t withPixels, void* reserved);

/* Copies the part of source inside rect (picture coordinates; null: the whole source) into
 * target so that the rect's left-top lands on point (picture coordinates; null: 0, 0), clipped to
 * both layers on all four sides. Returns 0, or ZAN_ERR_ARG when the depths differ. */
ZAN_API int32_t zanCopyLayer(zanHandle target, zanHandle source, const POINT* point,
                             const RECT* rect);

/* Makes the pixels under every non-zero value of selection (an 8-bit mask layer) transparent
 * through the layer's mask, which is made (fully opaque) when the layer has none. 1 on success,
 * 0 for a zero selection (nothing done), ZAN_ERR_ARG for a zero layer, ZAN_ERR_LOCK or
 * ZAN_ERR_CREATE on failure. */
ZAN_API int32_t zanCutLayer(zanHandle layer, zanHandle selection);

/* A new floating layer (in no picture, not attached) holding the layer's pixels under selection
 * (0: a clone of the layer with a clone of its mask) with a mask of the selected values (times
 * the layer's mask where it has one); with keep 0 the selected pixels are then cut from the
 * layer. 0 with ZAN_ERR_ARG (zero layer) or ZAN_ERR_FLOAT in *error; 0 with ZAN_ERR_FLOAT when
 * the selection does not meet the layer. */
ZAN_API zanHandle zanCreateFloatLayer(zanHandle layer, zanHandle selection, int32_t keep,
                                      int32_t* error);

/* A new layer: the layer merged with its floating layer over the union of their rectangles,
 * with the layer's properties and a mask of the merged coverage. The caller puts it in place of
 * the layer. 0 with ZAN_ERR_ARG in *error when the layer has no floating layer. */
ZAN_API zanHandle zanDiscardFloatLayer(zanHandle layer, int32_t* error);

/* A layer of kind ZAN_LAYERKIND_TRANSFORMED that shows the caller's bitmap without copying it;
 * the pixels must stay valid as long as the layer exists. 0 on failure. */
ZAN_API zanHandle zanDib2Layer(const ZanBitmap* bitmap);

/* ---- Masks, floating layers and the selection --------------------------------------------- */

/* Makes mask (an 8-bit layer in no picture's list; 0 detaches) the layer's mask: it gets the
 * layer's picture as owner and goes with the layer. The previous mask is not destroyed: it is the
 * caller's again. ZAN_CHANGE_PIXELS is announced over the old mask's and the layer's rectangles.
 * Returns 0, or ZAN_ERR_ARG for the layer itself or a layer listed in a picture. */
ZAN_API int32_t zanLayerAttachMask(zanHandle layer, zanHandle mask);
/* The layer's mask layer, or 0. */
ZAN_API zanHandle zanLayerGetMask(zanHandle layer, void* reserved);

/* Sets the external mask (tag LAYX) and answers the previous one (the caller's again). */
ZAN_API zanHandle zanInsertMaskEx(zanHandle layer, zanHandle mask);
/* Clears the external mask (tag LAYR again, also when there was none) and answers it. */
ZAN_API zanHandle zanRemoveMaskEx(zanHandle layer);

/* Hangs a floating layer on the layer (0 clears; the previous one is the caller's again).
 * Returns 0. */
ZAN_API int32_t zanLayerAttachFloat(zanHandle layer, zanHandle floating);
/* The layer's floating layer, or 0. */
ZAN_API zanHandle zanLayerGetFloat(zanHandle layer, void* reserved);

/* The picture's selection (an 8-bit mask layer), or 0 when nothing is selected. */
ZAN_API zanHandle zanGetSelection(zanHandle picture, void* reserved);
/* Makes layer (0: nothing) the picture's selection, owned by the picture, and answers the
 * previous selection, now the caller's. */
ZAN_API zanHandle zanSetSelection(zanHandle picture, zanHandle layer, void* reserved);

/* Checks both handles and changes nothing; returns 0. */
ZAN_API int32_t zanMergeMasks(zanHandle a, zanHandle b);
/* Does nothing; returns 0. */
ZAN_API int32_t zanDrawMoveBorder(zanHandle view, const RECT* rect, int32_t flag);

/* ---- Rectangle masks ---------------------------------------------------------------------- */

/* A new rectangle mask of rect (null: empty) whose kind the engine stores; 0 with the code in
 * *error on failure. */
ZAN_API zanHandle zanCreateRectMask(const RECT* rect, int32_t kind, int32_t* error);
/* Destroys the mask; 0 or the code of a failure. */
ZAN_API int32_t zanDestroyRectMask(zanHandle mask);
/* Maps the rectangle through transform (9 doubles, row vectors: x' = x m00 + y m10 + m20,
 * y' = x m01 + y m11 + m21) and rasterises it into lines of anti-aliased spans; the same matrix
 * again (within 1e-10) leaves the lines untouched. 0, or ZAN_ERR_MASK when it cannot. */
ZAN_API int32_t zanRasterRectMask(zanHandle mask, const double* transform);
/* *info receives line y's spans, valid until the mask is rasterised again or destroyed; null
 * outside the bounding rectangle's top to bottom. Returns 0. */
ZAN_API int32_t zanQueryMaskLineInfo(zanHandle mask, int32_t y, const ZanMaskLine** info);
/* Copies the bounding rectangle of the mapped rectangle into *rect. Returns 0. */
ZAN_API int32_t zanGetMaskBoundRect(zanHandle mask, RECT* rect);

/* ---- Geometry --------------------------------------------------------------------------- */

/* A new layer, in no picture, holding the layer mapped through matrix (9 doubles, row vectors as
 * for zanRasterRectMask; picture coordinates to picture coordinates). Its rectangle is the
 * bounding rectangle of the layer's mapped corners (left and top rounded down, right and bottom
 * up) cut to clip when clip is given; 0 when that is empty or the matrix cannot be inverted.
 * mode 0 samples the nearest pixel, any other value interpolates. The result has an 8-bit mask
 * layer: the layer's mask mapped the same way, or without one a mask of kind 2 outlining the
 * mapped rectangle (it holds the matrix and a rectangle mask, and no pixels). */
ZAN_API zanHandle zanCropTransform(zanHandle layer, const RECT* clip, const double* matrix,
                                   int32_t mode, void* reserved);
/* zanCropTransform without clip. */
ZAN_API zanHandle zanTransform(zanHandle layer, const double* matrix, int32_t mode, void* reserved);
/* Bakes a transformed layer (kind 2) into plain pixels: its rectangle becomes its outline's
 * bounding rectangle, its kind 0, and its mask layer the outline's coverage (times its own mask,
 * mapped, when it had one). 0; ZAN_ERR_ARG when the layer is not of kind 2; ZAN_ERR_MASK when it
 * has no rectangle mask or that cannot be rasterised. A failure leaves the layer as it was. */
ZAN_API int32_t zanLayerRaster(zanHandle layer);
/* Fills the block with the part rect (coordinates of the scaled layer, whose size is the layer's
 * times ratioX and ratioY, each numerator and denominator) of the layer scaled; rect's left-top
 * pixel goes to the block's first pixel, clipped to the block's size. type 1: bilinear with the
 * first and last source pixels on the first and last result pixels; type 2: linear up to a
 * factor of 2 and box averages beyond. Layers of 8, 24 and 32 bits per pixel, of the block's
 * depth. 1 when done; 0 for a null argument, a layer that does not lock, another type or depth. */
ZAN_API int32_t zanCropResize(BlockHeader* block, const RECT* rect, zanHandle layer,
                              const int32_t* ratioX, const int32_t* ratioY, int32_t type);

/* ---- Composition ------------------------------------------------------------------------ */

/* A new layer holding the picture's visible layers composed bottom to top over rect (picture
 * coordinates; null: the whole canvas) at the scale numerator / denominator. Its rectangle is
 * rect scaled (left and top rounded up, right and bottom down) and its depth the picture's
 * (ZAN_PICT_BPP). It has an 8-bit mask layer holding the composed coverage when a layer in the
 * rectangle is translucent or masked or the layers leave part of it uncovered, unless a
 * background block is given: that block (of the picture's depth) is then repeated across the
 * result from its left-top corner and the layers are composed over it. 0 for an empty rectangle,
 * or 0 with the code in *error (ZAN_ERR_ARG for a scale that is not positive). */
ZAN_API zanHandle zanMergeLayers(zanHandle picture, int32_t numerator, int32_t denominator,
                                 BlockHeader* background, const RECT* rect, void* reserved,
                                 int32_t* error);

/* A new layer, in no picture, holding the layer scaled by ratio[0] / ratio[1] and placed at
 * (0, 0): (ratio[0] x (width + 1) - 1) / ratio[1] pixels wide, likewise high. It keeps the
 * layer's properties; a mask layer is scaled into a mask of the new layer. 0 on failure. */
ZAN_API zanHandle zanLayerResample(zanHandle layer, const int32_t* ratio);

/* Composes the picture's visible layers at 1 / 1 into the block's pixels over the block's
 * rectangle (taken as picture coordinates) limited to (left, top, right, bottom). The block stays
 * the caller's. Returns 0 or a negative code. */
ZAN_API int32_t zanGetPictureBits(BlockHeader* block, zanHandle picture, int32_t left, int32_t top,
                                  int32_t right, int32_t bottom);

/* ---- Import, export, file plug-ins and debug timers ------------------------------------- */

/* Files reach pictures through the file-I/O loader (zanFileIO.h) and its format plug-ins. A
 * stream name names a file: a zero-terminated UTF-16 path in ZANIO_NAME_UNITS (260)
 * units, 520 bytes. The source argument of the import functions names the kind of source; 0 (a
 * file) is the only kind there is. */
#ifndef __cplusplus
#include <uchar.h> /* char16_t */
#endif

/* Result codes of import and export, besides ZAN_ERR_CREATE (row buffers) and
 * ZAN_ERR_CANCELLED. */
#define ZAN_ERR_ROWS (-21)        /* a row band, a layer step or the save format failed */
#define ZAN_ERR_STREAM (-40)      /* a stream or image could not be created or opened */
#define ZAN_ERR_BUILD_LAYER (-85) /* the layer for the imported image could not be built */
#define ZAN_ERR_REFUSED (-87)     /* the options refuse files of the kind the file is */

/* Import types. */
#define ZAN_IMPORT_LAYERS 0     /* every layer of the file becomes a layer */
#define ZAN_IMPORT_FLATTENED 1  /* the flattened image becomes one layer */
#define ZAN_IMPORT_THUMB 2      /* as 1, but a stored thumbnail of at least the asked size */
#define ZAN_IMPORT_INFO 3       /* the picture's description only, no layer */
#define ZAN_IMPORT_THUMB_BARE 4 /* as 2, without copying the file's tagged values */

/* Generic picture properties the import and export read and set. */
#define ZAN_GEN_PCD_MARK 109 /* -1: the source is a Photo CD, 110 and 111 its resolution */
#define ZAN_GEN_PCD_RES_X 110
#define ZAN_GEN_PCD_RES_Y 111
#define ZAN_GEN_OPENED_WIDTH 14003 /* size of the image a thumbnail import opened */
#define ZAN_GEN_OPENED_HEIGHT 14004
#define ZAN_GEN_QUALITY 101 /* the save dialog's settings; quality defaults to 90 */
#define ZAN_GEN_OPTION 103
#define ZAN_GEN_BITS 104 /* bits per pixel to write; at most 8 on 24 bits reduces */
#define ZAN_GEN_GIF_BITS 105
#define ZAN_GEN_PALETTE_TYPE 107 /* ZAN_PALETTE_... */
#define ZAN_GEN_DITHER_TYPE 108  /* ZAN_DITHER_... */
#define ZAN_GEN_SOURCE_FILE 114  /* 520-byte stream name of the file it came from */

/* Palettes and dithering of colour reduction. */
#define ZAN_PALETTE_ADAPTIVE 0
#define ZAN_PALETTE_16 1
#define ZAN_PALETTE_216 2
#define ZAN_PALETTE_252 3
#define ZAN_PALETTE_TWO 4 /* white (0) and black (1) */
#define ZAN_DITHER_NONE 0
#define ZAN_DITHER_ORDERED 1
#define ZAN_DITHER_DIFFUSION 2
#define ZAN_DITHER_ORDERED_TWO 3
#define ZAN_DITHER_DIFFUSION_TWO 4
#define ZAN_DITHER_DOTS_TWO 5

/* Answers non-zero to stop; called after every band of rows. */
typedef int32_t (*ZanCancelProc)(void* user);
/* Receives the position reached, between the options' progress start and end. */
typedef void (*ZanProgressProc)(int32_t position, void* user);

typedef struct ZanImportOptions {
  int32_t type;       /* ZAN_IMPORT_... */
  int32_t thumbWidth; /* the smallest stored thumbnail types 2 and 4 take */
  int32_t thumbHeight;
  int32_t keepAspect;  /* fit the asked size to the thumbnail's aspect first */
  int32_t refuseKind6; /* non-zero: a file whose description says kind 6 is refused */
  int32_t progressStart;
  int32_t progressEnd;
  ZanCancelProc cancel;     /* may be null */
  ZanProgressProc progress; /* may be null */
  void* user;
} ZanImportOptions;

typedef struct ZanExportOptions {
  int32_t formatId;    /* the plug-in's format id; 0: found from the target's extension */
  void* formatOptions; /* the writer's SaveOptions record; null: made from the picture */
  int32_t progressStart;
  int32_t progressEnd;
  ZanCancelProc cancel;     /* may be null */
  ZanProgressProc progress; /* may be null */
  void* user;
} ZanExportOptions;

/* Loads the plug-ins of folder (null: the program's plug-in folder) through the loader and
 * answers its result: the number of plug-ins loaded, or a negative code. */
ZAN_API int32_t zanLoadFilePlugIns(const char* folder);
/* Unloads every plug-in: 0, or the loader's code while images are open. */
ZAN_API int32_t zanUnloadFilePlugIns(void* reserved);

/* Opens the file only to describe it in *info (ImageInfo of plugin_interface.h, size word
 * filled in by the caller). 0, ZAN_ERR_STREAM or the loader's code. */
ZAN_API int32_t zanGetImageInfo(int32_t source, const char16_t* streamSpec, void* info);

/* 1 when the writer of format has a save-list entry that fits the picture's depth and palette
 * (8 bits without palette: grey first, then indexed; with palette: indexed; 16: grey; 24:
 * blue-green-red or planes of 8; 48: blue-green-red or planes of 16), else 0. type is unused. */
ZAN_API int32_t zanCheckCanSave(int32_t format, zanHandle picture, int32_t type);

/* Fills picture from the file: its description into built-in and generic properties, then one
 * layer per band-read image or layer. 0 or a negative code; layers already inserted stay. */
ZAN_API int32_t zanImportToPicture(int32_t source, zanHandle picture, const char16_t* streamSpec,
                                   const ZanImportOptions* options);

/* A new layer, in no picture, holding the file's flattened image; 0 with the code in *error. */
ZAN_API zanHandle zanImportToLayer(int32_t source, const char16_t* streamSpec,
                                   const ZanImportOptions* options, int32_t* error);

/* Writes the picture to the file, reducing its colours first when the save options ask for it.
 * The file is written under a temporary name and put in place only when complete: a failure
 * leaves an existing file as it was and no new file behind. 0 or a negative code. */
ZAN_API int32_t zanExportImage(int32_t format, const char16_t* streamSpec, zanHandle picture,
                               const ZanExportOptions* options);

/* Writes one layer as a one-layer image (24 bits as blue-green-red, 48 likewise, 8 bits with a
 * palette as indexed, other depths as grey). 0 or a negative code; the same guarantee. */
ZAN_API int32_t zanExportLayer(int32_t format, const char16_t* streamSpec, zanHandle layer,
                               const ZanExportOptions* options);

/* Debug timers: a running stopwatch in milliseconds. DbgTimerStart answers its handle (0 when
 * memory fails). DbgTimerWriteLog appends text and then ":\t<elapsed>(ms)\r\n" to the file
 * (made when missing) and answers 1, or 0 when the timer or the file cannot be opened. */
ZAN_API zanHandle DbgTimerStart(void);
ZAN_API void DbgTimerPause(zanHandle timer);
ZAN_API void DbgTimerResume(zanHandle timer);
ZAN_API int32_t DbgTimerWriteLog(zanHandle timer, const char* fileName, const char* text);
ZAN_API void DbgTimerClear(zanHandle timer);

/* ---- Views ------------------------------------------------------------------------------ */

/* A view shows one picture in an area of a device at a zoom ratio and a scroll position.
 * Coordinates: layer (LP, 0, 0 at the layer's left-top), picture (PP = LP + the layer's
 * left-top) and view (VP, device pixels): VP = PP x numerator / denominator - scroll and
 * PP = denominator x (VP + scroll) / numerator, in 64-bit arithmetic truncating toward zero.
 * Results outside the 32-bit range are clamped to it. */

/* View properties, 4 bytes unless stated. A set of -301 to -309 to a new value recomposes what
 * it changes in the view's cache. */
#define ZAN_VIEW_RECT (-301)        /* 16 bytes: the view's area on the device */
#define ZAN_VIEW_ZOOM (-302)        /* 8 bytes: numerator, denominator (both positive) */
#define ZAN_VIEW_SCROLL (-303)      /* 8 bytes: scroll x, y in view pixels */
#define ZAN_VIEW_PICTURE (-305)     /* the picture shown; every layer's visibility becomes 2 */
#define ZAN_VIEW_VALUE306 (-306)    /* stored value, given to zanCreateView */
#define ZAN_VIEW_VALUE308 (-308)    /* stored value, set only */
#define ZAN_VIEW_VALUE309 (-309)    /* stored value */
#define ZAN_VIEW_GAMMA_RED (-312)   /* display gamma in thousandths (1000: none), process-wide */
#define ZAN_VIEW_GAMMA_GREEN (-313) /* likewise for green */
#define ZAN_VIEW_GAMMA_BLUE (-314)  /* likewise for blue */
#define ZAN_VIEW_GAMMA_ON (-315)    /* generic: 0 switches display gamma off for the view */

/* Visibility of a layer in one view. */
#define ZAN_VIEW_HIDDEN 0 /* hidden in this view */
#define ZAN_VIEW_SHOWN 1  /* shown even when the layer's own flag is off */
#define ZAN_VIEW_FOLLOW 2 /* follows the layer's flag (every layer's value on entering) */

/* Raster operations for drawing on a device: copy, and the three that combine the pixels with
 * what the device holds (and, or, exclusive or). */
#define ZAN_ROP_SRCCOPY 0x00CC0020u
#define ZAN_ROP_SRCAND 0x008800C6u
#define ZAN_ROP_SRCPAINT 0x00EE0086u
#define ZAN_ROP_SRCINVERT 0x00660046u

/* Pixels handed to a device: rows top to bottom, stride bytes apart, 8 bits (through palette, 256
 * entries of blue, green, red, unused; null: grey) or 24 bits (blue, green, red). */
typedef struct ZanDisplayBitmap {
  const unsigned char* pixels;
  int32_t width;
  int32_t height;
  int32_t stride;
  int32_t bitsPerPixel;
  const unsigned char* palette;
} ZanDisplayBitmap;
/* Draws the bitmap with its left-top pixel at device point (x, y) with the raster operation;
 * returns 0 when drawn. */
typedef int32_t (*ZanDisplayProc)(void* context, int32_t x, int32_t y,
                                  const ZanDisplayBitmap* bitmap, uint32_t rasterOp);
/* A device the engine draws on: the caller's drawing function and its context. */
typedef struct ZanDevice {
  ZanDisplayProc display;
  void* context;
} ZanDevice;

/* A new view with zoom 1 / 1, quality grade 1, no picture (set ZAN_VIEW_PICTURE), value kept as
 * ZAN_VIEW_VALUE306. 0 with the code in *error on failure. */
ZAN_API zanHandle zanCreateView(int32_t value, int32_t* error);
/* A new view with the same zoom and quality grade, no picture, no cache, scroll 0, 0. */
ZAN_API zanHandle zanCloneView(zanHandle view, void* reserved);
/* Leaves the picture's view list and destroys the view with its cache. 0 or the failure's code. */
ZAN_API int32_t zanDestroyView(zanHandle view);

/* The property store, as for layers; zanSetViewProperty always returns 1. */
ZAN_API int32_t zanGetViewProperty(zanHandle view, int32_t id, void* buffer, uint32_t size,
                                   int32_t* outCount);
ZAN_API int32_t zanSetViewProperty(zanHandle view, int32_t id, const void* data, uint32_t size,
                                   uint32_t flags);

/* The visibility of the layer at the 1-based index in this view (ZAN_VIEW_...), ZAN_ERR_ARG
 * outside 1 to the layer count. Set stores value and answers the previous one (or ZAN_ERR_ARG);
 * the view recomposes the layer's area. */
ZAN_API int32_t zanGetLayerVisibility(zanHandle view, int32_t index);
ZAN_API int32_t zanSetLayerVisibility(zanHandle view, int32_t index, int32_t value);

/* Stores the quality grade (0 or 1). 0; ZAN_ERR_ARG for another grade or a zero view;
 * ZAN_ERR_LOCK when the view cannot be locked. */
ZAN_API int32_t zanViewSetShowQualityGrade(zanHandle view, int32_t grade);

/* *rect receives what must be composed again (view coordinates from 0, 0): the union of the
 * changed parts of the cache; the whole view area when the view has no cache yet. 0;
 * ZAN_ERR_ARG for a zero view or null rect; ZAN_ERR_LOCK (with the cache's whole size) when the
 * cache has no composite yet or cannot be locked. */
ZAN_API int32_t zanViewGetDirty(zanHandle view, RECT* rect);

/* The cache's composite layer (24 bits, the view's area from 0, 0, pixels composed over white),
 * brought up to date; 0 for a kind other than 1, 2 or 3 or on failure. The layer stays the
 * view's. */
ZAN_API zanHandle zanGetViewCache(zanHandle view, int32_t kind);

/* Draws rect (view coordinates from 0, 0; null: the whole view) on device at the view's
 * left-top corner. With useCache the view's cache is brought up to date and drawn; without it
 * the part is composed afresh (layers' own visible flags, no visibility list). Display gamma is
 * applied unless ZAN_VIEW_GAMMA_ON is 0. 0, also when drawing failed part way; ZAN_ERR_ARG for
 * an empty rect. */
ZAN_API int32_t zanDrawView(zanHandle view, const ZanDevice* device, const RECT* rect,
                            int32_t useCache);

/* 0 always: the zoom is ZAN_VIEW_ZOOM. */
ZAN_API int32_t zanGetZoomLevel(zanHandle view);

/* Point conversions over count points (x, y pairs) in place; a zero handle or null array does
 * nothing. LP and VP conversions go through picture coordinates. Each returns 0. */
ZAN_API int32_t zanLPtoPP(zanHandle layer, POINT* points, int32_t count);
ZAN_API int32_t zanPPtoLP(zanHandle layer, POINT* points, int32_t count);
ZAN_API int32_t zanPPtoVP(zanHandle view, POINT* points, int32_t count);
ZAN_API int32_t zanVPtoPP(zanHandle view, POINT* points, int32_t count);
ZAN_API int32_t zanLPtoVP(zanHandle layer, zanHandle view, POINT* points, int32_t count);
ZAN_API int32_t zanVPtoLP(zanHandle view, zanHandle layer, POINT* points, int32_t count);

/* Draws the outline of the picture's selection, as the view shows it, inside rect (view
 * coordinates from 0, 0; null: the whole view) on device. flag 0 inverts the device's pixels
 * under the outline (drawing twice removes it); any other value blackens them. 1, also when
 * there is nothing to draw or a zero view or null device; ZAN_ERR_CREATE when the view cannot
 * be locked. */
ZAN_API int32_t zanShowSelection(zanHandle view, const ZanDevice* device, const RECT* rect,
                                 int32_t flag);

ZAN_EXTERN_C_END

#endif /* ZANENGIN_H */
