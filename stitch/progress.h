// Progress reports to the caller's ProgressProc, and sub-ranges handed to long operations.
#pragma once

#include "QuiltexEngine.h"

namespace tessaly::stitch {

class Progress {
 public:
  Progress(ProgressProc proc, void* userData) : proc_(proc), userData_(userData) {}

  // Reports position (truncated to a whole number) and throws QX_CANCELLED when the caller asks
  // to stop.
  void report(double position) const;
  // Reports position without reading the cancel answer: the last report of a call.
  void reportFinal(double position) const;
  // Reports position and returns whether the caller asked to stop.
  bool reportAndAskCancel(double position) const;

 private:
  ProgressProc proc_;
  void* userData_;
};

// A span [start, end] of the caller's progress scale that one operation reports inside.
// A null Progress makes every report a no-op, for callers that want no progress.
struct ProgressRange {
  const Progress* progress = nullptr;
  double start = 0;
  double end = 0;

  // Reports start + (end - start) * fraction; throws QX_CANCELLED on a cancel request.
  void at(double fraction) const {
    if (progress != nullptr) progress->report(start + (end - start) * fraction);
  }
  // The part [start + (end - start) * from, start + (end - start) * to] of this range.
  ProgressRange sub(double from, double to) const {
    return {progress, start + (end - start) * from, start + (end - start) * to};
  }
};

}  // namespace tessaly::stitch
