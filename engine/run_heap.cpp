// The run heap.
#include "run_heap.h"

#include <atomic>

#include "zanHeap.h"

namespace tessaly::engine {
namespace {

std::atomic<zanHeap> g_runHeap{0};
std::atomic<bool> g_named{false};

}  // namespace

zanHeap runHeap() {
  return g_runHeap.load(std::memory_order_relaxed);
}

int32_t initRunHeap(zanHeap heap) {
  if (zanHeapBlockCount(heap) < 0) return 0;  // no such heap
  if (g_named.exchange(true)) return 0;
  g_runHeap.store(heap);
  return 1;
}

}  // namespace tessaly::engine
