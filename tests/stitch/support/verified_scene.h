// Pair-search scenes: pieces cut from a generated page with known centre, tilt, quarter turn and
// grey-level change, held as the pair search receives them (a working level and the next finer
// one), and the placement of one piece on another that the cut implies.
#pragma once

#include <cstdint>
#include <vector>

#include "picture.h"
#include "verified_types.h"

namespace tessaly::stitch::test {

struct CutPlan {
  double centreX = 0;  // on the page, full resolution
  double centreY = 0;
  int32_t width = 0;  // upright piece, full resolution
  int32_t height = 0;
  double angleDegrees = 0;
  int turns = 0;    // the piece is stored turned back by this many quarter turns
  double gain = 1;  // grey' = gain * grey + offset, then gamma
  double offset = 0;
  double gamma = 1;
  double noise = 0;  // standard deviation of added grey noise
};

// The piece's levels: `finer` is the cut at full resolution, `working` one halving of it.
tessaly::stitch::verified::PieceLevels cutLevels(const Picture& page, const CutPlan& plan,
                                                 uint32_t seed = 1);

// Where the centre of piece b (turned upright by its plan's turns) lands in piece a's working
// level pixels, and b's angle relative to a in degrees.
void trueLanding(const CutPlan& a, const CutPlan& b, double& x, double& y, double& angleDegrees);

// Where a hypothesis puts b's centre in a's working level pixels.
void hypothesisLanding(const tessaly::stitch::verified::PairHypothesis& h,
                       const tessaly::stitch::verified::PieceLevels& b, double& x, double& y);

// A text-like page: paragraphs of glyph rows with a regular line pitch and ragged line ends,
// a heading now and then, over white paper.
Picture makeParagraphPage(int32_t width, int32_t height, uint32_t seed, int32_t glyph);

}  // namespace tessaly::stitch::test
