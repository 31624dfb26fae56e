// The object base every engine object starts with, its table of operations, and the
// create / lock / work / unlock pattern.
//
// An object is a record in a movable block of the default heap, named by the block's handle. Its
// address holds only while it is locked, so records are plain data (trivially copyable, checked
// by static_assert in each class) that name each other by handle, and the operations of a class
// are reached through a pointer to a static table instead of C++ virtual functions. Every lock
// taken through the engine counts in the record's lock count and holds one lock of the heap block;
// the block can move again once the count is back to 0.
#pragma once

#include <cstdint>
#include <type_traits>
#include <utility>

#include "heap_array.h"
#include "zanEngDefs.h"
#include "zanError.h"
#include "zanHeap.h"

namespace tessaly::engine {

struct HandleObject;

// destroy() flag: also give back the caller's lock and free the object's handle.
constexpr uint32_t kDestroyFree = 1;

// The operations of a class, in slot order. A hook returns 0 for an identifier it leaves to the
// generic property store, the number of bytes it took or gave, or a negative code for a value it
// refuses.
struct ObjectOps {
  // Runs the class's destructor: the class destroys what it owns, then the base part goes.
  void (*destroy)(HandleObject* self, uint32_t flags);
  // Undoes one lock (modified = the content changed) and returns the object's handle.
  zanHandle (*unlock)(HandleObject* self, int32_t modified);
  int32_t (*setProperty)(HandleObject* self, int32_t id, const void* data, uint32_t size,
                         uint32_t flags);
  int32_t (*getProperty)(HandleObject* self, int32_t id, void* buffer, uint32_t size,
                         uint32_t flags);
  // Receives a change (code and rectangle) raised by another object.
  void (*notify)(HandleObject* self, int32_t code, const RECT& rect);
  uint32_t initialTag;
  uint32_t recordSize;  // the smallest valid size of the record
};

struct HandleObject {
  const ObjectOps* ops;
  zanHeap heap;
  zanHandle handle;  // the object's own handle
  int32_t lockCount;
  uint32_t tag;
  HeapArray<zanHandle> properties;  // PropertyItem handles, in the order of first setting
};
static_assert(std::is_trivially_copyable_v<HandleObject> &&
              std::is_standard_layout_v<HandleObject>);

// The base operations: plain unlock, no property hooks, no reaction to changes.
zanHandle baseUnlock(HandleObject* self, int32_t modified);
int32_t noSetHook(HandleObject*, int32_t, const void*, uint32_t, uint32_t);
int32_t noGetHook(HandleObject*, int32_t, void*, uint32_t, uint32_t);
void ignoreChange(HandleObject*, int32_t, const RECT&);
// The end of every destructor: destroys the property store and, with kDestroyFree, gives back
// the caller's lock and frees the handle.
void finishDestroy(HandleObject* self, uint32_t flags);

// True when ops is the table of one of the engine's classes.
bool isEngineOps(const ObjectOps* ops);
// Adds a class whose table is not in the built-in list (object_registry.cpp).
void registerObjectClass(const ObjectOps* ops);

// Locks the object a handle names and counts the lock; null for 0 and for any handle that is not
// a live engine object.
HandleObject* lockObject(zanHandle handle) noexcept;
// Undoes one lock through the class's unlock operation.
inline zanHandle unlockObject(HandleObject* object, bool modified) noexcept {
  return object->ops->unlock(object, modified ? 1 : 0);
}

// Records start with their HandleObject member named base.
template <typename T>
HandleObject* baseOf(T* record) {
  if constexpr (std::is_same_v<T, HandleObject>) {
    return record;
  } else {
    static_assert(std::is_trivially_copyable_v<T> && std::is_standard_layout_v<T>,
                  "object records move with their heap block");
    return &record->base;
  }
}

// Locks the object when it is of class T (any class for HandleObject); null otherwise.
template <typename T>
T* lockAs(zanHandle handle) noexcept {
  HandleObject* object = lockObject(handle);
  if constexpr (!std::is_same_v<T, HandleObject>) {
    if (object != nullptr && object->ops != &T::ops) {
      unlockObject(object, false);
      object = nullptr;
    }
  }
  return reinterpret_cast<T*>(object);
}

// Holds one counted lock of an object for its own lifetime. An empty guard (zero handle, or not
// an object of class T) converts to false.
template <typename T>
class Locked {
 public:
  Locked() = default;
  explicit Locked(zanHandle handle, bool modified = false)
      : record_(lockAs<T>(handle)), modified_(modified) {}
  // Takes over a counted lock the caller already holds.
  static Locked adopt(T* record, bool modified = false) {
    Locked locked;
    locked.record_ = record;
    locked.modified_ = modified;
    return locked;
  }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;
  Locked(Locked&& other) noexcept
      : record_(std::exchange(other.record_, nullptr)), modified_(other.modified_) {}
  Locked& operator=(Locked&& other) noexcept {
    if (this != &other) {
      reset();
      record_ = std::exchange(other.record_, nullptr);
      modified_ = other.modified_;
    }
    return *this;
  }
  ~Locked() { reset(); }

  explicit operator bool() const { return record_ != nullptr; }
  T* get() const { return record_; }
  T* operator->() const { return record_; }
  T& operator*() const { return *record_; }
  HandleObject* base() const { return baseOf(record_); }
  zanHandle handle() const { return base()->handle; }

  void markModified() { modified_ = true; }
  void reset() {
    if (record_ != nullptr) unlockObject(baseOf(std::exchange(record_, nullptr)), modified_);
  }
  // Hands the lock to the caller (to destroy the object, for instance).
  T* release() { return std::exchange(record_, nullptr); }

 private:
  T* record_ = nullptr;
  bool modified_ = false;
};

// Locks an object of class T or throws code.
template <typename T>
Locked<T> lockOrThrow(zanHandle handle, int32_t code = ZAN_ERR_LOCK) {
  Locked<T> locked(handle);
  if (!locked) _zanThrow(code);
  return locked;
}

// Allocates a zeroed record of size bytes (at least sizeof(T)), fills in the base, runs init on
// it while it is locked and returns the unlocked object's handle. When init throws, the class's
// destructor undoes whatever init made and the code travels on.
zanHandle allocateObject(const ObjectOps& ops, uint32_t size, void (*init)(HandleObject*, void*),
                         void* context);

template <typename T, typename Init>
zanHandle createObject(Init&& init, uint32_t size = sizeof(T)) {
  auto thunk = [](HandleObject* object, void* context) {
    (*static_cast<std::remove_reference_t<Init>*>(context))(*reinterpret_cast<T*>(object));
  };
  return allocateObject(T::ops, size, thunk, &init);
}

// Destroys the object a handle names, whatever its class; a zero or dead handle does nothing.
void destroyObject(zanHandle handle);

// Destroys an object through a lock the caller holds; that lock goes with it.
template <typename T>
void destroyRecord(T* record) {
  baseOf(record)->ops->destroy(baseOf(record), kDestroyFree);
}

// Destroys a locked object; the guard's lock goes with it.
template <typename T>
void destroyLocked(Locked<T>& locked) {
  if (T* record = locked.release()) destroyRecord(record);
}

// Hands a change to the object a handle names (its notify operation). Failures inside are
// swallowed: a lost change report must never leave a lock behind.
void sendChange(zanHandle target, int32_t code, const RECT& rect) noexcept;

}  // namespace tessaly::engine
