// The module's exports: registering and removing the callback panel's class. The object
// system's own answer is passed on, so a registration that failed is never reported as done.
#include "callback_panel.h"

using tessaly::callbackctrl::panelClass;

extern "C" {

int32_t Zan0Init(int32_t value) {
  try {
    return Zan0RegisterClass(&panelClass(), value) == 1 ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

int32_t ZanCallBackCtrlInit(void) {
  return Zan0Init(0);
}

int32_t Zan0Uninit(void) {
  try {
    return static_cast<int32_t>(Zan0UnregisterClass(ZAN_CALLBACK_PANEL_TYPE));
  } catch (...) {
    return 0;
  }
}

int32_t ZanCallBackCtrlUninit(void) {
  return Zan0Uninit();
}

}  // extern "C"
