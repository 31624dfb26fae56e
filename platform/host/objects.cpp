// The object system: the class registry, object creation and reference counts, dispatch, and
// the process-wide values.
#include <cstring>
#include <map>

#include "object_model.h"

namespace tessaly::host {
namespace {

std::map<TypeCode, std::shared_ptr<const ClassEntry>>& registry() {
  static std::map<TypeCode, std::shared_ptr<const ClassEntry>> classes;
  return classes;
}

// The program's objects live on its one UI thread, so a flag suffices; it is set first because
// the built-ins register through Zan0RegisterClass, which calls back here.
void ensureBuiltIns() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  registerBuiltInClasses();
}

// The handler that answers for a class: its own, or the nearest ancestor's.
OperationHandler effectiveOperation(const ClassEntry* entry) {
  for (; entry; entry = entry->parent.get()) {
    if (entry->descriptor->operation) return entry->descriptor->operation;
  }
  return nullptr;
}

void runCreateHandlers(const ClassEntry* entry, ZanObject* object, bool copied) {
  if (!entry) return;
  runCreateHandlers(entry->parent.get(), object, copied);
  const ObjectHandler handler = copied ? entry->descriptor->copy : entry->descriptor->create;
  if (handler) handler(object);
}

intptr_t gValues[16];

}  // namespace

std::shared_ptr<const ClassEntry> findClass(TypeCode type) {
  ensureBuiltIns();
  const auto found = registry().find(type);
  return found == registry().end() ? nullptr : found->second;
}

ZanObject* makeObject(std::shared_ptr<const ClassEntry> entry) {
  auto* object = new ZanObject;
  object->cls = std::move(entry);
  for (const ClassEntry* c = object->cls.get(); c; c = c->parent.get()) {
    if (c->descriptor->dataSize > 0) {
      object->classData.emplace_back(c->descriptor,
                                     std::vector<std::byte>(c->descriptor->dataSize));
    }
  }
  runCreateHandlers(object->cls.get(), object, false);
  return object;
}

}  // namespace tessaly::host

using namespace tessaly::host;

ZanObject* Zan0CreateObj(TypeCode type) {
  auto entry = findClass(type);
  return entry ? makeObject(std::move(entry)) : nullptr;
}

void Zan0Retain(ZanObject* object) {
  if (object) ++object->references;
}

void Zan0Release(ZanObject* object) {
  if (object && --object->references == 0) delete object;
}

int Zan0RefCount(const ZanObject* object) {
  return object ? object->references : 0;
}

TypeCode Zan0GetType(const ZanObject* object) {
  return object ? object->cls->descriptor->type : 0;
}

ZanObject* Zan0CopyObject(ZanObject* source) {
  if (!source) return nullptr;
  auto* copy = new ZanObject;
  copy->cls = source->cls;
  copy->classData = source->classData;
  if (source->payload) copy->payload = source->payload->clone();
  runCreateHandlers(copy->cls.get(), copy, true);
  return copy;
}

ZanObject* Zan0CopyOnWrite(ZanObject* object) {
  return object;
}

intptr_t Zan0Inter(ZanObject* object, int interface, int method, intptr_t a, intptr_t b) {
  if (!object) return 0;
  const OperationHandler handler = effectiveOperation(object->cls.get());
  return handler ? handler(object, interface, method, a, b) : 0;
}

intptr_t Zan0RegisterClass(ClassDescriptor* descriptor, intptr_t value) {
  if (!descriptor || descriptor->size < sizeof(ClassDescriptor)) return 0;
  auto& classes = registry();
  ensureBuiltIns();
  if (classes.count(descriptor->type)) return 0;
  std::shared_ptr<const ClassEntry> parent;
  if (descriptor->parentType != 0) {
    const auto found = classes.find(descriptor->parentType);
    if (found == classes.end()) return 0;
    parent = found->second;
  }
  descriptor->parentOperation = effectiveOperation(parent.get());
  classes[descriptor->type] =
      std::make_shared<const ClassEntry>(ClassEntry{descriptor, value, std::move(parent)});
  return 1;
}

intptr_t Zan0UnregisterClass(TypeCode type) {
  ensureBuiltIns();
  return registry().erase(type) ? 1 : 0;
}

void* Zan0GetObjDataC(const ClassDescriptor* descriptor, ZanObject* object) {
  if (!object) return nullptr;
  for (auto& [owner, data] : object->classData) {
    if (owner == descriptor) return data.data();
  }
  return nullptr;
}

intptr_t Zan0GetGValue(int slot) {
  return slot >= 0 && slot < 16 ? gValues[slot] : 0;
}

void Zan0SetGValue(int slot, intptr_t value) {
  if (slot >= 0 && slot < 16) gValues[slot] = value;
}
