// Progress and cancel for one operation: a meter over a number of work units that maps the
// units done onto the caller's progress range and asks the caller whether to stop.
#pragma once

#include <cstdint>

#include "tools.h"

namespace tessaly::tools {

class ProgressMeter {
 public:
  // Reports over the whole range of progress (may be null); a cancel raises cancelReason.
  ProgressMeter(const ToolProgress* progress, int64_t totalUnits,
                int32_t cancelReason = MAT_ERR_FAILED);

  // A meter over the part [fromUnit, toUnit) of this one's units, reporting in this one's range:
  // for operations made of several passes.
  ProgressMeter part(int64_t fromUnit, int64_t toUnit, int64_t totalUnits) const;

  // Raises the cancel reason when the caller asks to stop.
  void checkCancel() const;
  // Counts units as done and reports the value they reach.
  void advance(int64_t units = 1);

  int64_t done() const { return done_; }

 private:
  ProgressMeter(const ToolProgress* progress, int32_t start, int32_t end, int64_t total,
                int32_t cancelReason);

  const ToolProgress* progress_;
  int32_t start_;
  int32_t end_;
  int64_t total_;
  int64_t done_ = 0;
  int32_t cancelReason_;
};

}  // namespace tessaly::tools
