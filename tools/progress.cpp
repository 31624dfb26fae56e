// Progress values are computed in 64 bits: a range times a count of tiles or rows overflows 32.
#include "progress.h"

#include <algorithm>

#include "guard.h"

namespace tessaly::tools {

ProgressMeter::ProgressMeter(const ToolProgress* progress, int64_t totalUnits, int32_t cancelReason)
    : ProgressMeter(progress, progress != nullptr ? progress->rangeStart : 0,
                    progress != nullptr ? progress->rangeEnd : 0, totalUnits, cancelReason) {}

ProgressMeter::ProgressMeter(const ToolProgress* progress, int32_t start, int32_t end,
                             int64_t total, int32_t cancelReason)
    : progress_(progress),
      start_(start),
      end_(end),
      total_(std::max<int64_t>(total, 1)),
      cancelReason_(cancelReason) {}

ProgressMeter ProgressMeter::part(int64_t fromUnit, int64_t toUnit, int64_t totalUnits) const {
  const int64_t span = int64_t{end_} - start_;
  const auto at = [&](int64_t unit) { return static_cast<int32_t>(start_ + span * unit / total_); };
  return ProgressMeter(progress_, at(fromUnit), at(toUnit), totalUnits, cancelReason_);
}

void ProgressMeter::checkCancel() const {
  if (progress_ != nullptr && progress_->cancel != nullptr &&
      progress_->cancel(progress_->user) != 0) {
    fail(cancelReason_);
  }
}

void ProgressMeter::advance(int64_t units) {
  done_ = std::min(done_ + units, total_);
  if (progress_ == nullptr || progress_->progress == nullptr) return;
  const int64_t value = start_ + (int64_t{end_} - start_) * done_ / total_;
  progress_->progress(static_cast<int32_t>(value), progress_->user);
}

}  // namespace tessaly::tools
