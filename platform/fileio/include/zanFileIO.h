/*
 * zanFileIO.h: the file-I/O loader. It loads the file-format plug-ins (*.fll), makes file
 * streams, picks the plug-in for a file and drives it through the plug-in contract of
 * plugin_interface.h; on top of that it offers a whole-image reader and writer of 24-bit
 * blue-green-red rows.
 *
 * Three kinds of caller use it:
 *   - the image engine: load the plug-ins, list their descriptions and save lists, open an image
 *     and read its rows in bands, create an image and write its rows;
 *   - a plug-in that stores images inside its own files: it passes its own PlugStream (a window
 *     of its file) to zanIOOpenImage / zanIOCreateImage, and may name the format by the
 *     CreateRequest's variant word (1 = the lossy format, JPEG; 2 = the lossless one, BMP);
 *   - programs that want a whole picture: zanIOOpenBGR / zanIOReadBGR / zanIOCloseBGR and
 *     zanIOWriteBGR.
 *
 * Results. Calls that return int32_t answer 0 (or a count) on success and a negative code on
 * failure: a plug-in's own code (PLUG_ERR_... of plugin_interface.h: -11 memory, -60 bad or
 * unsupported data, -71 short write, ...) or one of the loader's ZANIO_ERR_... below. Calls that
 * return a pointer answer null on failure and put the code into their error argument when it is
 * not null. zanIOErrorText describes any code in one English sentence.
 *
 * Threads. Load and unload the plug-ins while no other call of this library runs. Everything
 * else may run on several threads at once as long as each image, stream and reader is used by
 * one thread at a time.
 *
 * Paths are UTF-8 with '/' separators. This header is valid C and C++.
 */
#ifndef ZAN_FILE_IO_H
#define ZAN_FILE_IO_H

#include <stdint.h>

#include "plugin_interface.h"

#if defined(__GNUC__) || defined(__clang__)
#define ZANIO_API __attribute__((visibility("default")))
#else
#define ZANIO_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Codes of the loader ---------------------------------------------------------------- */

#define ZANIO_OK 0
#define ZANIO_ERR_INCOMPLETE (-21) /* an image was closed before all its rows were written */
#define ZANIO_ERR_ARGUMENT (-22)   /* a null or out-of-range argument, or a call out of order */
#define ZANIO_ERR_STREAM (-40)     /* a file could not be opened, created or put in place */
#define ZANIO_ERR_NO_PLUGIN (-41)  /* no loaded plug-in reads (or writes) this file or format */
#define ZANIO_ERR_LAYOUT (-42)     /* the format cannot store this pixel layout */
#define ZANIO_ERR_NO_FOLDER (-43)  /* the plug-in folder cannot be read */
#define ZANIO_ERR_BUSY (-44)       /* images are still open: the plug-ins stay loaded */
#define ZANIO_ERR_TOO_LARGE (-45)  /* the image has more pixels than the pixel limit allows */

/* One English sentence for code (any code this library or a plug-in returns); never null. */
ZANIO_API const char* zanIOErrorText(int32_t code);

/* ---- Plug-ins --------------------------------------------------------------------------- */

/* Loads every *.fll module of folder (null or "": the program's plug-in folder, "plugins" next
 * to the running executable) in file-name order. A module is kept when it exports GetPlugInfo
 * and GetPlugStruct and describes itself with interface version 1; a module already loaded
 * from the same path is not loaded twice. Returns the number of plug-ins loaded in all, or
 * ZANIO_ERR_NO_FOLDER. Plug-ins loaded earlier (from other folders) stay loaded and come first. */
ZANIO_API int32_t _zanIOLoadPlugsEx(const char* folder);

/* Unloads every plug-in. Returns 0, or ZANIO_ERR_BUSY (and unloads nothing) while an image or
 * BGR reader is still open. */
ZANIO_API int32_t zanIOUnloadPlugs(void);

/* Writes the program's plug-in folder into buffer (size bytes, zero-terminated when size > 0);
 * returns the length of the whole path, so a caller can ask with size 0 first. */
ZANIO_API int32_t zanIOPlugFolder(char* buffer, int32_t size);

/* The number of loaded plug-ins; they are numbered 0 to count - 1 in load order. */
ZANIO_API int32_t zanIOGetPlugCount(void);

/* Copies the description of plug-in index into info (at most info->size bytes, PlugInfo rules)
 * and returns 1 when the plug-in is enabled, 0 when it is disabled; ZANIO_ERR_ARGUMENT for an
 * index out of range or a null info. */
ZANIO_API int32_t zanIOEnumPlugsInfo(int32_t index, PlugInfo* info);

/* Enables (1) or disables (0) plug-in index; a disabled plug-in is never chosen to read or write.
 * Returns 0 or ZANIO_ERR_ARGUMENT. */
ZANIO_API int32_t zanIOEnablePlug(int32_t index, int32_t enabled);

/* The format id of the first enabled plug-in whose extension list holds the extension of name
 * (the text from its last '.', compared without regard to case; name may be a whole path or
 * just ".TIF"). With forWriting only plug-ins that can write count. 0 when none matches. */
ZANIO_API int32_t zanIOFindFormatByExtension(const char* name, int32_t forWriting);

/* The save list of the first enabled writer of formatId: copies at most wanted entries and
 * returns how many the writer has (so wanted 0 with null entries asks for the count), or
 * ZANIO_ERR_NO_PLUGIN. */
ZANIO_API int32_t zanIOGetSaveList(int32_t formatId, int32_t wanted, SaveListEntry* entries);

/* ---- The pixel limit ------------------------------------------------------------------- */

/* The most pixels (width times height) an image opened for reading may have. Every reader is
 * asked to open the image first, which reads only its header; a larger image is closed again
 * before any pixel is decoded and the open fails with ZANIO_ERR_TOO_LARGE, so a damaged or
 * hostile header cannot make a caller set aside gigabytes. The limit counts for every open that
 * starts after the call, on every thread. */
#define ZANIO_DEFAULT_PIXEL_LIMIT 300000000 /* 300 megapixels: A3 at 1200 dpi fits */

/* Sets the limit; 0 or less lifts it. Returns the limit that was in force. */
ZANIO_API int64_t zanIOSetPixelLimit(int64_t pixels);

/* ---- File streams ----------------------------------------------------------------------- */

/* The mode words of zanIOCreateStdStream. */
#define ZANIO_STREAM_READ 69  /* read an existing file */
#define ZANIO_STREAM_WRITE 38 /* write a new file: see below */

/* A stream name: a zero-terminated UTF-16 path in 260 units (520 bytes). */
#define ZANIO_NAME_UNITS PLUG_TEXT_UNITS

/* A buffered stream over a file, named by a stream name (zanIOCreateStdStream) or a
 * UTF-8 path of any length (zanIOCreateFileStream); null when the file cannot be opened, the
 * mode is not one of the two above, or memory runs out.
 *
 * A write stream never touches the named file until it has a whole image: it writes into a new
 * temporary file in the same folder, and zanIODestroyStream renames that over the named file
 * only when an image written to the stream was completed (zanIOCloseImage returned 0). In every
 * other case the temporary file is deleted and an existing file of that name is left as it
 * was. The stream's name operation answers the named path, not the temporary one. */
ZANIO_API PlugStream* zanIOCreateStdStream(const char16_t* name, int32_t mode);
ZANIO_API PlugStream* zanIOCreateFileStream(const char* path, int32_t mode);

/* Closes and frees a stream made above (not one of the caller's own). For a write stream
 * returns 0 when the file was put in place, ZANIO_ERR_INCOMPLETE when no completed image was
 * written (the file is discarded), PLUG_ERR_SHORT_WRITE when writing failed (a full disk) or
 * ZANIO_ERR_STREAM when renaming failed. A read
 * stream answers 0. A null stream is ignored (0). */
ZANIO_API int32_t zanIODestroyStream(PlugStream* stream);

/* Deletes the temporary files of every write stream still open. It is meant for a signal
 * handler that ends the program at once (a second Ctrl-C): it makes only async-signal-safe
 * calls, and the streams must not be used afterwards. */
ZANIO_API void zanIORemoveStagedFiles(void);

/* ---- Images ----------------------------------------------------------------------------- */

/* An open image: a plug-in instance that reads or writes one stream. */
typedef struct zanIOImage zanIOImage;

/* Opens the image on stream for reading. formatId 0 probes the enabled readers, the ones whose
 * extensions match the stream's file name first, the others in load order; any other id asks
 * only the readers of that format. Fills info (at most info->size bytes; info may be null).
 * Null on failure, with ZANIO_ERR_NO_PLUGIN when no reader takes the stream or the plug-in's
 * own code when opening fails, or ZANIO_ERR_TOO_LARGE when the image has more pixels than the
 * pixel limit (info is then filled all the same, so a caller can name the size). The stream
 * must outlive the image. */
ZANIO_API zanIOImage* zanIOOpenImage(PlugStream* stream, int32_t formatId, ImageInfo* info,
                                     int32_t* error);

/* Stored thumbnails: none of the loader's formats keeps one, so this always answers null with
 * ZANIO_ERR_NO_PLUGIN, and callers open the full image. */
ZANIO_API zanIOImage* zanIOOpenThumb(PlugStream* stream, int32_t formatId, ImageInfo* info,
                                     int32_t* error);

/* Reports the image's (or the current layer's) tagged values, such as the resolutions 14001
 * and 14002 in dots per inch, to callback. Plug-ins that keep none report nothing. */
ZANIO_API void zanIOEnumImageInfo(zanIOImage* image, PlugInfoCallback callback, void* user);
ZANIO_API void zanIOEnumLayerInfo(zanIOImage* image, PlugInfoCallback callback, void* user);

/* Starts reading the flattened image, or the current layer of a layered file, and fills info.
 * Returns 0 or a negative code. */
ZANIO_API int32_t zanIOStartReadImage(zanIOImage* image, LayerInfo* info);
ZANIO_API int32_t zanIOStartReadLayer(zanIOImage* image, LayerInfo* info);

/* Reads the next rows (at most what is left of the image or layer) into planes (an array of
 * plane pointers: interleaved rows use planes[0] only), row i at planes[p] + i * stride; a
 * negative stride fills a buffer from its last row up. Pass a stride of at least the
 * LayerInfo's row bytes: some plug-ins read a band in one piece at their own row bytes.
 * Returns the number of rows delivered (> 0) or a negative code; asking past the last row is
 * ZANIO_ERR_ARGUMENT. */
ZANIO_API int32_t zanIOReadRows(zanIOImage* image, int32_t rows, uint8_t* const* planes,
                                int32_t stride);

/* Moves to the next layer of a layered file (reading) or finishes the current layer (writing).
 * Returns 0 or a negative code. */
ZANIO_API int32_t zanIONextLayer(zanIOImage* image);

/* Creates an image on stream for writing with the first enabled writer of formatId (0: the
 * format named by request->variant, 1 = JPEG and 2 = BMP). request->colorModel and bits must be
 * an entry of that writer's save list (else ZANIO_ERR_LAYOUT). Fills layout (at most
 * layout->size bytes): the row order the writer expects, whether it wants a composite image,
 * its row bytes. Null on failure with the code in error. */
ZANIO_API zanIOImage* zanIOCreateImage(PlugStream* stream, int32_t formatId,
                                       const CreateRequest* request, RowLayout* layout,
                                       int32_t* error);

/* Hands a tagged value to the writer (resolutions: tags 14001 / 14002, 4-byte dots per inch).
 * Returns 1 when the writer took it, 0 when it does not know the tag, or a negative code. */
ZANIO_API int32_t zanIOAddImageInfo(zanIOImage* image, int32_t tag, int32_t size, const void* data);
ZANIO_API int32_t zanIOAddLayerInfo(zanIOImage* image, int32_t tag, int32_t size, const void* data);

/* Layered writers: describe the next layer, then start writing its rows. 0 or a code. */
ZANIO_API int32_t zanIOCreateLayer(zanIOImage* image, const LayerInfo* info, RowLayout* layout);
ZANIO_API int32_t zanIOStartWriteLayer(zanIOImage* image);

/* Starts writing the single or composite image. Returns 0 or a negative code. */
ZANIO_API int32_t zanIOStartWriteImage(zanIOImage* image);

/* Writes the next rows (in the order the RowLayout asked for) from planes at stride. Returns the
 * number of rows taken (all of them) or a negative code; after a failure the image is spoilt
 * and can only be closed. */
ZANIO_API int32_t zanIOWriteRows(zanIOImage* image, int32_t rows, const uint8_t* const* planes,
                                 int32_t stride);

/* The last code of the image (0 when nothing failed). */
ZANIO_API int32_t zanIOGetError(zanIOImage* image);

/* Closes the image and frees it (null is ignored). A reader answers 0. A writer answers 0 when
 * every row of its image was written and nothing failed, and only then lets a write stream of
 * the loader put its file in place; else ZANIO_ERR_INCOMPLETE or the code of the failure. */
ZANIO_API int32_t zanIOCloseImage(zanIOImage* image);

/* ---- Whole pictures as 24-bit blue-green-red rows --------------------------------------- */

typedef struct zanIOBGRInfo {
  int32_t size;     /* sizeof(zanIOBGRInfo), filled in by the caller */
  int32_t formatId; /* the format of the file */
  int32_t width;
  int32_t height;
  int32_t xDpi; /* resolution in dots per inch; 0 when the file gives none */
  int32_t yDpi;
} zanIOBGRInfo;

typedef struct zanIOReader zanIOReader;

/* Opens the picture at path with whichever plug-in reads it and describes it in info (at most
 * info->size bytes). Null on failure with the code in error; with ZANIO_ERR_TOO_LARGE info still
 * holds the format and the size the file's header claims. */
ZANIO_API zanIOReader* zanIOOpenBGR(const char* path, zanIOBGRInfo* info, int32_t* error);

/* Decodes the whole picture into the caller's buffer: height rows of width 3-byte pixels
 * (blue, green, red), the top row at top and row i at top + i * stride (|stride| >= width * 3).
 * Grey, palette, 16-bit and alpha pixels are converted (16-bit samples keep their high byte,
 * alpha is dropped). Works band by band; it holds no second copy of the picture. Returns 0 or a
 * negative code; may be called once per reader. */
ZANIO_API int32_t zanIOReadBGR(zanIOReader* reader, uint8_t* top, int32_t stride);

/* After zanIOReadBGR: copies the plug-in's reservation about the file it read (UTF-8, such as
 * "the file ends without its end marker...") into buffer, cut to size - 1 bytes and terminated,
 * and returns the full text's length in bytes; 0 when there is none (or for a null reader). A
 * null buffer or size 0 only asks for the length. */
ZANIO_API int32_t zanIOReaderWarning(zanIOReader* reader, char* buffer, int32_t size);

/* Closes the reader (null is ignored). */
ZANIO_API void zanIOCloseBGR(zanIOReader* reader);

/* Writes a picture of height rows of width blue-green-red pixels (row i at top + i * stride) to
 * path in format formatId (0: the format the extension of path names), with the resolution in
 * dots per inch (0: none stored) and the writer's options (null: the loader's defaults: JPEG
 * quality 90, BMP 24 bits, TIFF LZW, PNG default compression, Targa 24 bits uncompressed). The
 * file is written under a temporary name in the same folder and renamed over path only when
 * all of it was written: a failure never leaves a partial file or spoils an existing one.
 * Returns 0 or a negative code. */
ZANIO_API int32_t zanIOWriteBGR(const char* path, int32_t formatId, const uint8_t* top,
                                int32_t width, int32_t height, int32_t stride, int32_t xDpi,
                                int32_t yDpi, const SaveOptions* options);

#ifdef __cplusplus
}
#endif

#endif /* ZAN_FILE_IO_H */
