/*
 * plugin_interface.h: the contract between the file-I/O loader and a file-format plug-in.
 *
 * A plug-in is a shared module named <Name>.fll that exports exactly two functions:
 *   GetPlugInfo(info)                        copies its static PlugInfo out; returns 1
 *   GetPlugStruct(stream, forWriting, id)    makes an instance working on stream, or null
 * The loader drives an instance only through the nineteen slots of its PlugFunctionTable:
 *   reading  GetPlugStruct(s, 0, id), OpenImage, [EnumImageInfo], then either StartReadImage and
 *            ReadRows until every row is read (the flattened image), or per layer
 *            StartReadLayer and ReadRows with NextLayer between layers; CloseImage.
 *   writing  GetPlugStruct(s, 1, id), CreateImage, AddImageInfo per tagged value, per layer of a
 *            layered format CreateLayer, StartWriteLayer, WriteRows with NextLayer between
 *            layers, then StartWriteImage and WriteRows (the single or composite image);
 *            CloseImage.
 * An operation that fails returns 0 (null from GetPlugStruct) and leaves a negative
 * PLUG_ERR_... code that GetError returns. CloseImage frees the instance.
 *
 * Records. All integer fields are 32-bit, little-endian; every record begins with its size in
 * bytes, filled in by the caller. Whoever copies a record out copies at most the smaller of the
 * caller's size and its own (plugCopyOut below). The records cross separately built modules, so
 * their layout is fixed: offsets are asserted at the end of this file. A field that holds a
 * pointer is pointer-sized; fields before the first pointer keep their 32-bit offsets, and a
 * size word holds the real sizeof.
 *
 * Memory. A plug-in takes its memory from the default heap of zanPltfm (heap 0) and never opens
 * files: it reads and writes the PlugStream it was given.
 *
 * This header is valid C and C++.
 */
#ifndef TESSALY_PLUGIN_INTERFACE_H
#define TESSALY_PLUGIN_INTERFACE_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>
#ifndef __cplusplus
#include <assert.h>
#include <uchar.h>
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Constants ------------------------------------------------------------------------- */

#define PLUG_INTERFACE_VERSION 1
#define PLUG_TEXT_UNITS 260 /* UTF-16 units of PlugInfo texts and of a stream's name */

/* Format ids. */
#define PLUG_FORMAT_ANY 0 /* GetPlugStruct: whichever format the plug-in has */
#define PLUG_FORMAT_JPEG 1
#define PLUG_FORMAT_BMP 2
#define PLUG_FORMAT_TIFF 3
#define PLUG_FORMAT_GIF 4
#define PLUG_FORMAT_PCX 5
#define PLUG_FORMAT_PNG 6
#define PLUG_FORMAT_TGA 7
#define PLUG_FORMAT_NLX 8
#define PLUG_FORMAT_FPX 10
#define PLUG_FORMAT_PCD 11
#define PLUG_FORMAT_EPS 12
#define PLUG_FORMAT_EMF 13

/* Colour models (ImageInfo.colorModel, CreateRequest.colorModel, SaveListEntry.colorModel). */
#define PLUG_COLOR_RGB_PLANES 1 /* one plane per channel: bits per channel, 3 or 4 channels */
#define PLUG_COLOR_BGR 2        /* interleaved blue-green-red, 24 bits (32 with alpha) */
#define PLUG_COLOR_INDEXED 8    /* 8-bit indices into the palette */
#define PLUG_COLOR_GREY 16      /* 8 (or 16 per channel) bits; 2 channels with alpha */

/* Row orders (ImageInfo.rowOrder, LayerInfo.rowOrder, RowLayout.rowOrder). */
#define PLUG_ROWS_TOP_DOWN 1
#define PLUG_ROWS_BOTTOM_UP 2

/* RowLayout.layerOrder: 2 asks for the bottom layer first; any other value, top layer first. */
#define PLUG_LAYERS_BOTTOM_FIRST 2
#define PLUG_LAYERS_TOP_FIRST 1

/* Tags of EnumImageInfo / AddImageInfo values: resolutions as 32-bit dots per inch, size 4. */
#define PLUG_TAG_XRESOLUTION 14001
#define PLUG_TAG_YRESOLUTION 14002
/* A reader's reservation about a file it read in full, such as a missing end marker: UTF-8
 * text with its terminating zero. EnumImageInfo offers it once every row was read. */
#define PLUG_TAG_WARNING 14003

/* Error codes that GetError returns. */
#define PLUG_ERR_TOOLKIT_MEMORY (-10) /* a format toolkit refused its memory limit */
#define PLUG_ERR_NO_MEMORY (-11)
#define PLUG_ERR_BAD_DATA (-60)    /* unreadable or unsupported data, or a nested read failed */
#define PLUG_ERR_DECODE (-70)      /* compressed data cannot be decoded */
#define PLUG_ERR_SHORT_WRITE (-71) /* the stream took fewer bytes than written */

/* PlugStream seek origins. */
#define PLUG_SEEK_SET 0
#define PLUG_SEEK_CUR 1
#define PLUG_SEEK_END 2

/* Names of the two exports, for dlsym. */
#define PLUG_GETPLUGINFO_NAME "GetPlugInfo"
#define PLUG_GETPLUGSTRUCT_NAME "GetPlugStruct"

/* ---- Records --------------------------------------------------------------------------- */

/* One palette entry. */
typedef struct PlugPaletteEntry {
  uint8_t blue;
  uint8_t green;
  uint8_t red;
  uint8_t zero;
} PlugPaletteEntry;

/* The plug-in's static description (GetPlugInfo). */
typedef struct PlugInfo {
  int32_t size;     /* sizeof(PlugInfo) */
  int32_t version;  /* PLUG_INTERFACE_VERSION */
  int32_t formatId; /* PLUG_FORMAT_... */
  int32_t flagA;    /* loader flags A, C, D and values E, F: see the */
  int32_t canRead;  /*   per-format table of the loader; E == F */
  int32_t canWrite; /* only plug-ins with 1 here are chosen to write */
  int32_t flagC;
  int32_t flagD;
  int32_t valueE;
  int32_t valueF;
  char16_t description[PLUG_TEXT_UNITS]; /* for file dialogs, e.g. u"Targa(*.TGA)" */
  char16_t extensions[PLUG_TEXT_UNITS];  /* ';'-separated patterns, e.g. u"*.EMF;*.WMF" */
} PlugInfo;

/* The image as OpenImage finds it. */
typedef struct ImageInfo {
  int32_t size;         /* sizeof(ImageInfo) */
  int32_t formatId;     /* set by formats that carry it (GIF, FlashPix, NLX); else 0 */
  int32_t layerCount;   /* layers of a layered file; 1 for an image with its own alpha or a
                           single decoded picture; 0 for a plain picture */
  int32_t rowOrder;     /* PLUG_ROWS_... */
  int32_t flag16;       /* 1 for GIF and FlashPix, else 0 */
  int32_t colorModel;   /* PLUG_COLOR_... */
  int32_t bits;         /* bits per pixel (models 2, 8, 16 at 8 bits), or per channel (8, 16)
                           where channels is filled */
  int32_t channels;     /* 1 to 4 where given, else 0 */
  int32_t hasPalette;   /* 1 / 0 */
  int32_t paletteCount; /* at most 256 */
  int32_t reserved40;   /* 0 */
  PlugPaletteEntry palette[256];
  int32_t width;
  int32_t height;
  int32_t private1076; /* plug-in specific */
  int32_t private1080; /* plug-in specific (GIF: 6) */
} ImageInfo;

/* One layer (or the flattened image) as StartReadImage / StartReadLayer describe it, and as
 * CreateLayer takes it. */
typedef struct LayerInfo {
  int32_t size;     /* sizeof(LayerInfo) */
  int32_t kind;     /* 1; 3 marks a text layer */
  int32_t planes;   /* 1; NLX: its channel count, plus 1 with a mask */
  int32_t hasAlpha; /* 1 when the layer carries alpha or a mask */
  int32_t hasPalette;
  int32_t paletteCount;
  PlugPaletteEntry palette[256];
  int32_t reserved1048;
  int32_t left; /* the layer's place in the picture; right and bottom exclusive (a single */
  int32_t top;  /* image: 0, 0, width, height) */
  int32_t right;
  int32_t bottom;
  int32_t rowBytes; /* bytes per row the plug-in delivers */
  int32_t rowOrder; /* PLUG_ROWS_... */
  int32_t visible;  /* 1 */
  int32_t opacity;  /* 0 to 255, 255 opaque */
  union {
    uint32_t handle;     /* zanPltfm string handle of the layer's name, 0 = none */
    uint8_t record[520]; /* the whole name record the image engine stores; plug-ins use only
                            the handle */
  } name;
} LayerInfo;

/* The save options a writer reads; a null pointer leaves every option at its default. */
typedef struct SaveOptions {
  int32_t size;   /* 0 or sizeof(SaveOptions); writers do not read it */
  int32_t main;   /* the format's main option (TGA: file bits 16/24/32; TIFF: 5 = LZW; ...) */
  int32_t second; /* its second option (TGA: run-length encoding on / off; ...) */
} SaveOptions;

/* What the loader asks CreateImage to make. */
typedef struct CreateRequest {
  int32_t size;    /* sizeof(CreateRequest) */
  int32_t variant; /* format variant a plug-in asks of the loader for nested images (1 or
                      2); 0 otherwise */
  int32_t layerCount;
  int32_t colorModel;
  int32_t bits;
  int32_t hasPalette;
  int32_t paletteCount; /* count, 4 spare bytes and the palette travel as one 1032-byte block */
  int32_t reserved28;
  PlugPaletteEntry palette[256];
  int32_t width;
  int32_t height;
  int32_t channels;
  SaveOptions* options; /* or null */
} CreateRequest;

/* How CreateImage / CreateLayer want their rows. */
typedef struct RowLayout {
  int32_t size; /* sizeof(RowLayout) */
  int32_t reserved4;
  int32_t reserved8;
  int32_t storesLayers;   /* NLX: 1 unless 16 bits per channel; 0 elsewhere */
  int32_t wantsComposite; /* 1 */
  int32_t rowOrder;       /* PLUG_ROWS_... the writer expects */
  int32_t layerOrder;     /* PLUG_LAYERS_...; every plug-in of ours sets 1 */
  int32_t rowBytes;
} RowLayout;

/* One pixel layout a writer accepts. */
typedef struct SaveListEntry {
  int32_t colorModel;
  int32_t bits;
} SaveListEntry;

/* ---- Streams --------------------------------------------------------------------------- */

/* The stream a plug-in reads and writes: four operations, then the owner's data. An owner
 * embeds PlugStream as its first member and casts back in its operations. */
typedef struct PlugStream PlugStream;

/* Reads up to count bytes; returns the number read (0..count, fewer at the end or on error). */
typedef int32_t (*PlugStreamRead)(PlugStream* stream, void* buffer, int32_t count);
/* Writes count bytes; returns the number taken (fewer on error). */
typedef int32_t (*PlugStreamWrite)(PlugStream* stream, const void* buffer, int32_t count);
/* Moves to offset from origin (PLUG_SEEK_...); returns the new position from the start, or -1
 * (position unchanged) on failure. seek(s, 0, PLUG_SEEK_CUR) tells where the stream stands. */
typedef int64_t (*PlugStreamSeek)(PlugStream* stream, int64_t offset, int32_t origin);
/* Non-zero when the stream is a named file and buffer (PLUG_TEXT_UNITS units) now holds its
 * zero-terminated path. */
typedef int32_t (*PlugStreamName)(PlugStream* stream, char16_t* buffer);

struct PlugStream {
  PlugStreamRead read;
  PlugStreamWrite write;
  PlugStreamSeek seek;
  PlugStreamName name;
};

/* ---- The instance and its function table ----------------------------------------------- */

typedef struct PlugInstance PlugInstance;

/* Receives one tagged value of EnumImageInfo / EnumLayerInfo. */
typedef void (*PlugInfoCallback)(int32_t tag, int32_t size, const void* value, void* user);

/* Row buffers are arrays of plane pointers: interleaved data uses planes[0] only, which points
 * at the first row; row i lies at planes[p] + i * stride. A negative stride hands rows over
 * bottom-up into a top-down buffer. */
/* clang-format off: the slot numbers stay in one column. */
typedef struct PlugFunctionTable {
  int32_t (*OpenImage)(PlugInstance* self, ImageInfo* info);                        /* 0 */
  void* reserved1;                                                                  /* 1 */
  void (*EnumImageInfo)(PlugInstance* self, PlugInfoCallback callback, void* user); /* 2 */
  void (*EnumLayerInfo)(PlugInstance* self, PlugInfoCallback callback, void* user); /* 3 */
  int32_t (*StartReadImage)(PlugInstance* self, LayerInfo* info);                   /* 4 */
  int32_t (*StartReadLayer)(PlugInstance* self, LayerInfo* info);                   /* 5 */
  /* Returns the rows delivered, 0 on failure. */
  int32_t (*ReadRows)(PlugInstance* self, int32_t rows, uint8_t* const* planes,
                      int32_t stride); /* 6 */
  void* reserved7;                     /* 7 */
  int32_t (*CreateImage)(PlugInstance* self, const CreateRequest* request,
                         RowLayout* layout);                                            /* 8 */
  int32_t (*CreateLayer)(PlugInstance* self, const LayerInfo* info, RowLayout* layout); /* 9 */
  /* Returns 1 when the value was taken, 0 when the writer does not know the tag. */
  int32_t (*AddImageInfo)(PlugInstance* self, int32_t tag, const void* value,
                          int32_t size); /* 10 */
  int32_t (*AddLayerInfo)(PlugInstance* self, int32_t tag, const void* value,
                          int32_t size);          /* 11 */
  int32_t (*StartWriteImage)(PlugInstance* self); /* 12 */
  int32_t (*StartWriteLayer)(PlugInstance* self); /* 13 */
  /* Returns the rows taken, 0 on failure. */
  int32_t (*WriteRows)(PlugInstance* self, int32_t rows, const uint8_t* const* planes,
                       int32_t stride);     /* 14 */
  int32_t (*NextLayer)(PlugInstance* self); /* 15 */
  /* Frees every buffer of the instance and the instance itself. */
  void (*CloseImage)(PlugInstance* self);  /* 16 */
  int32_t (*GetError)(PlugInstance* self); /* 17 */
  /* Describes the plug-in as a whole (no instance): copies at most wanted entries (never more
   * than it has) and returns how many it has; wanted 0 copies nothing. */
  int32_t (*GetSaveList)(int32_t wanted, SaveListEntry* entries); /* 18 */
} PlugFunctionTable;
/* clang-format on */

/* What GetPlugStruct returns: the table, then the plug-in's own state. A plug-in embeds
 * PlugInstance as the first member of its instance record. */
struct PlugInstance {
  PlugFunctionTable table;
};

/* ---- The two exports ------------------------------------------------------------------- */

typedef int32_t (*GetPlugInfoProc)(PlugInfo* info);
typedef PlugInstance* (*GetPlugStructProc)(PlugStream* stream, int32_t forWriting,
                                           int32_t formatId);

#if defined(__GNUC__) || defined(__clang__)
#define PLUG_EXPORT __attribute__((visibility("default")))
#else
#define PLUG_EXPORT
#endif

/* Copies the static description into info, at most info->size bytes; returns 1. */
PLUG_EXPORT int32_t GetPlugInfo(PlugInfo* info);
/* An instance working on stream, or null: for a foreign formatId (not 0 and not the plug-in's
 * own) at once, without touching the stream; for reading when the stream fails the plug-in's
 * signature test; when memory runs out. */
PLUG_EXPORT PlugInstance* GetPlugStruct(PlugStream* stream, int32_t forWriting, int32_t formatId);

/* ---- Helper ---------------------------------------------------------------------------- */

/* Copies a record out to a caller whose record may be shorter or longer than ours: copies
 * min(caller's size word, ownSize) bytes of own into caller, and then sets the caller's size
 * word to that count, so it says how many bytes are valid rather than claiming more room than
 * the caller has. A caller size below 4 (no room even for the size word) copies nothing.
 * Returns the number of bytes copied. */
static inline int32_t plugCopyOut(void* caller, const void* own, int32_t ownSize) {
  int32_t callerSize;
  int32_t count;
  if (caller == NULL || own == NULL || ownSize < 4) return 0;
  memcpy(&callerSize, caller, sizeof callerSize);
  if (callerSize < 4) return 0;
  count = callerSize < ownSize ? callerSize : ownSize;
  memcpy(caller, own, (size_t)count);
  memcpy(caller, &count, sizeof count);
  return count;
}

/* ---- Layout checks --------------------------------------------------------------------- */

#ifdef __cplusplus
#define PLUG_ASSERT(condition, text) static_assert(condition, text)
#else
#define PLUG_ASSERT(condition, text) _Static_assert(condition, text)
#endif
#define PLUG_AT(type, field, offset) \
  PLUG_ASSERT(offsetof(type, field) == (offset), #type "." #field " at " #offset)

PLUG_ASSERT(sizeof(char16_t) == 2, "UTF-16 units are 2 bytes");
PLUG_ASSERT(sizeof(PlugPaletteEntry) == 4, "palette entries are 4 bytes");

PLUG_AT(PlugInfo, version, 4);
PLUG_AT(PlugInfo, formatId, 8);
PLUG_AT(PlugInfo, flagA, 12);
PLUG_AT(PlugInfo, canRead, 16);
PLUG_AT(PlugInfo, canWrite, 20);
PLUG_AT(PlugInfo, flagC, 24);
PLUG_AT(PlugInfo, flagD, 28);
PLUG_AT(PlugInfo, valueE, 32);
PLUG_AT(PlugInfo, valueF, 36);
PLUG_AT(PlugInfo, description, 40);
PLUG_AT(PlugInfo, extensions, 560);
PLUG_ASSERT(sizeof(PlugInfo) == 1080, "PlugInfo is 1080 bytes");

PLUG_AT(ImageInfo, formatId, 4);
PLUG_AT(ImageInfo, layerCount, 8);
PLUG_AT(ImageInfo, rowOrder, 12);
PLUG_AT(ImageInfo, flag16, 16);
PLUG_AT(ImageInfo, colorModel, 20);
PLUG_AT(ImageInfo, bits, 24);
PLUG_AT(ImageInfo, channels, 28);
PLUG_AT(ImageInfo, hasPalette, 32);
PLUG_AT(ImageInfo, paletteCount, 36);
PLUG_AT(ImageInfo, reserved40, 40);
PLUG_AT(ImageInfo, palette, 44);
PLUG_AT(ImageInfo, width, 1068);
PLUG_AT(ImageInfo, height, 1072);
PLUG_AT(ImageInfo, private1076, 1076);
PLUG_AT(ImageInfo, private1080, 1080);
PLUG_ASSERT(sizeof(ImageInfo) == 1084, "ImageInfo is 1084 bytes");

PLUG_AT(LayerInfo, kind, 4);
PLUG_AT(LayerInfo, planes, 8);
PLUG_AT(LayerInfo, hasAlpha, 12);
PLUG_AT(LayerInfo, hasPalette, 16);
PLUG_AT(LayerInfo, paletteCount, 20);
PLUG_AT(LayerInfo, palette, 24);
PLUG_AT(LayerInfo, left, 1052);
PLUG_AT(LayerInfo, top, 1056);
PLUG_AT(LayerInfo, right, 1060);
PLUG_AT(LayerInfo, bottom, 1064);
PLUG_AT(LayerInfo, rowBytes, 1068);
PLUG_AT(LayerInfo, rowOrder, 1072);
PLUG_AT(LayerInfo, visible, 1076);
PLUG_AT(LayerInfo, opacity, 1080);
PLUG_AT(LayerInfo, name, 1084);
PLUG_ASSERT(sizeof(LayerInfo) == 1604, "LayerInfo is 1604 bytes");

PLUG_AT(SaveOptions, main, 4);
PLUG_AT(SaveOptions, second, 8);

PLUG_AT(CreateRequest, variant, 4);
PLUG_AT(CreateRequest, layerCount, 8);
PLUG_AT(CreateRequest, colorModel, 12);
PLUG_AT(CreateRequest, bits, 16);
PLUG_AT(CreateRequest, hasPalette, 20);
PLUG_AT(CreateRequest, paletteCount, 24);
PLUG_AT(CreateRequest, palette, 32);
PLUG_AT(CreateRequest, width, 1056);
PLUG_AT(CreateRequest, height, 1060);
PLUG_AT(CreateRequest, channels, 1064);
/* The options pointer is the first pointer: at 1068 with 4-byte pointers, at the next 8-byte
 * boundary (1072) with 8-byte ones, which makes the record 1080 bytes there. */
PLUG_AT(CreateRequest, options, sizeof(void*) == 4 ? 1068 : 1072);
PLUG_ASSERT(sizeof(CreateRequest) == (sizeof(void*) == 4 ? 1072 : 1080),
            "CreateRequest ends after its options pointer");

PLUG_AT(RowLayout, reserved4, 4);
PLUG_AT(RowLayout, reserved8, 8);
PLUG_AT(RowLayout, storesLayers, 12);
PLUG_AT(RowLayout, wantsComposite, 16);
PLUG_AT(RowLayout, rowOrder, 20);
PLUG_AT(RowLayout, layerOrder, 24);
PLUG_AT(RowLayout, rowBytes, 28);
PLUG_ASSERT(sizeof(RowLayout) == 32, "RowLayout is 32 bytes");

PLUG_AT(SaveListEntry, bits, 4);
PLUG_ASSERT(sizeof(SaveListEntry) == 8, "SaveListEntry is two 32-bit values");

/* Stream and function table: one pointer-sized slot each, in this order. */
PLUG_AT(PlugStream, read, 0);
PLUG_AT(PlugStream, write, 1 * sizeof(void*));
PLUG_AT(PlugStream, seek, 2 * sizeof(void*));
PLUG_AT(PlugStream, name, 3 * sizeof(void*));
PLUG_ASSERT(sizeof(PlugStream) == 4 * sizeof(void*), "PlugStream holds four operations");

PLUG_AT(PlugFunctionTable, OpenImage, 0);
PLUG_AT(PlugFunctionTable, reserved1, 1 * sizeof(void*));
PLUG_AT(PlugFunctionTable, EnumImageInfo, 2 * sizeof(void*));
PLUG_AT(PlugFunctionTable, EnumLayerInfo, 3 * sizeof(void*));
PLUG_AT(PlugFunctionTable, StartReadImage, 4 * sizeof(void*));
PLUG_AT(PlugFunctionTable, StartReadLayer, 5 * sizeof(void*));
PLUG_AT(PlugFunctionTable, ReadRows, 6 * sizeof(void*));
PLUG_AT(PlugFunctionTable, reserved7, 7 * sizeof(void*));
PLUG_AT(PlugFunctionTable, CreateImage, 8 * sizeof(void*));
PLUG_AT(PlugFunctionTable, CreateLayer, 9 * sizeof(void*));
PLUG_AT(PlugFunctionTable, AddImageInfo, 10 * sizeof(void*));
PLUG_AT(PlugFunctionTable, AddLayerInfo, 11 * sizeof(void*));
PLUG_AT(PlugFunctionTable, StartWriteImage, 12 * sizeof(void*));
PLUG_AT(PlugFunctionTable, StartWriteLayer, 13 * sizeof(void*));
PLUG_AT(PlugFunctionTable, WriteRows, 14 * sizeof(void*));
PLUG_AT(PlugFunctionTable, NextLayer, 15 * sizeof(void*));
PLUG_AT(PlugFunctionTable, CloseImage, 16 * sizeof(void*));
PLUG_AT(PlugFunctionTable, GetError, 17 * sizeof(void*));
PLUG_AT(PlugFunctionTable, GetSaveList, 18 * sizeof(void*));
PLUG_ASSERT(sizeof(PlugFunctionTable) == 19 * sizeof(void*), "the table has nineteen slots");
PLUG_AT(PlugInstance, table, 0);

#undef PLUG_AT

#ifdef __cplusplus
}
#endif

#endif /* TESSALY_PLUGIN_INTERFACE_H */
