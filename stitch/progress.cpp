#include "progress.h"

#include "errors.h"

namespace tessaly::stitch {

bool Progress::reportAndAskCancel(double position) const {
  bool cancel = false;
  if (proc_ != nullptr) proc_(static_cast<long>(position), &cancel, userData_);
  return cancel;
}

void Progress::report(double position) const {
  if (reportAndAskCancel(position)) fail(QX_CANCELLED);
}

void Progress::reportFinal(double position) const {
  reportAndAskCancel(position);
}

}  // namespace tessaly::stitch
