// Engine-owned 24-bit images: allocation, copying and the checks on images the caller hands in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "QuiltexEngine.h"

namespace tessaly::stitch {

// Frees an engine-made image (record and pixel buffer are separate allocations).
struct EngineImageDeleter {
  void operator()(tagPixelArray* image) const noexcept;
};
using ImagePtr = std::unique_ptr<tagPixelArray, EngineImageDeleter>;

// Bytes per row of a 24-bit image the engine makes: rows padded to a multiple of 4 bytes.
// Throws QX_ERR_SETUP when the row does not fit in 32 bits.
int32_t standardStride(int32_t width);

enum class Fill {
  White,        // every byte 255, as every new engine image starts
  PaddingOnly,  // the caller overwrites every pixel; only row padding is set to 255
};

// New image of width x height (both >= 0) with a standard stride. Throws QX_ERR_SETUP when the
// size overflows or memory is short.
ImagePtr makeImage(int32_t width, int32_t height, Fill fill = Fill::White);

// New image with the same size and pixels; copied row by row, so a source with wider rows than
// the standard stride is copied correctly.
ImagePtr copyImage(const tagPixelArray& source);

// True when image is a usable 24-bit array: positive size, rows at least 3 * width bytes apart,
// pixels present, and the whole buffer addressable without overflow.
bool isValidImage(const tagPixelArray* image);

inline const uint8_t* rowOf(const tagPixelArray& image, int32_t row) {
  return image.bits + static_cast<ptrdiff_t>(row) * image.bytesPerLine;
}
inline uint8_t* rowOf(tagPixelArray& image, int32_t row) {
  return image.bits + static_cast<ptrdiff_t>(row) * image.bytesPerLine;
}

}  // namespace tessaly::stitch
