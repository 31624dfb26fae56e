// JPEG files through libjpeg-turbo: the library's error, source and destination managers bound
// to the plug-in's stream, and the instance shared by jpeg_read.cpp and jpeg_write.cpp.
//
// libjpeg reports a fatal error by calling error_exit, which must not return: ours jumps back
// with longjmp to the setjmp at the top of the operation that called into the library. Those
// operations keep no C++ objects with destructors between the two.
#pragma once

#include <csetjmp>
#include <cstdint>
#include <cstdlib>

// jpeglib.h needs FILE and size_t declared before it.
// clang-format off
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include "plugin_kit.h"

namespace tessaly::plugin::jpeg {

constexpr int32_t kChunkBytes = 64 * 1024;        // bytes moved per stream call
constexpr int32_t kMaxSide = JPEG_MAX_DIMENSION;  // what the format can hold
constexpr int32_t kMaxScans = 1000;               // a progressive file with more scans is refused
constexpr long kMaxLibraryMemory = 1L << 30;      // a decoder that needs more is refused

struct Instance;

struct ErrorManager {
  jpeg_error_mgr base;  // first: libjpeg sees only this part
  std::jmp_buf escape;
  int32_t code;  // the plug-in code of the failure, set before jumping
};

struct SourceManager {
  jpeg_source_mgr base;
  Instance* owner;
};

struct DestinationManager {
  jpeg_destination_mgr base;
  Instance* owner;
};

struct Instance {
  plugin::InstanceHead head;
  ErrorManager errors;
  plugin::HeapBuffer chunk;  // the stream buffer of the source or destination
  jpeg_progress_mgr progress;
  // Reading.
  jpeg_decompress_struct decoder;
  SourceManager source;
  bool decoderMade;
  bool decoding;
  bool cmyk;          // four-channel data converted to blue-green-red here
  bool invertedCmyk;  // as written by programs that store CMYK inverted
  bool endSupplied;   // the file ended without its end marker and the reader supplied it
  plugin::Delivery out;
  plugin::HeapBuffer cmykRow;
  // Writing.
  jpeg_compress_struct encoder;
  DestinationManager destination;
  bool encoderMade;
  bool encoding;
  int32_t width, height, colorModel, quality, rowsWritten;
};

inline Instance& of(PlugInstance* p) {
  return plugin::instanceOf<Instance>(p);
}

// Installs the error manager in the library object c (silent, jumping on errors); the code is
// cleared for the next operation.
void bindErrors(Instance& in, jpeg_common_struct& c);
// Fails the current operation with code: records it and jumps out through error_exit.
[[noreturn]] void raise(jpeg_common_struct& c, int32_t code, int messageCode);

bool looksLikeJpeg(PlugStream* s);

// Reading slots (jpeg_read.cpp).
int32_t openImage(PlugInstance* p, ImageInfo* info);
int32_t startReadImage(PlugInstance* p, LayerInfo* info);
int32_t readRows(PlugInstance* p, int32_t rows, uint8_t* const* planes, int32_t stride);

// The layouts the writer takes (GetSaveList).
inline constexpr SaveListEntry kSaveList[] = {{PLUG_COLOR_BGR, 24}, {PLUG_COLOR_GREY, 8}};

// Writing slots (jpeg_write.cpp).
int32_t createImage(PlugInstance* p, const CreateRequest* request, RowLayout* layout);
int32_t startWriteImage(PlugInstance* p);
int32_t writeRows(PlugInstance* p, int32_t rows, const uint8_t* const* planes, int32_t stride);

void closeImage(PlugInstance* p);

}  // namespace tessaly::plugin::jpeg
