// Composition driver: places every aligned piece on one canvas at the output level, evens out
// brightness between neighbours, joins each piece to what is painted along a least-cost seam and
// hands the canvas to the session as its result.
//
// Direct composition (a row of pieces) joins every piece straight into the canvas. Composition by
// rows (a grid) builds each row below the first as a strip of its own and joins whole strips, so
// that a piece is cut against its row neighbours and its row against the row above, never against
// both at once.
#include "blend_brightness.h"
#include "blend_crop.h"
#include "blend_join.h"
#include "blend_placement.h"
#include "blend_resample.h"
#include "errors.h"
#include "progress_bands.h"
#include "stages.h"
#include "temp_store.h"
#include "verified_session.h"

namespace tessaly::stitch {

namespace {

// Where the pieces go and how bright they are, known before any pixel is touched.
struct Layout {
  std::vector<Transform> global;
  std::vector<RECT> rects;
  RECT canvas{};
  std::vector<int32_t> offsets;
};

void placePieces(Session& s, Layout& layout) {
  std::vector<Transform> right, below;
  for (const PieceRecord& piece : s.pieces) {
    right.push_back(piece.right.transform);
    below.push_back(piece.below.transform);
  }
  // The verified way fitted one transform per cell over all pairs; use it instead of the chain.
  layout.global = tessaly::stitch::verified::fittedGlobals(s);
  if (layout.global.empty()) layout.global = chainTransforms(right, below, s.rows, s.columns);
  for (int cell = 0; cell < s.count; ++cell) {
    PieceRecord& piece = s.pieces[cell];
    piece.global = layout.global[cell];
    layout.rects.push_back(pieceRectangle(piece.global, piece.fullWidth >> s.outputLevel,
                                          piece.fullHeight >> s.outputLevel));
  }
  layout.canvas = canvasRectangle(layout.rects);
}

int32_t pairDifference(Session& s, int cellA, int cellB, const PairAlignment& pair) {
  const LevelImage a = levelImage(s, cellA, s.coarsest);
  const LevelImage b = levelImage(s, cellB, s.coarsest);
  return brightnessDifference(*a, *b, miniatureDisplacement(pair, s.outputLevel, s.coarsest));
}

std::vector<int32_t> brightnessOffsets(Session& s) {
  std::vector<int32_t> right(s.count, 0), below(s.count, 0);
  for (int cell = 0; cell < s.count; ++cell) {
    const int32_t row = cell / s.columns, column = cell % s.columns;
    if (column + 1 < s.columns)
      right[cell] = pairDifference(s, cell, cell + 1, s.pieces[cell].right);
    if (row + 1 < s.rows)
      below[cell] = pairDifference(s, cell, cell + s.columns, s.pieces[cell].below);
  }
  return balanceOffsets(right, below, s.rows, s.columns);
}

class Composer {
 public:
  Composer(Session& s, const Layout& layout, Surface& canvas)
      : s_(s), layout_(layout), canvas_(canvas) {}

  // Every piece joined straight into the canvas: against its left neighbour in a single row,
  // against everything painted so far otherwise.
  void composeDirect() {
    if (s_.rows == 1) {
      composeRow(0, canvas_);
      return;
    }
    for (int cell = 0; cell < s_.count; ++cell) {
      Surface piece = preparePiece(cell);
      joinOnto(piece, canvas_, canvas_.rect, SeamRuns::TopToBottom);
      paintOnto(piece, canvas_);
    }
  }

  // The first row straight into the canvas; every later row into a strip of its own that is
  // then joined to the row above.
  void composeByRows() {
    composeRow(0, canvas_);
    for (int32_t row = 1; row < s_.rows; ++row) {
      Surface strip = makeSurface(rowRectangle(row));
      composeRow(row, strip);
      joinOnto(strip, canvas_, rowRectangle(row - 1), SeamRuns::LeftToRight);
      paintOnto(strip, canvas_);
    }
  }

 private:
  void composeRow(int32_t row, Surface& target) {
    for (int32_t column = 0; column < s_.columns; ++column) {
      const int cell = row * s_.columns + column;
      Surface piece = preparePiece(cell);
      if (column > 0) joinOnto(piece, target, layout_.rects[cell - 1], SeamRuns::TopToBottom);
      paintOnto(piece, target);
    }
  }

  RECT rowRectangle(int32_t row) const {
    RECT r{};
    for (int32_t column = 0; column < s_.columns; ++column)
      r = unite(r, layout_.rects[row * s_.columns + column]);
    return r;
  }

  // The cell's piece at the output level resampled onto its rectangle. A full-resolution piece
  // is loaded here and handed back as soon as it is resampled.
  Surface preparePiece(int cell) {
    const ProgressBand& band = kBlendPieces;
    const ProgressRange share{&s_.progress, band.at(cell, s_.count), band.at(cell + 1, s_.count)};
    share.at(0);
    const LevelImage level = levelImage(s_, cell, s_.outputLevel);
    const PieceRecord& piece = s_.pieces[cell];
    // A file that changed since alignment no longer fits the placement worked out for it.
    if (level->width != piece.fullWidth >> s_.outputLevel ||
        level->height != piece.fullHeight >> s_.outputLevel) {
      fail(QX_ERR_INPUT);
    }
    return resamplePiece(*level, layout_.global[cell], layout_.rects[cell], layout_.offsets[cell],
                         share.sub(0, 0.9));
  }

  Session& s_;
  const Layout& layout_;
  Surface& canvas_;
};

void releasePieces(Session& s) {
  for (PieceRecord& piece : s.pieces) {
    for (ImagePtr& level : piece.levels) level.reset();
  }
  TempStore::instance().empty(&s);
}

}  // namespace

long blendPieces(Session& s, RECT* rectangle) {
  s.progress.report(0);
  Layout layout;
  placePieces(s, layout);
  layout.offsets = brightnessOffsets(s);

  Surface canvas = makeSurface(layout.canvas);
  Composer composer(s, layout, canvas);
  // The verified way's grids take any shape; joining by rows serves them all (one row included).
  if (s.policy.composition == Composition::Direct && !s.verified) {
    composer.composeDirect();
  } else {
    composer.composeByRows();
  }

  const RECT crop = rectangle != nullptr ? coveredRectangle(canvas.coverage) : RECT{};
  s.result = std::move(canvas.image);
  releasePieces(s);
  if (rectangle != nullptr) *rectangle = crop;
  s.progress.reportFinal(100);
  return QX_OK;
}

}  // namespace tessaly::stitch
