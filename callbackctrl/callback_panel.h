// The callback panel's class record and handlers.
#pragma once

#include "ZanCallbackCtrl.h"
#include "tessaly/host/object.h"

namespace tessaly::callbackctrl {

// The one class record handed to the object system.
tessaly::host::ClassDescriptor& panelClass();

}  // namespace tessaly::callbackctrl
