// Memory for the engine's large working buffers: pixel arrays and the correlation stages'
// matrices.
#pragma once

#include <cstddef>

namespace tessaly::stitch {

constexpr size_t kHugePageBytes = size_t{2} << 20;
// Working buffers of at least this size take whole huge pages (allocateInHugePages).
constexpr size_t kWholeHugePagesFrom = size_t{1} << 20;

// A block of `bytes` to be freed with std::free, or nullptr when memory is short. From 2 MiB up
// it starts on a huge-page boundary and the huge pages it covers whole are offered as such.
void* allocateLarge(size_t bytes);

// The same for working buffers that are made and dropped over and over: from 1 MiB up the block
// is rounded up to whole huge pages, all offered as such.
void* allocateInHugePages(size_t bytes);

}  // namespace tessaly::stitch
