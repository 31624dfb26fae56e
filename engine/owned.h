// Ownership of what an operation makes before it is done: a guard that destroys what it holds
// when the scope is left early (a failure thrown further in), unless the operation reached its
// end and took the thing with release().
//
// Object records move with their heap blocks and hold plain handles, so they cannot own through
// C++ members; this guard owns on the stack instead, for just as long as a failure can undo the
// work.
#pragma once

#include <utility>

#include "object.h"
#include "zanHeap.h"

namespace tessaly::engine {

template <typename T, void (*Destroy)(T)>
class Owned {
 public:
  explicit Owned(T value) noexcept : value_(value) {}
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  ~Owned() {
    if (value_ == T{}) return;
    try {
      Destroy(value_);
    } catch (...) {
      // The failure that is unwinding this scope is the one to report, not a second one met
      // while cleaning up after it.
    }
  }

  explicit operator bool() const noexcept { return value_ != T{}; }
  T get() const noexcept { return value_; }
  // Success: the caller owns the thing from here on.
  T release() noexcept { return std::exchange(value_, T{}); }

 private:
  T value_;
};

inline void freeHeapBlock(zanHandle block) {
  zanHeapFree(0, block);
}

// An engine object named by its handle (any class).
using OwnedObject = Owned<zanHandle, destroyObject>;
// A record locked once by its maker; destroying it gives that lock back.
template <typename T>
using OwnedRecord = Owned<T*, destroyRecord<T>>;
// A plain block of the default heap.
using OwnedHeapBlock = Owned<zanHandle, freeHeapBlock>;

}  // namespace tessaly::engine
