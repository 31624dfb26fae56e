// The stitch session behind the exported handle: pieces, their level images, the current
// arrangement and the caller's callbacks. Stage units (ordering, alignment, blending) work on
// plain data; the session drivers hand it to them in order.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "QuiltexEngine.h"
#include "loader.h"
#include "pixel_array.h"
#include "progress.h"

namespace tessaly::stitch::verified {
struct SessionState;
}

namespace qx {

// A rigid transform as six doubles: cos t, -sin t, tx, sin t, cos t, ty. It maps a point (x, y)
// of the later piece to (cos t*x - sin t*y + tx, sin t*x + cos t*y + ty) in the earlier one.
struct Transform {
  double m[6] = {1, 0, 0, 0, 1, 0};
};

// A matched point pair: (xA, yA) in the left or upper piece, (xB, yB) in the other.
struct Correspondence {
  int32_t xA, yA, xB, yB;
};

// What alignment knows about the pair (this cell, its right or lower neighbour).
struct PairAlignment {
  Transform transform;                  // neighbour -> this cell, in the units of the last level
  RECT overlap{};                       // in the neighbour's full-resolution coordinates
  std::vector<Correspondence> matches;  // at most 40, from the last refinement pass
};

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
      : style(style), outputSize(outputSize), callbacks(callbacks), progress(callbacks.progress, callbacks.userData) {}

  ImagePtr result;
  int32_t style;
  int32_t outputSize;
  int32_t coarsest = 0;     // index of the smallest level (the miniatures)
  int32_t outputLevel = 0;  // min(outputSize, coarsest)
  std::vector<std::string> workingNames;  // per cell; alignment may point it at a turned copy
  int32_t count = 0;
  std::vector<PieceRecord> pieces;  // per cell
  int32_t columns = 0;
  int32_t rows = 0;
  std::vector<std::string> loadedNames;       // load order, never reordered
  std::vector<ImagePtr> loadedMiniatures;     // load order, unturned
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
  friend LevelImage levelImage(Session& session, int cell, int level);
  const tagPixelArray* image_ = nullptr;
  LoadedImage loaded_;
};

// Throws QX_ERR_INPUT when the level is neither held nor loadable, or the loader's own code.
LevelImage levelImage(Session& session, int cell, int level);

// QXLoadImages after the argument checks: sorts the caller's names, loads every piece for
// ordering and leaves the pieces in one row in time order.
long loadPieces(Session& session, long count, char** fileNames, const POINT* sizes);

// QXChangeOrder after the argument checks.
long applyArrangement(Session& session, const tagStitchOrderInfo& arrangement);

// The first part of QXAutoAlign: prepares the temporary store, turns pieces that need quarter
// turns into BMP files (progress 0 to 15) and reloads every piece's levels (up to 40).
void reloadForAlignment(Session& session);

// Frees everything the session holds (only engine images: the caller's are never kept) and
// empties the temporary store when this session prepared it.
void releaseSession(Session* session);

}  // namespace qx
