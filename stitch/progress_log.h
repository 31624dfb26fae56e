// Progress reports of work that runs off the caller's thread, kept so that the caller's thread
// can make them afterwards, in the same order and with the same cancel answers as if the work had
// reported directly.
#pragma once

#include <vector>

#include "progress.h"

namespace tessaly::stitch {

class ProgressLog {
 public:
  ProgressLog();
  ProgressLog(const ProgressLog&) = delete;
  ProgressLog& operator=(const ProgressLog&) = delete;

  // `range` with its reports recorded here instead of reaching the caller. A report made while
  // the work is being abandoned (see itemAbandoned) throws QX_CANCELLED so that it stops early.
  ProgressRange record(const ProgressRange& range) const;

  // Reports every recorded position through the range's own progress, in order; throws
  // QX_CANCELLED at the first the caller answers with a cancel.
  void replay(const ProgressRange& range) const;

 private:
  static void keep(long position, bool* cancel, void* log);

  std::vector<long> positions_;
  Progress recorder_;
};

}  // namespace tessaly::stitch
