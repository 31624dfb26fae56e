// The callback panel: the attached function, when there is one, sees every operation first.
#include "callback_panel.h"

namespace tessaly::callbackctrl {
namespace {

using tessaly::host::ClassDescriptor;

// What each panel holds: the attached function and its user value.
struct PanelData {
  ZanPanelCallback function;
  int32_t user;
};

PanelData* dataOf(ZanObject* object) {
  return static_cast<PanelData*>(Zan0GetObjDataC(&panelClass(), object));
}

// New and copied panels start with nothing attached.
intptr_t startEmpty(ZanObject* object) {
  if (PanelData* data = dataOf(object)) *data = PanelData{};
  return 1;
}

intptr_t beforeChange(int flag, ZanObject* object) {
  if (flag != 0) Zan0CopyOnWrite(object);
  return 1;
}

intptr_t parent(ZanObject* object, int interface, int method, intptr_t a, intptr_t b) {
  const tessaly::host::OperationHandler handler = panelClass().parentOperation;
  return handler != nullptr ? handler(object, interface, method, a, b) : 0;
}

intptr_t operate(ZanObject* object, int interface, int method, intptr_t a, intptr_t b) {
  PanelData* data = dataOf(object);
  if (interface == ZAN_CALLBACK_INTERFACE && method == 0) {
    if (data == nullptr) return parent(object, interface, method, a, b);
    // The new function sees its own attachment: it goes on to the call below.
    data->function = reinterpret_cast<ZanPanelCallback>(a);
    data->user = static_cast<int32_t>(b);
  } else if (interface == ZAN_CALLBACK_INTERFACE && method == 1) {
    if (data == nullptr) return 0;
    if (a != 0) *reinterpret_cast<ZanPanelCallback*>(a) = data->function;
    if (b != 0) *reinterpret_cast<int32_t*>(b) = data->user;
    return 1;
  }
  if (data != nullptr && data->function != nullptr)
    return data->function(object, interface, method, a, b, data->user, &parent);
  return parent(object, interface, method, a, b);
}

}  // namespace

ClassDescriptor& panelClass() {
  static ClassDescriptor record{sizeof(ClassDescriptor),
                                0,
                                tessaly::host::kPanel,
                                ZAN_CALLBACK_PANEL_TYPE,
                                sizeof(PanelData),
                                &startEmpty,
                                &startEmpty,
                                &beforeChange,
                                &operate,
                                nullptr,
                                nullptr,
                                {}};
  return record;
}

}  // namespace tessaly::callbackctrl
