// The inside of a host object, shared by the units that implement the built-in classes.
#pragma once

#include <QPointer>
#include <QWidget>
#include <cstddef>
#include <memory>
#include <vector>

#include "tessaly/host/object.h"
#include "tessaly/host/operations.h"

namespace tessaly::host {

struct ClassEntry {
  ClassDescriptor* descriptor = nullptr;
  intptr_t value = 0;
  std::shared_ptr<const ClassEntry> parent;
};

// What objects of one kind hold besides the common parts: a picture's image, a loader's folder.
struct ObjectPayload {
  virtual ~ObjectPayload() = default;
  virtual std::unique_ptr<ObjectPayload> clone() const = 0;
};

struct HandlerBinding {
  EventHandler handler;
  void* context;
  const HandlerEntry* table;  // the table that registered it, for removal
};

// The registry's own classes, made on first use; the entry of a registered type or null.
std::shared_ptr<const ClassEntry> findClass(TypeCode type);

// Makes an object of a class (one reference) and runs the create handlers, root class first.
ZanObject* makeObject(std::shared_ptr<const ClassEntry> entry);

// Sends an event to a control's handlers and its event callback.
void dispatchEvent(ZanObject* control, int event, intptr_t data);

// Sends a panel of a module's class its layout passes and pointer calls (kLayoutPass, kPointer).
void relayPanelEvents(ZanObject* control);

// Registers the built-in classes (called once by the registry).
void registerBuiltInClasses();
void registerPictureClasses();
void registerViewClasses();

// The common base of the built-in value classes' payloads.
template <typename Derived>
struct PayloadOf : ObjectPayload {
  std::unique_ptr<ObjectPayload> clone() const override {
    return std::make_unique<Derived>(static_cast<const Derived&>(*this));
  }
};

// The payload of an object when it is of type T.
template <typename T>
T* payloadOf(ZanObject* object);

}  // namespace tessaly::host

struct ZanObject {
  std::shared_ptr<const tessaly::host::ClassEntry> cls;
  int references = 1;
  // Per-object data of every class in the chain that asked for some.
  std::vector<std::pair<const tessaly::host::ClassDescriptor*, std::vector<std::byte>>> classData;
  std::unique_ptr<tessaly::host::ObjectPayload> payload;
  // Controls only.
  QPointer<QWidget> widget;
  std::vector<tessaly::host::HandlerBinding> handlers;
  tessaly::host::EventHandler callback = nullptr;
  void* callbackContext = nullptr;
  bool eventsBridged = false;
};

template <typename T>
T* tessaly::host::payloadOf(ZanObject* object) {
  return object ? dynamic_cast<T*>(object->payload.get()) : nullptr;
}
