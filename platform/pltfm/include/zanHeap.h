/*
 * zanHeap.h: movable memory blocks named by 32-bit handles, and the memory helpers.
 *
 * A block's address is valid only while it is locked. Locks nest: every zanHeapLock needs its
 * own zanHeapUnlock, and the block stays where it is until the last one. While a block is
 * unlocked the heap may move it: zanHeapReAlloc always moves an unlocked block, zanHeapCompact
 * moves every unlocked block, and with moving switched on (zanHeapSetMoving, or the environment
 * variable TESSALY_HEAP_MOVE=1 for the default heap) every block moves each time its last lock is
 * released. Code that keeps an address across an unlock is therefore caught by the tests (and by
 * AddressSanitizer, because the old memory is freed).
 *
 * Keep only trivially copyable data in blocks: moving copies the bytes.
 *
 * Every heap is safe to use from several threads at once; a block itself is not guarded.
 *
 * This header is valid C and C++; the C++ part adds the HeapLock and HeapBlock guards.
 */
#ifndef ZAN_HEAP_H
#define ZAN_HEAP_H

#include "zanTypes.h"

ZAN_EXTERN_C_BEGIN

/* zanHeapAlloc flag: the new block (or the grown part on reallocation) is zero-filled.
 * Without it the contents are unspecified. */
#define ZAN_HEAP_ZEROINIT 0x40u

/* Returns the handle of a new block of exactly size bytes (0 is allowed) on heap, or 0 when
 * memory runs out, the heap does not exist or flags has bits other than ZAN_HEAP_ZEROINIT. */
ZAN_API zanHandle zanHeapAlloc(zanHeap heap, uint32_t size, uint32_t flags);

/* Locks the block once more and returns its address; null for handle 0, a freed or foreign
 * handle, or a lock count already at its maximum. flags must be 0. Never null for a live
 * block, even of size 0. */
ZAN_API void* zanHeapLock(zanHeap heap, zanHandle handle, uint32_t flags);

/* Undoes one lock; modified is 1 when the caller changed the contents (kept for callers, not
 * acted on). Returns 1, or 0 when the handle is not live or the block is not locked. When the
 * last lock goes and moving is on, the block moves. */
ZAN_API int32_t zanHeapUnlock(zanHeap heap, zanHandle handle, int32_t modified);

/* Frees an unlocked block and returns 1. Returns 0 and frees nothing for handle 0, a handle that
 * is not live, or a block that is still locked (someone still holds its address). */
ZAN_API int32_t zanHeapFree(zanHeap heap, zanHandle handle);

/* The block's size in bytes; 0 for handle 0 or a handle that is not live. */
ZAN_API uint32_t zanHeapSize(zanHeap heap, zanHandle handle);

/* Changes the block's size; the contents up to the smaller size are kept, and the grown part is
 * zero-filled with ZAN_HEAP_ZEROINIT. An unlocked block always moves. A locked block is resized
 * only in place, which works for a new size no larger than the size it was allocated with.
 * Returns handle, or 0 (and changes nothing) on failure. */
ZAN_API zanHandle zanHeapReAlloc(zanHeap heap, zanHandle handle, uint32_t size, uint32_t flags);

/* The number of locks the block holds; -1 for a handle that is not live. */
ZAN_API int32_t zanHeapLockCount(zanHeap heap, zanHandle handle);

/* The number of live blocks of the heap; -1 when the heap does not exist. Lets tests find
 * handles that were never freed. */
ZAN_API int32_t zanHeapBlockCount(zanHeap heap);

/* Moves every unlocked block of the heap to fresh memory; returns how many moved. */
ZAN_API int32_t zanHeapCompact(zanHeap heap);

/* Turns moving on each last unlock on (1) or off (0); returns the previous setting, or -1 when
 * the heap does not exist. */
ZAN_API int32_t zanHeapSetMoving(zanHeap heap, int32_t on);

/* A new, empty heap; its identifier, or 0 on failure. */
ZAN_API zanHeap zanHeapCreate(void);

/* Frees a heap made by zanHeapCreate with every block still in it, locked or not. Returns 1, or
 * 0 for the default heap or an unknown identifier. */
ZAN_API int32_t zanHeapDestroy(zanHeap heap);

/* Memory helpers. A null pointer or a count of 0 does nothing. zanMemCopy allows overlapping
 * ranges. */
ZAN_API void zanMemCopy(void* destination, const void* source, uint32_t count);
ZAN_API void zanMemSet(void* destination, int32_t value, uint32_t count);
ZAN_API void zanMemZero(void* destination, uint32_t count);

ZAN_EXTERN_C_END

#ifdef __cplusplus
#include <cstddef>
#include <type_traits>
#include <utility>

namespace zan {

// Holds one lock on a heap block for its own lifetime: lock, work, unlock. An empty guard (handle
// 0, or a block that would not lock) converts to false. Blocks move when unlocked, so T must be
// trivially copyable and the address must not outlive the guard.
template <typename T>
class HeapLock {
  static_assert(std::is_trivially_copyable_v<T>, "heap blocks move by copying their bytes");

 public:
  HeapLock() = default;
  HeapLock(zanHeap heap, zanHandle handle)
      : heap_(heap), handle_(handle), data_(static_cast<T*>(zanHeapLock(heap, handle, 0))) {}
  HeapLock(const HeapLock&) = delete;
  HeapLock& operator=(const HeapLock&) = delete;
  HeapLock(HeapLock&& other) noexcept { swap(other); }
  HeapLock& operator=(HeapLock&& other) noexcept {
    if (this != &other) {
      unlock();
      swap(other);
    }
    return *this;
  }
  ~HeapLock() { unlock(); }

  explicit operator bool() const { return data_ != nullptr; }
  T* get() const { return data_; }
  T* operator->() const { return data_; }
  T& operator*() const { return *data_; }
  T& operator[](std::size_t i) const { return data_[i]; }
  zanHandle handle() const { return handle_; }
  // The block's size in whole T elements.
  std::size_t count() const { return zanHeapSize(heap_, handle_) / sizeof(T); }

  // The unlock will tell the heap that the contents changed.
  void markModified() { modified_ = true; }
  // Gives the lock back early; the guard is empty afterwards.
  void unlock() {
    if (data_ != nullptr) zanHeapUnlock(heap_, handle_, modified_ ? 1 : 0);
    data_ = nullptr;
  }

 private:
  void swap(HeapLock& other) noexcept {
    std::swap(heap_, other.heap_);
    std::swap(handle_, other.handle_);
    std::swap(data_, other.data_);
    std::swap(modified_, other.modified_);
  }

  zanHeap heap_ = 0;
  zanHandle handle_ = 0;
  T* data_ = nullptr;
  bool modified_ = false;
};

// Owns a heap block: frees it when the owner goes (unlock it first). release() hands the handle
// over to someone else.
class HeapBlock {
 public:
  HeapBlock() = default;
  HeapBlock(zanHeap heap, uint32_t size, uint32_t flags = 0)
      : heap_(heap), handle_(zanHeapAlloc(heap, size, flags)) {}
  HeapBlock(const HeapBlock&) = delete;
  HeapBlock& operator=(const HeapBlock&) = delete;
  HeapBlock(HeapBlock&& other) noexcept
      : heap_(other.heap_), handle_(std::exchange(other.handle_, 0)) {}
  HeapBlock& operator=(HeapBlock&& other) noexcept {
    if (this != &other) {
      reset();
      heap_ = other.heap_;
      handle_ = std::exchange(other.handle_, 0);
    }
    return *this;
  }
  ~HeapBlock() { reset(); }

  explicit operator bool() const { return handle_ != 0; }
  zanHandle handle() const { return handle_; }
  zanHeap heap() const { return heap_; }
  zanHandle release() { return std::exchange(handle_, 0); }
  void reset() {
    if (handle_ != 0) zanHeapFree(heap_, handle_);
    handle_ = 0;
  }
  template <typename T>
  HeapLock<T> lock() const {
    return HeapLock<T>(heap_, handle_);
  }

 private:
  zanHeap heap_ = 0;
  zanHandle handle_ = 0;
};

}  // namespace zan
#endif /* __cplusplus */

#endif /* ZAN_HEAP_H */
