// Host objects: every window control, picture, UI-file loader and text table is an object with
// a type code and a reference count, reached through one call, Zan0Inter(object, interface,
// method, a, b), that its class answers or passes on to its parent class. Classes are records
// registered at run time, so a module can add a class of its own derived from a built-in one.
#pragma once

#include <cstddef>
#include <cstdint>

#define ZAN_HOST_API __attribute__((visibility("default")))

struct ZanObject;

namespace tessaly::host {

// A type code: four characters in memory order ("cata" is 0x61746163), or a small number.
using TypeCode = uint32_t;
constexpr TypeCode typeCode(const char (&name)[5]) {
  return TypeCode(uint8_t(name[0])) | TypeCode(uint8_t(name[1])) << 8 |
         TypeCode(uint8_t(name[2])) << 16 | TypeCode(uint8_t(name[3])) << 24;
}

// The built-in classes. A panel is the plain control every other control derives from.
constexpr TypeCode kPanel = typeCode("cata");
constexpr TypeCode kButton = typeCode("butn");
constexpr TypeCode kCheckBox = typeCode("chck");
constexpr TypeCode kTextView = typeCode("view");
constexpr TypeCode kComboBox = typeCode("comb");
constexpr TypeCode kScrollBar = typeCode("scrl");
constexpr TypeCode kPicture = typeCode("picc");
constexpr TypeCode kTextTable = typeCode("stbl");
constexpr TypeCode kImageView = typeCode("imgc");
constexpr TypeCode kAlbum = typeCode("albm");
constexpr TypeCode kRaster = typeCode("iclr");
constexpr TypeCode kUiLoader = 120;
constexpr TypeCode kApplication = typeCode("zapp");
constexpr TypeCode kWindow = typeCode("zwin");

using OperationHandler = intptr_t (*)(ZanObject* object, int interface, int method, intptr_t a,
                                      intptr_t b);
using ObjectHandler = intptr_t (*)(ZanObject* object);
using ChangeHandler = intptr_t (*)(int flag, ZanObject* object);

// A class: one static record per class. The object system fills in parentOperation when the
// class is registered; the class's operation handler passes what it does not answer there.
struct ClassDescriptor {
  uint32_t size;  // sizeof(ClassDescriptor)
  uint32_t reserved0;
  TypeCode parentType;
  TypeCode type;
  uint32_t dataSize;           // bytes of per-object data, zeroed at creation
  ObjectHandler create;        // after an object of the class is made (may be null)
  ObjectHandler copy;          // after an object is copied (may be null)
  ChangeHandler beforeChange;  // before a shared object changes (may be null)
  OperationHandler operation;  // may be null: everything goes to the parent
  void* reserved1;
  OperationHandler parentOperation;  // filled in at registration
  void* reserved2[2];
};
static_assert(offsetof(ClassDescriptor, parentType) == 8);
static_assert(offsetof(ClassDescriptor, type) == 12);
static_assert(offsetof(ClassDescriptor, dataSize) == 16);

}  // namespace tessaly::host

// A new object of the type with one reference, or null for an unknown type.
ZAN_HOST_API ZanObject* Zan0CreateObj(tessaly::host::TypeCode type);
ZAN_HOST_API void Zan0Retain(ZanObject* object);
// Drops a reference; the object goes with its last one. Null is allowed.
ZAN_HOST_API void Zan0Release(ZanObject* object);
ZAN_HOST_API int Zan0RefCount(const ZanObject* object);
ZAN_HOST_API tessaly::host::TypeCode Zan0GetType(const ZanObject* object);
// A new object (one reference) of the same class with a copy of the source's contents.
ZAN_HOST_API ZanObject* Zan0CopyObject(ZanObject* object);
// Objects are never shared between owners here, so there is nothing to copy: the object itself.
ZAN_HOST_API ZanObject* Zan0CopyOnWrite(ZanObject* object);
// Runs one operation; 0 when no class in the object's chain answers it. Null objects give 0.
ZAN_HOST_API intptr_t Zan0Inter(ZanObject* object, int interface, int method, intptr_t a = 0,
                                intptr_t b = 0);

// Registers a class whose parent is already registered; `value` is kept for the class and
// not interpreted. 1 on success, 0 when the type is taken or the parent is unknown.
ZAN_HOST_API intptr_t Zan0RegisterClass(tessaly::host::ClassDescriptor* descriptor, intptr_t value);
// 1 when the class was registered and is now gone; objects made of it keep working.
ZAN_HOST_API intptr_t Zan0UnregisterClass(tessaly::host::TypeCode type);
// Loads a class module and lets it register its classes through its Zan0Init export. `module`
// is a path (it holds a '/') or a name: "ZanCallbackCtrl" is looked for as libZanCallbackCtrl.so
// beside the host library, then beside the program, then where the system finds libraries. A
// module stays loaded for the rest of the process (its class records live in it) and is loaded
// once; 1 when its classes are registered, 0 when it cannot be found, has no Zan0Init or its
// registration failed.
ZAN_HOST_API intptr_t Zan0LoadClassModule(const char* module);
// The object's per-object data of the class, or null when the class is not in its chain.
ZAN_HOST_API void* Zan0GetObjDataC(const tessaly::host::ClassDescriptor* descriptor,
                                   ZanObject* object);

// Process-wide values: slot 1 the control holding the pointer capture (0 when free), slot 2 the
// active panel. Slots 0 to 15 exist; others read 0 and ignore writes.
ZAN_HOST_API intptr_t Zan0GetGValue(int slot);
ZAN_HOST_API void Zan0SetGValue(int slot, intptr_t value);
