// The property exports every object kind shares: lock the object, let its hooks or its generic
// store answer, and report what the caller is told.
#pragma once

#include <cstdint>

#include "export_guard.h"
#include "object.h"
#include "property_store.h"

namespace tessaly::engine {

// A get: the byte count (0 for a zero or foreign handle), also stored in *outCount when given.
// changes says whether this read may change the object (reads that make or clamp a value).
template <typename T>
int32_t exportGetProperty(zanHandle handle, int32_t id, void* buffer, uint32_t size,
                          int32_t* outCount, bool changes) {
  const int32_t result = guardStatus([&] {
    Locked<T> locked(handle, changes);
    return locked ? getProperty(locked.base(), id, buffer, size) : 0;
  });
  if (outCount != nullptr) *outCount = result;
  return result;
}

// An enumeration: the last callback's result, 0 for a zero or foreign handle.
template <typename T>
int32_t exportEnumProperties(zanHandle handle, ZanPropEnumProc callback, void* user) {
  return guardStatus([&] {
    Locked<T> locked(handle);
    return locked ? enumProperties(locked.base(), callback, user) : 0;
  });
}

}  // namespace tessaly::engine
