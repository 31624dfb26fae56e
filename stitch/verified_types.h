// Plain records shared by the units of the verified way of arranging and placing pieces: the
// grey working images it measures on, the pair hypotheses that correlation produces, and the
// arrangement that the global solution chooses from them. Nothing here knows the session, so
// each unit can be tested on constructed data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tessaly::stitch::verified {

// An 8-bit grey image, rows top to bottom, no padding.
struct GreyImage {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> pixels;  // width * height

  uint8_t at(int32_t x, int32_t y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// The grey images of one piece in load order, unturned: `working` is the level on which pair
// relations are searched (roughly 50-75 dpi, where text is still legible), `finer` the next
// finer level (half the working level's pixel size, twice its resolution) on which the search's
// peaks are confirmed or rejected.
struct PieceLevels {
  int32_t workingLevel = 0;  // halvings of the full resolution that `working` has
  GreyImage working;
  GreyImage finer;  // level workingLevel - 1; empty when workingLevel is 0
};

// A rigid motion of the plane: rotation by `angle` radians (anticlockwise in image coordinates
// with y pointing down means: x' = cos*x - sin*y + tx, y' = sin*x + cos*y + ty) then translation.
struct Rigid {
  double angle = 0;
  double tx = 0;
  double ty = 0;
};

// One hypothesis of how piece `b` lies relative to piece `a` (indices in load order). Piece b is
// first turned by `quarterTurnsB` elementary quarter turns (the engine's turn code: output row r,
// column c from input row c, column width - 1 - r; width and height swap for odd turns), then the
// turned image's pixel (x, y) maps to `bToA` applied to (x, y) in piece a's UNTURNED image, both
// in pixels of the working level. The pair relation is symmetric: the reverse hypothesis is
// derived, not stored twice.
struct PairHypothesis {
  int32_t a = 0;
  int32_t b = 0;
  int32_t quarterTurnsB = 0;   // 0 to 3, b relative to a
  Rigid bToA;                  // working-level pixels
  double score = 0;            // normalised correlation over the whole overlap, -1 to 1
  double overlapFraction = 0;  // overlap area / area of the smaller piece, 0 to 1
  int32_t overlapPixels = 0;   // overlap area in working-level pixels
  double distinctness = 0;     // score margin over the best rival peak of the same pair
  bool confirmed = false;      // survived the check on the finer level
  double finerScore = 0;       // the correlation over the overlap on the finer level (0 when
                               // the hypothesis was too weak to be checked there)
};

// What the global solution decided.
struct Arrangement {
  int32_t rows = 0;
  int32_t columns = 0;
  std::vector<int32_t> cellPiece;    // per grid cell (row by row): load-order index of its piece
  std::vector<int32_t> cellTurns;    // per grid cell: quarter turns of its piece, 0 to 3
  std::vector<Rigid> cellPlacement;  // per grid cell: the turned piece's pixel -> mosaic frame
                                     // (frame of cell 0's turned piece), working-level pixels
  std::vector<PairHypothesis> keptLinks;  // links the fit used, in load-order indices
  double support = 0;                     // 0 to 1: how well the arrangement is supported
  bool wellSupported = false;             // false: the caller must warn, never stay silent
};

}  // namespace tessaly::stitch::verified
