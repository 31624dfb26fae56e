// PNG files through libpng: the instance shared by png_read.cpp and png_write.cpp.
//
// libpng reports a fatal error through our error function, which jumps back with png_longjmp to
// the setjmp at the top of the operation that called into the library. Those operations keep no
// C++ objects with destructors between the two.
#pragma once

#include <png.h>

#include <cstdint>

#include "plugin_kit.h"

namespace tessaly::plugin::png {

struct Instance {
  plugin::InstanceHead head;
  png_structp png;
  png_infop info;
  bool writer;   // png and info were made for writing
  int32_t code;  // the plug-in code of a failure inside libpng, set before jumping
  // Reading.
  plugin::Delivery out;
  bool interlaced;           // decoded whole into image before rows are handed out
  plugin::HeapBuffer image;  // the whole decoded image (interlaced files only)
  int32_t rowsRead;
  bool reading;
  // Writing.
  int32_t width, height, colorModel, bits, level, rowsWritten;
  int32_t paletteCount;
  PlugPaletteEntry palette[256];
  bool writing;
};

inline Instance& of(PlugInstance* p) {
  return plugin::instanceOf<Instance>(p);
}

// libpng's error and warning functions: errors jump out with code (PLUG_ERR_BAD_DATA unless a
// more exact code was set), warnings are dropped.
void onError(png_structp png, png_const_charp message);
void onWarning(png_structp png, png_const_charp message);
// Fails the current operation with code through libpng's error path.
[[noreturn]] void raise(png_structp png, int32_t code);

bool looksLikePng(PlugStream* s);

// Reading slots (png_read.cpp).
int32_t openImage(PlugInstance* p, ImageInfo* info);
int32_t startReadImage(PlugInstance* p, LayerInfo* info);
int32_t readRows(PlugInstance* p, int32_t rows, uint8_t* const* planes, int32_t stride);

// The layouts the writer takes (GetSaveList).
inline constexpr SaveListEntry kSaveList[] = {{PLUG_COLOR_BGR, 24},
                                              {PLUG_COLOR_BGR, 48},
                                              {PLUG_COLOR_GREY, 8},
                                              {PLUG_COLOR_GREY, 16},
                                              {PLUG_COLOR_INDEXED, 8}};

// Writing slots (png_write.cpp).
int32_t createImage(PlugInstance* p, const CreateRequest* request, RowLayout* layout);
int32_t startWriteImage(PlugInstance* p);
int32_t writeRows(PlugInstance* p, int32_t rows, const uint8_t* const* planes, int32_t stride);

void closeImage(PlugInstance* p);

}  // namespace tessaly::plugin::png
