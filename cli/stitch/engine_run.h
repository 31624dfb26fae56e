// One stitch through the engine, in the order the desktop program uses it: create a session,
// load, order, align, blend, release; and the straightening of a result with a session of its
// own. Progress goes to the display, Ctrl-C turns into the engine's cancel, and every failing
// status becomes a Failure with one line for the user.
#pragma once

#include <vector>

#include "QuiltexEngine.h"
#include "order_buffers.h"
#include "piece_loader.h"
#include "progress_display.h"
#include "run_record.h"

namespace tessaly::cli::stitch {

// The loader and its cache are shared with the desktop program.
using ::tessaly::stitch::client::kLoadBadArguments;
using ::tessaly::stitch::client::kLoadNoMemory;
using ::tessaly::stitch::client::kLoadUnreadable;
using ::tessaly::stitch::client::PieceCache;
using ::tessaly::stitch::client::PieceLoader;
using ::tessaly::stitch::client::PieceSource;

class StitchRun {
 public:
  // With decodeAhead the loader decodes the pieces on a thread of its own while the engine
  // loads them.
  StitchRun(PieceLoader& loader, ProgressDisplay& display, RunRecord& record,
            bool decodeAhead = false);
  ~StitchRun();
  StitchRun(const StitchRun&) = delete;
  StitchRun& operator=(const StitchRun&) = delete;

  // Creates the session, loads the pieces (the engine sorts them by modification time) and
  // lets the engine choose the arrangement, which stays applied. Throws Failure.
  void prepareAndOrder(tagStitchStyle style, int outputSize);

  // Aligns and blends. The result stays owned by the run until release(). Throws Failure.
  const tagPixelArray& compose();

  // Measures the skew of image and turns it level into a new picture owned by the run.
  // Throws Failure.
  const tagPixelArray& straighten(const tagPixelArray& image);

  // Releases every session and the pictures they own.
  void release();

 private:
  static void onProgress(long position, bool* cancel, void* self);
  static long onLoad(char* const fileName, tagPixelArray** image, void* self);
  static void onRelease(tagPixelArray** image, void* self);

  void* createSession(tagStitchStyle style, int outputSize);
  void loadPieces(tagStitchStyle style, int outputSize);
  // Fills the name, size and candidate buffers the engine reads and writes, all zeroed.
  void makeEngineBuffers();
  // Runs one engine call as stage `stage`, timing it; a failure throws, a warning is kept.
  template <typename Call>
  long step(Stage stage, const char* what, Call&& call);
  void checkStatus(long status, const char* what);
  void recordCandidates(long count);
  void recordOutputLevel();

  PieceLoader& loader_;
  ProgressDisplay& display_;
  RunRecord& record_;
  void* session_ = nullptr;
  void* straightenSession_ = nullptr;
  bool straightening_ = false;
  bool decodeAhead_ = false;
  Stage stage_ = Stage::Loading;

  // The engine keeps pointers into these until the session is released.
  tessaly::stitch::client::OrderBuffers buffers_;
};

}  // namespace tessaly::cli::stitch
