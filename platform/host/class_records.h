// The class records of the built-in classes: controls derived from the panel and value objects
// (pictures, rasters, text tables, loaders) that carry a payload of their own.
#pragma once

#include <memory>

#include "object_model.h"

namespace tessaly::host {

// A control class derived from the panel; operation may be null (all goes to the panel).
inline ClassDescriptor derivedControl(TypeCode type, OperationHandler operation) {
  return {sizeof(ClassDescriptor),
          0,
          kPanel,
          type,
          0,
          nullptr,
          nullptr,
          nullptr,
          operation,
          nullptr,
          nullptr,
          {}};
}

// A class without a parent whose objects are made by create.
inline ClassDescriptor valueClass(TypeCode type, ObjectHandler create, OperationHandler operation) {
  return {sizeof(ClassDescriptor),
          0,
          0,
          type,
          0,
          create,
          nullptr,
          nullptr,
          operation,
          nullptr,
          nullptr,
          {}};
}

// A create handler giving each new object a fresh payload of the type.
template <typename Data>
intptr_t attachPayload(ZanObject* object) {
  object->payload = std::make_unique<Data>();
  return 1;
}

}  // namespace tessaly::host
