// Movable blocks: every block has its own malloc'ed memory, and moving a block means copying it
// into fresh memory and freeing the old, so a stale address points at freed memory.
#include "heap.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace tessaly::pltfm {
namespace {

// Freed memory of a moved block is filled with this first, so a stale read stands out even
// where nothing checks for use after free.
constexpr unsigned char kStaleByte = 0xDD;

unsigned char* allocate(uint32_t size) {
  // A block of size 0 still gets an address of its own.
  return static_cast<unsigned char*>(std::malloc(std::max<uint32_t>(size, 1)));
}

}  // namespace

Heap::~Heap() {
  blocks_.forEach([](uint32_t, Block& b) { std::free(b.data); });
}

zanHandle Heap::alloc(uint32_t size, bool zero) {
  unsigned char* data = allocate(size);
  if (data == nullptr) return 0;
  if (zero) std::memset(data, 0, size);
  zanHandle handle = 0;
  try {
    std::lock_guard guard(mutex_);
    handle = blocks_.insert(Block{data, size, size, 0});
  } catch (const std::bad_alloc&) {
    // The table could not grow; the memory must not be lost with it.
  }
  if (handle == 0) std::free(data);
  return handle;
}

void* Heap::lock(zanHandle handle) {
  std::lock_guard guard(mutex_);
  Block* b = blocks_.find(handle);
  if (b == nullptr || b->locks == UINT32_MAX) return nullptr;
  ++b->locks;
  return b->data;
}

bool Heap::unlock(zanHandle handle) {
  std::lock_guard guard(mutex_);
  Block* b = blocks_.find(handle);
  if (b == nullptr || b->locks == 0) return false;
  if (--b->locks == 0 && moving_) relocate(*b, b->size);
  return true;
}

bool Heap::free(zanHandle handle) {
  std::lock_guard guard(mutex_);
  Block* b = blocks_.find(handle);
  if (b == nullptr || b->locks != 0) return false;
  std::free(b->data);
  blocks_.erase(handle);
  return true;
}

uint32_t Heap::size(zanHandle handle) {
  std::lock_guard guard(mutex_);
  const Block* b = blocks_.find(handle);
  return b == nullptr ? 0 : b->size;
}

zanHandle Heap::realloc(zanHandle handle, uint32_t size, bool zero) {
  std::lock_guard guard(mutex_);
  Block* b = blocks_.find(handle);
  if (b == nullptr) return 0;
  if (b->locks != 0) {
    // Somebody holds the address: the block may only change size where it is.
    if (size > b->capacity) return 0;
  } else if (!relocate(*b, size)) {
    return 0;
  }
  if (zero && size > b->size) std::memset(b->data + b->size, 0, size - b->size);
  b->size = size;
  return handle;
}

int32_t Heap::lockCount(zanHandle handle) {
  std::lock_guard guard(mutex_);
  const Block* b = blocks_.find(handle);
  if (b == nullptr) return -1;
  return static_cast<int32_t>(std::min<uint32_t>(b->locks, INT32_MAX));
}

int32_t Heap::blockCount() {
  std::lock_guard guard(mutex_);
  return static_cast<int32_t>(blocks_.size());
}

int32_t Heap::compact() {
  std::lock_guard guard(mutex_);
  int32_t moved = 0;
  blocks_.forEach([&](uint32_t, Block& b) {
    if (b.locks == 0 && relocate(b, b.size)) ++moved;
  });
  return moved;
}

bool Heap::setMoving(bool on) {
  std::lock_guard guard(mutex_);
  return std::exchange(moving_, on);
}

// Gives the block fresh memory of capacity bytes, keeping the contents that fit. When memory is
// short the block stays as it was and the answer is false.
bool Heap::relocate(Block& block, uint32_t capacity) {
  unsigned char* data = allocate(capacity);
  if (data == nullptr) return false;
  std::memcpy(data, block.data, std::min(capacity, block.size));
  std::memset(block.data, kStaleByte, block.size);
  std::free(block.data);
  block.data = data;
  block.capacity = capacity;
  return true;
}

namespace {

bool movingAskedByEnvironment() {
  const char* value = std::getenv("TESSALY_HEAP_MOVE");
  return value != nullptr && std::strcmp(value, "1") == 0;
}

// The default heap lives as long as the process: blocks may still be freed from other
// libraries' static destructors, after this library's would have run.
Heap& defaultHeap() {
  static Heap* heap = new Heap(movingAskedByEnvironment());
  return *heap;
}

struct Registry {
  std::mutex mutex;
  HandleTable<std::unique_ptr<Heap>> heaps;
};
Registry& registry() {
  static Registry* r = new Registry;
  return *r;
}

}  // namespace

Heap* findHeap(zanHeap id) {
  if (id == 0) return &defaultHeap();
  Registry& r = registry();
  std::lock_guard guard(r.mutex);
  std::unique_ptr<Heap>* heap = r.heaps.find(id);
  return heap == nullptr ? nullptr : heap->get();
}

zanHeap createHeap() {
  auto heap = std::make_unique<Heap>(false);
  Registry& r = registry();
  std::lock_guard guard(r.mutex);
  return r.heaps.insert(std::move(heap));
}

bool destroyHeap(zanHeap id) {
  if (id == 0) return false;
  Registry& r = registry();
  std::unique_ptr<Heap> heap;
  {
    std::lock_guard guard(r.mutex);
    auto removed = r.heaps.erase(id);
    if (!removed) return false;
    heap = std::move(*removed);
  }
  return true;  // the heap and its blocks go here, outside the registry's lock
}

}  // namespace tessaly::pltfm
