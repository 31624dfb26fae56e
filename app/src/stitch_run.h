// The program's side of the stitching engine: a list of pieces turned into engine calls in a
// fixed order (create, load, order; then align, blend, release), the three callbacks (progress
// with cancelling, loading a piece, releasing it), engine statuses turned into numbered
// messages, and the engine's result turned into a host picture. What the user sees (messages,
// the progress panel, the Escape key) comes in through the hooks, so the run works the same with
// and without a window.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "QuiltexEngine.h"
#include "order_buffers.h"
#include "stitch_pieces.h"

struct ZanObject;

namespace tessaly::app {

enum class StitchStage { Loading = 0, Ordering = 1, Aligning = 2, Blending = 3 };

// The panel's percent for engine progress `position` in `stage`: loading 0-20, ordering 20-40,
// aligning 40-70, blending 70-100; positions outside 0-100 are held to it.
int stitchPercent(StitchStage stage, long position);
// Warnings 4097 to 4100 mean success with a reservation.
bool isStitchSuccess(long status);
// The text shown for a failing status: none (0) for success and for a cancel, 19 for -3, 18 for
// -2, 23 for anything else.
int statusMessage(long status);
// Straightening counts only when the engine says 0: it has no warnings, and anything else is a
// failure whatever its sign.
inline bool straightenSucceeded(long status) {
  return status == QX_OK;
}
// The engine style for a run: the row or grid style with the verified way or-ed in, unless the
// method is "classic".
tagStitchStyle engineStyle(int style, const std::string& method);

class StitchRun {
 public:
  StitchRun();
  ~StitchRun();
  StitchRun(const StitchRun&) = delete;
  StitchRun& operator=(const StitchRun&) = delete;

  // Shows numbered text n with the error icon.
  std::function<void(int)> showMessage;
  // Shows the overall percent; true when the user asked to stop.
  std::function<bool(int)> reportProgress;
  // Whether the user pressed Escape since the run began.
  std::function<bool()> escapePressed;
  // Watches the engine's calls, for tests: the name of each call as it starts.
  std::function<void(const char*)> onCall;

  // Creates the session, loads the pieces and lets the engine choose the arrangement, which
  // stays applied. False (after the message, the run released) on failure.
  bool prepareAndOrder(std::vector<StitchEntry> entries, tagStitchStyle style, int outputSize);
  // Aligns and blends, copies the result into a new host picture (one reference, the caller's)
  // and releases the session in every case. Null on failure (after the message).
  ZanObject* compose();
  // Measures the skew of `image` in radians; true only when the engine says 0.
  bool straighten(tagPixelArray* image, double* angle);
  // Releases the engine session first, then the names, sizes and candidates it points at.
  void release();

  bool holdsSession() const { return session_ != nullptr; }
  StitchStage stage() const { return stage_; }
  int candidateCount() const { return int(candidateCount_); }
  const PieceFeeder* feeder() const { return feeder_.get(); }

 private:
  static void onProgress(long position, bool* cancel, void* self);
  static long onLoad(char* const fileName, tagPixelArray** image, void* self);
  static void onRelease(tagPixelArray** image, void* self);

  void* createSession(tagStitchStyle style, int outputSize);
  bool makeEngineBuffers();
  // The status is shown (when it is a failure); true when it counts as success.
  bool accept(long status);
  bool fail(int text);
  void notify(const char* call);

  void* session_ = nullptr;
  StitchStage stage_ = StitchStage::Loading;
  long candidateCount_ = 0;
  std::unique_ptr<PieceFeeder> feeder_;

  // The engine keeps pointers into these until the session is released.
  stitch::client::OrderBuffers buffers_;
};

// A new host picture (one reference) holding a copy of `image`: row r of the array becomes
// raster row height - 1 - r, as the host counts raster rows from the bottom. Null when the
// record is not a valid 24-bit array or memory is short.
ZanObject* pictureFromPixelArray(const tagPixelArray& image);
// The same in two steps: a host raster (one reference) with the rows, then the picture made
// from it (the raster's reference is dropped).
ZanObject* rasterFromPixelArray(const tagPixelArray& image);
ZanObject* pictureFromRaster(ZanObject* raster);

}  // namespace tessaly::app
