// The exported heap and memory functions: argument checks, then the heap's own method.
#include <cstring>

#include "heap.h"
#include "no_throw.h"
#include "zanHeap.h"

using tessaly::pltfm::findHeap;
using tessaly::pltfm::Heap;

namespace {

// Runs fn on the heap an identifier names; fallback when there is none or memory runs out.
template <typename R, typename Fn>
R onHeap(zanHeap id, R fallback, Fn&& fn) noexcept {
  return tessaly::pltfm::noThrow(fallback, [&] {
    Heap* heap = findHeap(id);
    return heap == nullptr ? fallback : fn(*heap);
  });
}

}  // namespace

extern "C" {

ZAN_API zanHandle zanHeapAlloc(zanHeap heap, uint32_t size, uint32_t flags) {
  if ((flags & ~ZAN_HEAP_ZEROINIT) != 0) return 0;
  return onHeap(heap, zanHandle{0},
                [&](Heap& h) { return h.alloc(size, (flags & ZAN_HEAP_ZEROINIT) != 0); });
}

ZAN_API void* zanHeapLock(zanHeap heap, zanHandle handle, uint32_t flags) {
  if (handle == 0 || flags != 0) return nullptr;
  return onHeap(heap, static_cast<void*>(nullptr), [&](Heap& h) { return h.lock(handle); });
}

ZAN_API int32_t zanHeapUnlock(zanHeap heap, zanHandle handle, int32_t /*modified*/) {
  if (handle == 0) return 0;
  return onHeap(heap, 0, [&](Heap& h) { return h.unlock(handle) ? 1 : 0; });
}

ZAN_API int32_t zanHeapFree(zanHeap heap, zanHandle handle) {
  if (handle == 0) return 0;
  return onHeap(heap, 0, [&](Heap& h) { return h.free(handle) ? 1 : 0; });
}

ZAN_API uint32_t zanHeapSize(zanHeap heap, zanHandle handle) {
  if (handle == 0) return 0;
  return onHeap(heap, uint32_t{0}, [&](Heap& h) { return h.size(handle); });
}

ZAN_API zanHandle zanHeapReAlloc(zanHeap heap, zanHandle handle, uint32_t size, uint32_t flags) {
  if (handle == 0 || (flags & ~ZAN_HEAP_ZEROINIT) != 0) return 0;
  return onHeap(heap, zanHandle{0},
                [&](Heap& h) { return h.realloc(handle, size, (flags & ZAN_HEAP_ZEROINIT) != 0); });
}

ZAN_API int32_t zanHeapLockCount(zanHeap heap, zanHandle handle) {
  return onHeap(heap, -1, [&](Heap& h) { return h.lockCount(handle); });
}

ZAN_API int32_t zanHeapBlockCount(zanHeap heap) {
  return onHeap(heap, -1, [](Heap& h) { return h.blockCount(); });
}

ZAN_API int32_t zanHeapCompact(zanHeap heap) {
  return onHeap(heap, 0, [](Heap& h) { return h.compact(); });
}

ZAN_API int32_t zanHeapSetMoving(zanHeap heap, int32_t on) {
  return onHeap(heap, -1, [&](Heap& h) { return h.setMoving(on != 0) ? 1 : 0; });
}

ZAN_API zanHeap zanHeapCreate(void) {
  return tessaly::pltfm::noThrow(zanHeap{0}, [] { return tessaly::pltfm::createHeap(); });
}

ZAN_API int32_t zanHeapDestroy(zanHeap heap) {
  return tessaly::pltfm::destroyHeap(heap) ? 1 : 0;
}

ZAN_API void zanMemCopy(void* destination, const void* source, uint32_t count) {
  if (destination != nullptr && source != nullptr && count != 0)
    std::memmove(destination, source, count);
}

ZAN_API void zanMemSet(void* destination, int32_t value, uint32_t count) {
  if (destination != nullptr && count != 0) std::memset(destination, value & 0xFF, count);
}

ZAN_API void zanMemZero(void* destination, uint32_t count) {
  zanMemSet(destination, 0, count);
}

}  // extern "C"
