// The generic property store.
#include "property_store.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "heap_copy.h"
#include "owned.h"

namespace tessaly::engine {
namespace {

void destroyItem(HandleObject* self, uint32_t flags) {
  finishDestroy(self, flags);
}

// A new item holding size bytes of data (zeros for null data).
zanHandle makeItem(int32_t id, const void* data, uint32_t size, uint32_t flags) {
  const uint64_t total = uint64_t{sizeof(PropertyItem)} + size;
  if (total > UINT32_MAX) _zanThrow(ZAN_ERR_CREATE);
  return createObject<PropertyItem>(
      [&](PropertyItem& item) {
        item.id = id;
        item.size = size;
        item.flags = flags;
        if (data != nullptr) std::memcpy(item.bytes(), data, size);
      },
      static_cast<uint32_t>(total));
}

// The position of the item with the identifier in the store, or -1.
int64_t findItem(HandleObject* object, int32_t id) {
  const std::vector<zanHandle> items = object->properties.snapshot();
  for (size_t i = 0; i < items.size(); ++i) {
    Locked<PropertyItem> item(items[i]);
    if (item && item->id == id) return static_cast<int64_t>(i);
  }
  return -1;
}

}  // namespace

const ObjectOps PropertyItem::ops = {destroyItem,  baseUnlock, noSetHook,           noGetHook,
                                     ignoreChange, 0,          sizeof(PropertyItem)};

void storeSet(HandleObject* object, int32_t id, const void* data, uint32_t size, uint32_t flags) {
  const int64_t at = findItem(object, id);
  if (at >= 0) {
    const auto pos = static_cast<uint32_t>(at);
    const zanHandle old = object->properties.get(pos);
    Locked<PropertyItem> item(old, true);
    if (item && item->size == size) {
      item->flags = flags;
      if (data != nullptr) std::memmove(item->bytes(), data, size);
      return;
    }
    item.reset();
    // Make the replacement first, so that a failure leaves the old item in place.
    OwnedObject replacement(makeItem(id, data, size, flags));
    object->properties.put(pos, replacement.get());
    replacement.release();
    destroyObject(old);
    return;
  }
  OwnedObject fresh(makeItem(id, data, size, flags));
  object->properties.append(fresh.get());
  fresh.release();
}

int32_t storeGet(HandleObject* object, int32_t id, void* buffer, uint32_t size) {
  const int64_t at = findItem(object, id);
  if (at < 0) return 0;
  Locked<PropertyItem> item(object->properties.get(static_cast<uint32_t>(at)));
  if (!item) return 0;
  const uint32_t n = std::min(size, item->size);
  if (buffer != nullptr) std::memcpy(buffer, item->bytes(), n);
  return static_cast<int32_t>(n);
}

int32_t setProperty(HandleObject* object, int32_t id, const void* data, uint32_t size,
                    uint32_t flags) {
  const int32_t hooked = object->ops->setProperty(object, id, data, size, flags);
  if (hooked != 0) return hooked;
  try {
    storeSet(object, id, data, size, flags);
  } catch (const zan::Error&) {
    // The store is unchanged; the caller still hears the size it gave.
  } catch (const std::bad_alloc&) {
  }
  return static_cast<int32_t>(size);
}

int32_t getProperty(HandleObject* object, int32_t id, void* buffer, uint32_t size) {
  const int32_t hooked = object->ops->getProperty(object, id, buffer, size, 0);
  if (hooked != 0) return hooked;
  return storeGet(object, id, buffer, size);
}

int32_t enumProperties(HandleObject* object, ZanPropEnumProc callback, void* user) {
  if (callback == nullptr) return 0;
  int32_t result = 0;
  // The callback gets a copy of each item's bytes: it may change the store while it runs.
  std::vector<unsigned char> bytes;
  for (const zanHandle handle : object->properties.snapshot()) {
    int32_t id = 0;
    uint32_t flags = 0;
    {
      Locked<PropertyItem> item(handle);
      if (!item) continue;
      id = item->id;
      flags = item->flags;
      bytes.assign(item->bytes(), item->bytes() + item->size);
    }
    result = callback(bytes.data(), object->handle, id, bytes.data(),
                      static_cast<uint32_t>(bytes.size()), flags, user);
  }
  return result;
}

void copyPropertyStore(HandleObject* target, HandleObject* source,
                       std::optional<int32_t> ownedBlock) {
  for (const zanHandle handle : source->properties.snapshot()) {
    Locked<PropertyItem> item(handle);
    if (!item) continue;
    if (item->id != ownedBlock || item->size != sizeof(zanHandle)) {
      storeSet(target, item->id, item->bytes(), item->size, item->flags);
      continue;
    }
    zanHandle block = 0;
    std::memcpy(&block, item->bytes(), sizeof block);
    OwnedHeapBlock copy(duplicateBlock(block));
    const zanHandle copyHandle = copy.get();
    storeSet(target, item->id, &copyHandle, sizeof copyHandle, item->flags);
    copy.release();
  }
}

void destroyPropertyStore(HandleObject* object) {
  for (const zanHandle handle : object->properties.snapshot()) destroyObject(handle);
  object->properties.release();
}

}  // namespace tessaly::engine
