// One heap: a table of movable blocks behind one mutex.
#pragma once

#include <cstdint>
#include <mutex>

#include "handle_table.h"
#include "zanTypes.h"

namespace tessaly::pltfm {

class Heap {
 public:
  explicit Heap(bool moving) : moving_(moving) {}
  ~Heap();
  Heap(const Heap&) = delete;
  Heap& operator=(const Heap&) = delete;

  zanHandle alloc(uint32_t size, bool zero);
  void* lock(zanHandle handle);
  bool unlock(zanHandle handle);
  bool free(zanHandle handle);
  uint32_t size(zanHandle handle);
  zanHandle realloc(zanHandle handle, uint32_t size, bool zero);
  int32_t lockCount(zanHandle handle);
  int32_t blockCount();
  int32_t compact();
  bool setMoving(bool on);

 private:
  struct Block {
    unsigned char* data = nullptr;
    uint32_t size = 0;
    uint32_t capacity = 0;  // bytes the memory really holds; a locked block may grow up to it
    uint32_t locks = 0;
  };
  static bool relocate(Block& block, uint32_t capacity);

  std::mutex mutex_;
  HandleTable<Block> blocks_;
  bool moving_;
};

// The heap an identifier names (0: the default heap), or null.
Heap* findHeap(zanHeap id);
zanHeap createHeap();
bool destroyHeap(zanHeap id);

}  // namespace tessaly::pltfm
