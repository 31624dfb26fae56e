// The generic property store every object carries: one PropertyItem object per identifier, kept
// in the order of first setting, plus the set / get / enumerate entries that ask the class's
// hooks first.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>

#include "object.h"

namespace tessaly::engine {

// One stored property: the object base, then identifier, size and flags, then the bytes.
struct PropertyItem {
  HandleObject base;
  int32_t id;
  uint32_t size;
  uint32_t flags;

  unsigned char* bytes() { return reinterpret_cast<unsigned char*>(this) + sizeof(PropertyItem); }

  static const ObjectOps ops;
};

// Set through the class hook, else into the store. Returns the hook's result or size; an item
// that cannot be made leaves the store as it was and still answers size.
int32_t setProperty(HandleObject* object, int32_t id, const void* data, uint32_t size,
                    uint32_t flags);
// Get through the class hook, else from the store: the number of bytes copied, 0 when unknown.
int32_t getProperty(HandleObject* object, int32_t id, void* buffer, uint32_t size);
// Calls callback for every item with a copy of its bytes; the last callback's result.
int32_t enumProperties(HandleObject* object, ZanPropEnumProc callback, void* user);

// The store alone. storeSet throws ZAN_ERR_CREATE when an item cannot be made (the store is then
// unchanged); storeGet answers 0 for an unknown identifier.
void storeSet(HandleObject* object, int32_t id, const void* data, uint32_t size, uint32_t flags);
int32_t storeGet(HandleObject* object, int32_t id, void* buffer, uint32_t size);
// Copies every item of source into target (replacing items with the same identifier), in the
// source's order. An item of identifier ownedBlock holds the handle of a heap block its object
// owns: the copy holds a copy of that block. Throws on the first item that cannot be made.
void copyPropertyStore(HandleObject* target, HandleObject* source,
                       std::optional<int32_t> ownedBlock = std::nullopt);
// Destroys every item and frees the array.
void destroyPropertyStore(HandleObject* object);

// Helpers for class hooks. giveValue copies min(size, sizeof value) bytes into buffer (when not
// null) and returns that count. takeValue reads a value, false when data is null or too short.
template <typename V>
int32_t giveValue(void* buffer, uint32_t size, const V& value) {
  const uint32_t n = size < sizeof(V) ? size : static_cast<uint32_t>(sizeof(V));
  if (buffer != nullptr) std::memcpy(buffer, &value, n);
  return static_cast<int32_t>(n);
}
template <typename V>
bool takeValue(const void* data, uint32_t size, V& value) {
  if (data == nullptr || size < sizeof(V)) return false;
  std::memcpy(&value, data, sizeof(V));
  return true;
}

// Reads a 32-bit value into a field (a narrower field keeps the low bits); answers the bytes
// taken, or ZAN_ERR_ARG when data is short or valid refuses the value.
template <typename V>
int32_t storeValue(V& field, const void* data, uint32_t size, bool (*valid)(int32_t) = nullptr) {
  int32_t value = 0;
  if (!takeValue(data, size, value) || (valid != nullptr && !valid(value))) return ZAN_ERR_ARG;
  field = static_cast<V>(value);
  return sizeof(int32_t);
}

}  // namespace tessaly::engine
