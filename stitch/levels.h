// The level pyramid: how many halvings a set of pieces gets, the 2:1 reduction, and building
// the kept levels of one loaded piece.
#pragma once

#include <cstdint>
#include <vector>

#include "QuiltexEngine.h"
#include "loader.h"
#include "pixel_array.h"
#include "policy.h"
#include "progress.h"

namespace tessaly::stitch {

// Number of level images every piece gets (0 when the smallest piece is too small for any),
// chosen from the caller's sizes before anything is loaded. The smallest piece by area decides:
// its coarsest level must stay at or above 1500 / 4 pixels of area and keep both sides above
// the policy's coarsestMinimumSide.
int levelCount(const POINT* sizes, long count, const StitchPolicy& policy);

// 2:1 reduction with the 3 x 3 binomial filter (1 2 1 / 2 4 2 / 1 2 1) / 16, source coordinates
// clamped to the image. The result is width / 2 by height / 2. Reports before every output row.
ImagePtr halve(const tagPixelArray& source, const ProgressRange& range);

// Which levels of the pyramid a loading pass keeps.
enum class KeepLevels {
  CoarsestOnly,       // loading for ordering: intermediate levels die as the next one exists
  AllButFull,         // reload for alignment: levels 1 to coarsest
  AllButFullAndHalf,  // reload when the result is a quarter of full size: level 1 dies early
};

// Builds levels 1 to coarsest of a freshly loaded piece, reporting inside [a, b] the way the
// loading passes do (level k reported at a + 2 + (b - a - 2) * (1 - 2^-(k-1))). The loaded
// image is handed back as soon as level 1 exists. With coarsest 0 the result holds a copy of the
// loaded image as level 0. Returns coarsest + 1 entries, null where a level is not kept.
std::vector<ImagePtr> buildLevels(LoadedImage& loaded, int coarsest, KeepLevels keep,
                                  const Progress& progress, double a, double b);

}  // namespace tessaly::stitch
