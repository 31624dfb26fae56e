// OpenCV's matrices in the engine's large-buffer memory.
#pragma once

namespace tessaly::stitch {

// While at least one scope is alive, matrices OpenCV makes take their memory from
// allocateInHugePages (large_memory.h): the correlation stages make many whole-piece float images,
// and each one faulted in 4 KiB pages took more time than its arithmetic. OpenCV's default
// allocator is process-wide, so the first scope installs ours and the last one puts the
// previous one back; a matrix always returns its memory to the allocator that made it, so
// matrices outliving a scope, or made by other code in the process meanwhile, stay sound.
class MatMemoryScope {
 public:
  MatMemoryScope() noexcept;
  ~MatMemoryScope();
  MatMemoryScope(const MatMemoryScope&) = delete;
  MatMemoryScope& operator=(const MatMemoryScope&) = delete;
};

}  // namespace tessaly::stitch
