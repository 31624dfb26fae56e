#include "pixel_block.h"

#include <sys/mman.h>

#include <cstddef>
#include <limits>
#include <new>

namespace tessaly::stitch::client {

namespace {

// The record with what freeing needs to know. The engine sees only the record, its first member.
struct Block {
  tagPixelArray image;
  void* fileRows;  // null: the rows follow the record in the same block
};

// The block's first bytes; the rows of a one-block array start on the next 64-byte boundary.
constexpr size_t kHeaderBytes = 64;
static_assert(sizeof(Block) <= kHeaderBytes);

size_t pixelBytes(const tagPixelArray& image) {
  return size_t(image.bytesPerLine) * size_t(image.height);
}

// The row length, or 0 when the size is refused.
int64_t checkedRowBytes(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return 0;
  const int64_t stride = rowBytesFor(width);
  if (stride > std::numeric_limits<int32_t>::max()) return 0;
  const uint64_t pixels = uint64_t(stride) * uint64_t(height);
  if (pixels > std::numeric_limits<size_t>::max() / 2 - kHeaderBytes) return 0;
  return stride;
}

tagPixelArray* placeRecord(void* at, int32_t width, int32_t height, int64_t stride,
                           unsigned char* rows, void* fileRows) {
  auto* block = new (at) Block{};
  block->image.width = width;
  block->image.height = height;
  block->image.bytesPerLine = static_cast<int32_t>(stride);
  block->image.bits = rows;
  block->fileRows = fileRows;
  return &block->image;
}

}  // namespace

int64_t rowBytesFor(int32_t width) {
  return (int64_t{width} * 24 + 31) / 32 * 4;
}

tagPixelArray* allocatePixelArray(int32_t width, int32_t height) {
  const int64_t stride = checkedRowBytes(width, height);
  if (stride == 0) return nullptr;
  // Anonymous pages come zero-filled and go straight back to the system when unmapped, so a
  // run that loads pieces many times does not leave a heap grown to the largest of them.
  const size_t pixels = size_t(stride) * size_t(height);
  void* block = ::mmap(nullptr, kHeaderBytes + pixels, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (block == MAP_FAILED) return nullptr;
#ifdef MADV_HUGEPAGE
  // A decoded piece is written whole right away: in transparent huge pages that costs one fault
  // per 2 MiB instead of one per 4 KiB. Ignored where the system gives none.
  ::madvise(block, kHeaderBytes + pixels, MADV_HUGEPAGE);
#endif
  return placeRecord(block, width, height, stride,
                     static_cast<unsigned char*>(block) + kHeaderBytes, nullptr);
}

tagPixelArray* mapPixelArray(int fd, off_t offset, int32_t width, int32_t height) {
  const int64_t stride = checkedRowBytes(width, height);
  if (stride == 0 || fd < 0 || offset < 0) return nullptr;
  void* header = ::operator new(kHeaderBytes, std::nothrow);
  if (header == nullptr) return nullptr;
  // Private and writable: the engine treats loaded pieces as read-only, but a write would only
  // cost a copy of one page, never change the cached piece or crash.
  void* rows = ::mmap(nullptr, size_t(stride) * size_t(height), PROT_READ | PROT_WRITE, MAP_PRIVATE,
                      fd, offset);
  if (rows == MAP_FAILED) {
    ::operator delete(header);
    return nullptr;
  }
  return placeRecord(header, width, height, stride, static_cast<unsigned char*>(rows), rows);
}

void freePixelArray(tagPixelArray* image) {
  if (image == nullptr) return;
  auto* block = reinterpret_cast<Block*>(image);
  if (block->fileRows == nullptr) {
    ::munmap(block, kHeaderBytes + pixelBytes(*image));
    return;
  }
  ::munmap(block->fileRows, pixelBytes(*image));
  block->~Block();
  ::operator delete(block);
}

}  // namespace tessaly::stitch::client
