// A class module for the tests: it registers "tmdl", a panel that counts its layout passes and
// keeps the last pointer call, and reports them through interface 501.
#include "tessaly/host/operations.h"

namespace {

using namespace tessaly::host;

struct Seen {
  int32_t layoutPasses;
  int32_t pointerKind;
  int32_t x, y;
};

intptr_t operate(ZanObject* object, int interface, int method, intptr_t a, intptr_t b);

// The class as registered: a panel that notes what reaches it.
ClassDescriptor describedClass() {
  return {sizeof(ClassDescriptor),
          0,
          kPanel,
          typeCode("tmdl"),
          sizeof(Seen),
          nullptr,
          nullptr,
          nullptr,
          operate,
          nullptr,
          nullptr,
          {}};
}

// One record for the module's life: registering again must not disturb the one registered.
ClassDescriptor moduleClass = describedClass();

intptr_t operate(ZanObject* object, int interface, int method, intptr_t a, intptr_t b) {
  auto* seen = static_cast<Seen*>(Zan0GetObjDataC(&moduleClass, object));
  if (seen && interface == op::kLayoutPass.interface && method == op::kLayoutPass.method) {
    ++seen->layoutPasses;
    return 1;
  }
  if (seen && interface == op::kPointer.interface && method == op::kPointer.method) {
    const auto* point = reinterpret_cast<const Point*>(b);
    *seen = {seen->layoutPasses, int32_t(a), point->x, point->y};
    return a == kPointerPress;  // takes presses only
  }
  if (seen && interface == 501) {
    const int32_t values[] = {seen->layoutPasses, seen->pointerKind, seen->x, seen->y};
    return method >= 0 && method < 4 ? values[method] : 0;
  }
  return moduleClass.parentOperation(object, interface, method, a, b);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int32_t Zan0Init(int32_t value) {
  moduleClass = describedClass();
  return Zan0RegisterClass(&moduleClass, value) == 1 ? 1 : 0;
}
