#include "progress_log.h"

#include "worker_pool.h"

namespace tessaly::stitch {

ProgressLog::ProgressLog() : recorder_(&ProgressLog::keep, this) {}

void ProgressLog::keep(long position, bool* cancel, void* log) {
  static_cast<ProgressLog*>(log)->positions_.push_back(position);
  *cancel = itemAbandoned();
}

ProgressRange ProgressLog::record(const ProgressRange& range) const {
  if (range.progress == nullptr) return range;
  return {&recorder_, range.start, range.end};
}

void ProgressLog::replay(const ProgressRange& range) const {
  if (range.progress == nullptr) return;
  for (const long position : positions_) range.progress->report(static_cast<double>(position));
}

}  // namespace tessaly::stitch
