// Blocks: creating, locking, unlocking, cloning and destroying.
#include "block.h"

#include <cstring>

#include "data_layer.h"
#include "pixel_format.h"
#include "rect_util.h"
#include "run_heap.h"

namespace tessaly::engine {
namespace {

void destroyBlockOp(HandleObject* self, uint32_t flags) {
  auto* block = reinterpret_cast<Block*>(self);
  if (block->memory != 0) {
    if (block->header.data != nullptr) zanHeapUnlock(block->memoryHeap, block->memory, 1);
    zanHeapFree(block->memoryHeap, block->memory);
  }
  block->memory = 0;
  block->header.data = nullptr;
  finishDestroy(self, flags);
}

// Unlocking: a modified block tells every layer sharing its data layer what changed. At the last
// unlock the memory is unlocked too, and the memory of a block that is known to be uniform and
// was not changed is freed again, since its fill value says everything about it.
zanHandle unlockBlockOp(HandleObject* self, int32_t modified) {
  auto* block = reinterpret_cast<Block*>(self);
  const zanHandle handle = self->handle;  // the record may move once its heap lock is gone
  --self->lockCount;
  // Content written through this lock is no longer known to be uniform, even if an outer lock
  // is released later without the modified flag.
  if (modified != 0 && block->header.data != nullptr && block->memory != 0)
    block->fillValue = ZAN_NO_FILL;
  if (modified != 0 && block->owner != 0) {
    const RECT r = blockRect(*block);
    announceBlockChange(block->owner, r);
  }
  if (self->lockCount > 0 || block->header.data == nullptr) {
    zanHeapUnlock(self->heap, handle, modified);
    return handle;
  }
  if (block->memory != 0) {
    zanHeapUnlock(block->memoryHeap, block->memory, modified);
    if (modified == 0 && block->fillValue != ZAN_NO_FILL) {
      zanHeapFree(block->memoryHeap, block->memory);
      block->memory = 0;
      block->memorySize = 0;
    }
  }
  block->header.data = nullptr;
  zanHeapUnlock(self->heap, handle, modified);
  return handle;
}

}  // namespace

const ObjectOps Block::ops = {destroyBlockOp, unlockBlockOp, noSetHook,    noGetHook,
                              ignoreChange,   ZAN_TAG_BLOCK, sizeof(Block)};

uint32_t blockRecordSize(int32_t type) {
  if (type < ZAN_BLOCK_PIXELS || type > ZAN_BLOCK_TYPE_MAX) return 0;
  if (type <= ZAN_BLOCK_RESAMPLE) return sizeof(Block);
  return sizeof(Block) + ZAN_BLOCK_EXTRA_WORDS * sizeof(uint32_t);
}

Block* blockOf(BlockHeader* header) {
  if (header == nullptr) return nullptr;
  auto* block =
      reinterpret_cast<Block*>(reinterpret_cast<unsigned char*>(header) - offsetof(Block, header));
  if (block->base.ops != &Block::ops || block->base.tag != ZAN_TAG_BLOCK ||
      block->base.lockCount <= 0)
    return nullptr;
  return block;
}

namespace {

// Allocates memory of size bytes in the run heap and locks it into the block.
void attachMemory(Block& block, uint32_t size, bool zero) {
  const zanHeap heap = runHeap();
  const zanHandle memory = zanHeapAlloc(heap, size, zero ? ZAN_HEAP_ZEROINIT : 0);
  if (memory == 0) _zanThrow(ZAN_ERR_CREATE);
  auto* data = static_cast<unsigned char*>(zanHeapLock(heap, memory, 0));
  if (data == nullptr) {
    zanHeapFree(heap, memory);
    _zanThrow(ZAN_ERR_CREATE);
  }
  block.memory = memory;
  block.memoryHeap = heap;
  block.memorySize = size;
  block.header.data = data;
}

}  // namespace

Block* createBlock(uint32_t dataSize, int32_t type) {
  const uint32_t size = blockRecordSize(type);
  if (size == 0) _zanThrow(ZAN_ERR_ARG);
  const zanHandle handle = createObject<Block>(
      [&](Block& block) {
        block.header.type = static_cast<uint32_t>(type);
        block.fillValue = ZAN_NO_FILL;
      },
      size);
  OwnedBlock block(lockAs<Block>(handle));
  if (!block) _zanThrow(ZAN_ERR_LOCK);
  if (dataSize != 0) attachMemory(*block.get(), dataSize, true);
  return block.release();
}

Block* lockBlock(zanHandle handle, FillMemory mode, bool* memoryFailed) {
  Block* block = lockAs<Block>(handle);
  if (block == nullptr || block->header.data != nullptr) return block;
  if (block->memory != 0) {
    block->header.data =
        static_cast<unsigned char*>(zanHeapLock(block->memoryHeap, block->memory, 0));
    if (block->header.data == nullptr && memoryFailed != nullptr) *memoryFailed = true;
  } else if (block->externalData != nullptr) {
    block->header.data = block->externalData;
  } else if (mode == FillMemory::Make && block->fillValue != ZAN_NO_FILL) {
    try {
      giveMemory(*block, block->fillValue);
    } catch (...) {
      // Callers test the data pointer: a uniform block without memory is still a valid answer.
    }
  }
  return block;
}

Block* cloneBlock(Block& source) {
  if (source.memory != 0 && source.header.data == nullptr) _zanThrow(ZAN_ERR_LOCK);
  const auto type = static_cast<int32_t>(source.header.type);
  OwnedBlock owned(createBlock(0, type));
  Block& copy = *owned.get();
  copy.fillValue = source.fillValue;
  BlockHeader header = source.header;
  header.data = nullptr;
  copy.header = header;
  if (source.header.type > ZAN_BLOCK_RESAMPLE)
    std::memcpy(copy.extraWords(), source.extraWords(), ZAN_BLOCK_EXTRA_WORDS * sizeof(uint32_t));
  if (source.header.data != nullptr) {
    attachMemory(copy, source.memorySize, false);
    std::memcpy(copy.header.data, source.header.data, source.memorySize);
  }
  return owned.release();
}

void giveMemory(Block& block, int32_t value, bool cleared) {
  const RECT r = blockRect(block);
  const int64_t width = isEmpty(r) ? 0 : rectWidth(r);
  const int64_t height = isEmpty(r) ? 0 : rectHeight(r);
  const int32_t bpp = block.header.bitsPerPixel;
  const int64_t rowBytes = width * bytesPerPixel(bpp);
  int64_t stride = block.header.stride;
  if (stride < rowBytes) stride = rowStride(bpp, width);
  const int64_t size = stride < 0 ? -1 : stride * height;
  if (size < 0 || size > UINT32_MAX) _zanThrow(ZAN_ERR_CREATE);
  // Fresh memory is zeroed wherever the fill would leave bytes as they were.
  const bool zero = (value == ZAN_NO_FILL && cleared) || bpp == 48;
  attachMemory(block, static_cast<uint32_t>(size), zero);
  block.header.stride = static_cast<int32_t>(stride);
  if (value != ZAN_NO_FILL) fillArea(block.header.data, stride, width, height, bpp, value, true);
}

void dropMemory(Block& block) {
  block.externalData = nullptr;
  if (block.memory != 0) {
    if (block.header.data != nullptr) zanHeapUnlock(block.memoryHeap, block.memory, 0);
    zanHeapFree(block.memoryHeap, block.memory);
  }
  block.memory = 0;
  block.memorySize = 0;
  block.header.data = nullptr;
}

bool pixelsFit(const Block& block) {
  const BlockHeader& h = block.header;
  if (h.data == nullptr || h.right < h.left || h.bottom < h.top) return false;
  const int64_t width = int64_t{h.right} - h.left;
  const int64_t height = int64_t{h.bottom} - h.top;
  if (width == 0 || height == 0) return true;
  const int64_t rowBytes = width * bytesPerPixel(h.bitsPerPixel);
  return h.stride >= rowBytes && (height - 1) * h.stride + rowBytes <= block.memorySize;
}

}  // namespace tessaly::engine
