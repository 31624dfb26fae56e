#include "staged_paths.h"

#include <unistd.h>

#include <atomic>
#include <cstring>

namespace tessaly::fileio {
namespace {

constexpr int kSlots = 16;
constexpr size_t kPathBytes = 4096;

enum SlotState : int { kFree = 0, kFilling = 1, kHeld = 2 };

// Preallocated: a handler must neither allocate nor follow pointers that may be changing.
char paths[kSlots][kPathBytes];
std::atomic<int> states[kSlots];

static_assert(std::atomic<int>::is_always_lock_free, "signal handlers need lock-free atomics");

}  // namespace

int rememberStagedPath(const char* path) {
  const size_t length = std::strlen(path);
  if (length >= kPathBytes) return -1;
  for (int slot = 0; slot < kSlots; ++slot) {
    int expected = kFree;
    if (!states[slot].compare_exchange_strong(expected, kFilling)) continue;
    std::memcpy(paths[slot], path, length + 1);
    states[slot].store(kHeld);
    return slot;
  }
  return -1;
}

void forgetStagedPath(int slot) {
  if (slot >= 0 && slot < kSlots) states[slot].store(kFree);
}

void removeStagedPaths() {
  for (int slot = 0; slot < kSlots; ++slot) {
    if (states[slot].load() == kHeld) ::unlink(paths[slot]);
  }
}

}  // namespace tessaly::fileio
