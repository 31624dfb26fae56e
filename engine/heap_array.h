// A growable array kept in a block of the default heap, for use inside object records.
//
// Object records live in movable heap blocks, so they may hold only trivially copyable data: the
// array itself is the handle of its block and the number of elements in use. The capacity is the
// block's size. Every access locks the block for just that access; code that walks an array while
// it may change takes a snapshot first. Growing fails with ZAN_ERR_CREATE (thrown) and then
// changes nothing.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

#include "zanEngDefs.h"
#include "zanError.h"
#include "zanHeap.h"

namespace tessaly::engine {

template <typename T>
struct HeapArray {
  static_assert(std::is_trivially_copyable_v<T>, "array elements move with their block");

  zanHandle block;
  uint32_t count;

  uint32_t capacity() const {
    return block == 0 ? 0 : static_cast<uint32_t>(zanHeapSize(0, block) / sizeof(T));
  }

  T get(uint32_t i) const {
    zan::HeapLock<T> items(0, block);
    if (!items || i >= count) _zanThrow(ZAN_ERR_ARG);
    return items[i];
  }

  void put(uint32_t i, const T& value) {
    zan::HeapLock<T> items(0, block);
    if (!items || i >= count) _zanThrow(ZAN_ERR_ARG);
    items[i] = value;
  }

  // The position of the first element equal to value, or -1.
  int64_t find(const T& value) const {
    if (count == 0) return -1;
    zan::HeapLock<T> items(0, block);
    if (!items) return -1;
    for (uint32_t i = 0; i < count; ++i)
      if (std::memcmp(&items[i], &value, sizeof(T)) == 0) return i;
    return -1;
  }

  void append(const T& value) { insert(count, value); }

  // Inserts before position pos (pos == count appends).
  void insert(uint32_t pos, const T& value) {
    if (pos > count) _zanThrow(ZAN_ERR_ARG);
    reserve(count + 1);
    zan::HeapLock<T> items(0, block);
    if (!items) _zanThrow(ZAN_ERR_LOCK);
    std::memmove(&items[pos + 1], &items[pos], (count - pos) * sizeof(T));
    items[pos] = value;
    ++count;
  }

  void erase(uint32_t pos) {
    if (pos >= count) return;
    zan::HeapLock<T> items(0, block);
    if (!items) _zanThrow(ZAN_ERR_LOCK);
    std::memmove(&items[pos], &items[pos + 1], (count - pos - 1) * sizeof(T));
    --count;
  }

  // Makes the array n elements long with every element zero.
  void resetTo(uint32_t n) {
    reserve(n);
    count = n;
    if (n == 0) return;
    zan::HeapLock<T> items(0, block);
    if (!items) _zanThrow(ZAN_ERR_LOCK);
    std::memset(static_cast<void*>(items.get()), 0, size_t{n} * sizeof(T));
  }

  std::vector<T> snapshot() const {
    if (count == 0) return {};
    zan::HeapLock<T> items(0, block);
    if (!items) return {};
    std::vector<T> copy(count);
    std::memcpy(static_cast<void*>(copy.data()), items.get(), size_t{count} * sizeof(T));
    return copy;
  }

  // Frees the block; the array is empty afterwards.
  void release() {
    if (block != 0) zanHeapFree(0, block);
    block = 0;
    count = 0;
  }

  void reserve(uint32_t n) {
    const uint32_t have = capacity();
    if (n <= have) return;
    constexpr uint64_t kMaxElements = UINT32_MAX / sizeof(T);
    if (n > kMaxElements) _zanThrow(ZAN_ERR_CREATE);
    // Grow geometrically so that appending stays cheap.
    const uint64_t want = std::min<uint64_t>(kMaxElements, std::max<uint64_t>({n, 2ull * have, 4}));
    const auto bytes = static_cast<uint32_t>(want * sizeof(T));
    if (block == 0) {
      block = zanHeapAlloc(0, bytes, ZAN_HEAP_ZEROINIT);
      if (block == 0) _zanThrow(ZAN_ERR_CREATE);
    } else if (zanHeapReAlloc(0, block, bytes, ZAN_HEAP_ZEROINIT) == 0) {
      _zanThrow(ZAN_ERR_CREATE);
    }
  }
};

}  // namespace tessaly::engine
