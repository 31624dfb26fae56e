#include "pixel_block.h"

#include <sys/mman.h>

#include <cstddef>
#include <limits>
#include <new>

namespace tessaly::cli::stitch {

namespace {

// The record takes the block's first bytes; the rows start on the next 64-byte boundary.
constexpr size_t kHeaderBytes = 64;
static_assert(sizeof(tagPixelArray) <= kHeaderBytes);

size_t blockBytes(const tagPixelArray& image) {
  return kHeaderBytes + size_t(image.bytesPerLine) * size_t(image.height);
}

}  // namespace

int64_t rowBytesFor(int32_t width) {
  return (int64_t{width} * 24 + 31) / 32 * 4;
}

tagPixelArray* allocatePixelArray(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return nullptr;
  const int64_t stride = rowBytesFor(width);
  if (stride > std::numeric_limits<int32_t>::max()) return nullptr;
  // Anonymous pages come zero-filled and go straight back to the system when unmapped, so a
  // run that loads pieces many times does not leave a heap grown to the largest of them.
  const uint64_t pixels = uint64_t(stride) * uint64_t(height);
  if (pixels > std::numeric_limits<size_t>::max() / 2 - kHeaderBytes) return nullptr;
  void* block = ::mmap(nullptr, kHeaderBytes + size_t(pixels), PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (block == MAP_FAILED) return nullptr;
  auto* image = new (block) tagPixelArray{};
  image->width = width;
  image->height = height;
  image->bytesPerLine = static_cast<int32_t>(stride);
  image->bits = static_cast<unsigned char*>(block) + kHeaderBytes;
  return image;
}

void freePixelArray(tagPixelArray* image) {
  if (image == nullptr) return;
  ::munmap(image, blockBytes(*image));
}

}  // namespace tessaly::cli::stitch
