// The object base: creating, locking, unlocking and destroying handle-addressed records.
#include "object.h"

#include "owned.h"
#include "property_store.h"

namespace tessaly::engine {

zanHandle baseUnlock(HandleObject* self, int32_t modified) {
  const zanHandle handle = self->handle;
  --self->lockCount;
  zanHeapUnlock(self->heap, handle, modified);
  return handle;
}

int32_t noSetHook(HandleObject*, int32_t, const void*, uint32_t, uint32_t) {
  return 0;
}
int32_t noGetHook(HandleObject*, int32_t, void*, uint32_t, uint32_t) {
  return 0;
}
void ignoreChange(HandleObject*, int32_t, const RECT&) {}

void finishDestroy(HandleObject* self, uint32_t flags) {
  destroyPropertyStore(self);
  if ((flags & kDestroyFree) == 0) return;
  const zanHeap heap = self->heap;
  const zanHandle handle = self->handle;
  --self->lockCount;
  zanHeapUnlock(heap, handle, 1);
  zanHeapFree(heap, handle);
}

HandleObject* lockObject(zanHandle handle) noexcept {
  if (handle == 0) return nullptr;
  auto* object = static_cast<HandleObject*>(zanHeapLock(0, handle, 0));
  if (object == nullptr) return nullptr;
  // The handle may name any block of the default heap: check that it really holds an engine
  // object before anything is read through its table.
  const uint32_t size = zanHeapSize(0, handle);
  if (size < sizeof(HandleObject) || !isEngineOps(object->ops) || object->handle != handle ||
      size < object->ops->recordSize) {
    zanHeapUnlock(0, handle, 0);
    return nullptr;
  }
  ++object->lockCount;
  return object;
}

zanHandle allocateObject(const ObjectOps& ops, uint32_t size, void (*init)(HandleObject*, void*),
                         void* context) {
  if (size < ops.recordSize) size = ops.recordSize;
  const zanHandle handle = zanHeapAlloc(0, size, ZAN_HEAP_ZEROINIT);
  if (handle == 0) _zanThrow(ZAN_ERR_CREATE);
  auto* object = static_cast<HandleObject*>(zanHeapLock(0, handle, 0));
  if (object == nullptr) {
    zanHeapFree(0, handle);
    _zanThrow(ZAN_ERR_CREATE);
  }
  object->ops = &ops;
  object->heap = 0;
  object->handle = handle;
  object->lockCount = 1;
  object->tag = ops.initialTag;
  // The record was zeroed, so when init fails the destructor frees exactly what init got to make.
  OwnedRecord<HandleObject> made(object);
  init(object, context);
  return unlockObject(made.release(), true);
}

void destroyObject(zanHandle handle) {
  HandleObject* object = lockObject(handle);
  if (object != nullptr) object->ops->destroy(object, kDestroyFree);
}

void sendChange(zanHandle target, int32_t code, const RECT& rect) noexcept {
  HandleObject* object = lockObject(target);
  if (object == nullptr) return;
  try {
    object->ops->notify(object, code, rect);
  } catch (...) {
    // Nothing to undo: a change report that could not travel further is dropped.
  }
  unlockObject(object, true);
}

}  // namespace tessaly::engine
