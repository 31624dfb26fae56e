// A table that hands out 32-bit handles for the objects it holds.
//
// A handle is (generation << 24) | (slot + 1): never 0, and a handle of a freed slot stops
// working at once because the slot's generation moves on. Freed slots are reused oldest first
// and only once kReuseAfter of them wait, so a slot comes back after at least that many other
// frees, and its generation repeats only after 256 such rounds: a stale handle does not silently
// name a new object until more than 250,000 frees later.
//
// The table does no locking of its own; its owner guards it.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <utility>
#include <vector>

namespace tessaly::pltfm {

template <typename T>
class HandleTable {
 public:
  static constexpr uint32_t kMaxSlots = (1u << 24) - 1;
  static constexpr std::size_t kReuseAfter = 1024;

  // Stores value and returns its handle; 0 when the table is full. May throw std::bad_alloc.
  uint32_t insert(T value) {
    uint32_t slot;
    if (free_.size() > kReuseAfter || (!free_.empty() && slots_.size() >= kMaxSlots)) {
      slot = free_.front();
      free_.pop_front();
    } else {
      if (slots_.size() >= kMaxSlots) return 0;
      slots_.emplace_back();
      slot = static_cast<uint32_t>(slots_.size() - 1);
    }
    Slot& s = slots_[slot];
    s.value = std::move(value);
    ++live_;
    return (uint32_t{s.generation} << 24) | (slot + 1);
  }

  // The object a handle names, or null when the handle is 0, out of range or stale.
  T* find(uint32_t handle) {
    const uint32_t slot = (handle & kMaxSlots) - 1;
    if ((handle & kMaxSlots) == 0 || slot >= slots_.size()) return nullptr;
    Slot& s = slots_[slot];
    if (!s.value || s.generation != (handle >> 24)) return nullptr;
    return &*s.value;
  }

  // Removes the object and returns it; nothing for a handle find() would not accept.
  std::optional<T> erase(uint32_t handle) {
    if (find(handle) == nullptr) return std::nullopt;
    const uint32_t slot = (handle & kMaxSlots) - 1;
    Slot& s = slots_[slot];
    std::optional<T> value = std::exchange(s.value, std::nullopt);
    s.generation = static_cast<uint8_t>(s.generation + 1);
    --live_;
    try {
      free_.push_back(slot);
    } catch (...) {
      // The slot stays unused; a lost slot is better than a failed free.
    }
    return value;
  }

  std::size_t size() const { return live_; }

  // Calls fn(handle, object) for every live object.
  template <typename Fn>
  void forEach(Fn&& fn) {
    for (std::size_t i = 0; i < slots_.size(); ++i) {
      Slot& s = slots_[i];
      if (s.value) fn((uint32_t{s.generation} << 24) | static_cast<uint32_t>(i + 1), *s.value);
    }
  }

 private:
  struct Slot {
    std::optional<T> value;
    uint8_t generation = 0;
  };
  std::vector<Slot> slots_;
  std::deque<uint32_t> free_;
  std::size_t live_ = 0;
};

}  // namespace tessaly::pltfm
