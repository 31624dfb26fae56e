// Stitch scenes for composition tests: a page cut into a grid of pieces with known placement,
// rotation, brightness and file turns, the transforms and matched points a perfect alignment
// would leave in the session, and the run through the exports up to alignment.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "QuiltexEngine.h"
#include "geometry.h"
#include "picture.h"

namespace tessaly::stitch::test {

struct PiecePlan {
  double centreX = 0;  // where the piece's centre lies on the page
  double centreY = 0;
  int32_t width = 0;  // the upright piece
  int32_t height = 0;
  double angleDegrees = 0;
  int brightness = 0;  // added to every channel of the piece
  int fileTurns = 0;  // quarter turns the arrangement applies; the file holds the piece turned back
};

struct StitchLayout {
  Picture page;
  int32_t rows = 1;
  int32_t columns = 1;
  std::vector<PiecePlan> cells;  // row by row

  // The piece as the arrangement presents it, and as its file holds it.
  Picture piece(int cell) const;
  Picture file(int cell) const;

  // Full-resolution piece point of `cell` to page point, and back.
  void toPage(int cell, double u, double v, double& x, double& y) const;
  void fromPage(int cell, double x, double y, double& u, double& v) const;

  // Transform from cell b's coordinates into cell a's at `level`, as alignment leaves it.
  tessaly::stitch::Transform pairTransform(int a, int b, int level) const;
  // Up to 40 points of b at `level` inside a, paired with their true place in a.
  std::vector<tessaly::stitch::Correspondence> pairMatches(int a, int b, int level) const;
};

// The page with a 3 x 3 binomial blur: resampling a piece twice (cutting it at an angle, then
// placing it) then costs a few levels, while a piece one pixel off costs two to three times more.
Picture smoothed(const Picture& page);

// A grid of rows x columns pieces of width x height over a textured page (smoothed unless asked
// not to) that leaves `border` pixels around them, neighbours overlapping by `overlap` pixels;
// upright, unturned, same brightness.
StitchLayout gridLayout(int32_t rows, int32_t columns, int32_t width, int32_t height,
                        int32_t overlap, uint32_t seed, int32_t border = 40, bool smooth = true);

// gridLayout with the pieces tilted by a fixed pattern of small angles (0, 1.5, -1, 0.7, -2,
// 1.2 degrees, cell by cell).
StitchLayout tiltedGrid(int32_t rows, int32_t columns, int32_t width, int32_t height,
                        int32_t overlap, uint32_t seed);

// Squeezes the page's tones into 40 ... 215, so that pieces made up to 40 levels darker or
// lighter do not clip and a brightness step between them is the same everywhere.
void squeezeTones(Picture& page);

// Writes the true transforms and matches of every neighbour pair into an aligned session, at the
// session's output level.
void injectTruth(void* handle, const StitchLayout& layout);

enum class Alignment { Engine, Truth };

// Takes a new session through QXLoadImages (files[cell] holds layout.file(cell) and is written
// before files[cell + 1]), QXChangeOrder (the layout's grid, every file turned back upright) and
// QXAutoAlign; with Alignment::Truth the true alignment then replaces the engine's. Returns the
// first failure, else QXAutoAlign's status.
long alignLayout(void* handle, const StitchLayout& layout, const std::vector<std::string>& files,
                 Alignment alignment);

}  // namespace tessaly::stitch::test
