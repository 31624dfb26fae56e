// The stitch session behind the exported handle: pieces, their level images, the current
// arrangement and the caller's callbacks. Stage units (ordering, alignment, blending) work on
// plain data; the session drivers hand it to them in order.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "QuiltexEngine.h"
#include "geometry.h"
#include "loader.h"
#include "pixel_array.h"
#include "policy.h"
#include "progress.h"

namespace tessaly::stitch::verified {
struct SessionState;
}

namespace tessaly::stitch {

// One grid cell's piece.
struct PieceRecord {
  std::vector<ImagePtr> levels;  // entry k: the piece halved k times; null where not held
  int32_t quarterTurns = 0;      // turns applied to the piece relative to its file
  int32_t fullWidth = 0;         // full-resolution size as loaded for alignment
  int32_t fullHeight = 0;
  PairAlignment right;
  PairAlignment below;
  Transform global;  // placement in the frame of cell 0, at the output level (composition)
};

// Where a session stands; each export checks it before it touches anything.
enum class Stage { Created, Loaded, Aligned, Blended };

struct Session {
  Session(int32_t style, int32_t outputSize, const Callbacks& callbacks)
      : policy(policyFor(style)),
        outputSize(outputSize),
        callbacks(callbacks),
        progress(callbacks.progress, callbacks.userData) {}

  ImagePtr result;
  StitchPolicy policy;  // what the style decides, for every stage
  int32_t outputSize;
  int32_t coarsest = 0;                   // index of the smallest level (the miniatures)
  int32_t outputLevel = 0;                // min(outputSize, coarsest)
  std::vector<std::string> workingNames;  // per cell; alignment may point it at a turned copy
  int32_t count = 0;
  std::vector<PieceRecord> pieces;  // per cell
  int32_t columns = 0;
  int32_t rows = 0;
  std::vector<std::string> loadedNames;    // load order, never reordered
  std::vector<ImagePtr> loadedMiniatures;  // load order, unturned
  Callbacks callbacks;
  Progress progress;
  Stage stage = Stage::Created;
  // Present when the caller chose the verified way (QX_STYLE_VERIFIED); see verified_session.h.
  std::shared_ptr<tessaly::stitch::verified::SessionState> verified;

  // True from a successful load until blending consumed the pieces.
  bool hasPieces() const { return stage == Stage::Loaded || stage == Stage::Aligned; }
};

// A level image of one cell for the duration of a use: the stored entry for level k > 0 (or a
// held level 0), else level 0 freshly loaded through the caller and handed back when this dies.
class LevelImage {
 public:
  const tagPixelArray& operator*() const { return *image_; }
  const tagPixelArray* operator->() const { return image_; }

 private:
  friend LevelImage levelImage(Session& session, int cell, int level, LoadFailure onFailure);
  const tagPixelArray* image_ = nullptr;
  LoadedImage loaded_;
};

// Throws QX_ERR_INPUT when the level is neither held nor loadable, and what `onFailure` says when
// loading level 0 fails.
LevelImage levelImage(Session& session, int cell, int level,
                      LoadFailure onFailure = LoadFailure::CallersCode);

// QXLoadImages after the argument checks: sorts the caller's names, loads every piece for
// ordering and leaves the pieces in one row in time order.
long loadPieces(Session& session, long count, char** fileNames, const POINT* sizes);

// QXChangeOrder after the argument checks.
long applyArrangement(Session& session, const tagStitchOrderInfo& arrangement);

// The first part of QXAutoAlign: prepares the temporary store, turns pieces that need quarter
// turns into BMP files and reloads every piece's levels (the first bands of alignment in
// progress_bands.h).
void reloadForAlignment(Session& session);

// Frees everything the session holds (only engine images: the caller's are never kept) and
// empties the temporary store when this session prepared it.
void releaseSession(Session* session);

}  // namespace tessaly::stitch
