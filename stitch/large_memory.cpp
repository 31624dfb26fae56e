#include "large_memory.h"

#include <sys/mman.h>

#include <cstdlib>

namespace tessaly::stitch {

namespace {

// `bytes` on a huge-page boundary, its first `advised` bytes offered transparent huge pages.
void* alignedToHugePages(size_t bytes, size_t advised) {
  void* memory = nullptr;
  if (posix_memalign(&memory, kHugePageBytes, bytes) != 0) return nullptr;
#ifdef MADV_HUGEPAGE
  if (advised > 0) madvise(memory, advised, MADV_HUGEPAGE);
#endif
  return memory;
}

}  // namespace

// An A4 page at 300 dpi is 26 MB and a result several times that. Touching such blocks page by
// page in 4 KiB pages, and walking them through a TLB of 4 KiB entries, costs a large share of a
// stitch. Where the system gives no huge pages the advice is ignored and nothing else changes.
void* allocateLarge(size_t bytes) {
  if (bytes < kHugePageBytes) return std::malloc(bytes);
  return alignedToHugePages(bytes, bytes - bytes % kHugePageBytes);
}

// The correlation stages make float images of whole pieces and windows of a megabyte or more,
// over and over: one fault and one clearing of a 2 MiB page cost less than the 256 or more
// faults of 4 KiB pages, and the rounding is given back when the block is.
void* allocateInHugePages(size_t bytes) {
  if (bytes < kWholeHugePagesFrom) return std::malloc(bytes);
  const size_t whole = (bytes + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes;
  if (whole < bytes) return nullptr;  // wrapped around
  return alignedToHugePages(whole, whole);
}

}  // namespace tessaly::stitch
