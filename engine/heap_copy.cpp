// Copies of plain heap blocks.
#include "heap_copy.h"

#include <cstring>

#include "zanEngDefs.h"
#include "zanError.h"
#include "zanHeap.h"

namespace tessaly::engine {

zanHandle duplicateBlock(zanHandle block) {
  zan::HeapLock<unsigned char> source(0, block);
  if (!source) return 0;
  const uint32_t size = zanHeapSize(0, block);
  zan::HeapBlock copy(0, size);
  zan::HeapLock<unsigned char> target = copy.lock<unsigned char>();
  if (!target) _zanThrow(ZAN_ERR_CREATE);
  std::memcpy(target.get(), source.get(), size);
  target.unlock();
  return copy.release();
}

}  // namespace tessaly::engine
