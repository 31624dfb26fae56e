#include "pixel_array.h"

#include <cstdlib>
#include <cstring>
#include <limits>

#include "errors.h"
#include "large_memory.h"

namespace tessaly::stitch {

void EngineImageDeleter::operator()(tagPixelArray* image) const noexcept {
  if (image == nullptr) return;
  std::free(image->bits);
  std::free(image);
}

int32_t standardStride(int32_t width) {
  const int64_t stride = ((static_cast<int64_t>(width) * 24 + 31) / 32) * 4;
  if (width < 0 || stride > std::numeric_limits<int32_t>::max()) fail(QX_ERR_SETUP);
  return static_cast<int32_t>(stride);
}

ImagePtr makeImage(int32_t width, int32_t height, Fill fill) {
  if (height < 0) fail(QX_ERR_SETUP);
  const int32_t stride = standardStride(width);
  const uint64_t bytes = static_cast<uint64_t>(stride) * static_cast<uint64_t>(height);
  if (bytes > static_cast<uint64_t>(std::numeric_limits<ptrdiff_t>::max())) fail(QX_ERR_SETUP);

  auto* record = static_cast<tagPixelArray*>(std::calloc(1, sizeof(tagPixelArray)));
  if (record == nullptr) fail(QX_ERR_SETUP);
  ImagePtr image(record);
  // One extra byte keeps an allocation of zero bytes distinct from a failure.
  image->bits = static_cast<unsigned char*>(allocateLarge(static_cast<size_t>(bytes) + 1));
  if (image->bits == nullptr) fail(QX_ERR_SETUP);
  image->width = width;
  image->height = height;
  image->bytesPerLine = stride;

  if (fill == Fill::White) {
    std::memset(image->bits, 255, static_cast<size_t>(bytes));
  } else {
    const size_t used = static_cast<size_t>(width) * 3;
    for (int32_t r = 0; r < height; ++r) std::memset(rowOf(*image, r) + used, 255, stride - used);
  }
  return image;
}

ImagePtr copyImage(const tagPixelArray& source) {
  ImagePtr copy = makeImage(source.width, source.height, Fill::PaddingOnly);
  const size_t rowBytes = static_cast<size_t>(source.width) * 3;
  for (int32_t r = 0; r < source.height; ++r)
    std::memcpy(rowOf(*copy, r), rowOf(source, r), rowBytes);
  return copy;
}

bool isValidImage(const tagPixelArray* image) {
  if (image == nullptr || image->bits == nullptr) return false;
  if (image->width <= 0 || image->height <= 0) return false;
  if (static_cast<int64_t>(image->bytesPerLine) < static_cast<int64_t>(image->width) * 3)
    return false;
  const uint64_t bytes =
      static_cast<uint64_t>(image->bytesPerLine) * static_cast<uint64_t>(image->height);
  return bytes <= static_cast<uint64_t>(std::numeric_limits<ptrdiff_t>::max());
}

}  // namespace tessaly::stitch
