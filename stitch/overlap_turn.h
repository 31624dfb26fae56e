// Turned copies of a piece's feature images, for testing small rotations in the overlap search.
#pragma once

#include <cstdint>

#include "overlap_features.h"

namespace tessaly::stitch {

// A feature image turned about the source's centre ((w - 1) / 2, (h - 1) / 2 in whole pixels).
// (left, top) is where the copy's top-left pixel lies relative to that centre.
struct TurnedFeatures {
  int degrees = 0;
  int32_t left = 0;
  int32_t top = 0;
  FeatureImage image;
};

// The source turned by `degrees`: the copy is the bounding box of the turned corners, and each
// of its pixels is mapped back into the source and read bilinearly with 10-bit fractions. Pixels
// that map outside the source are absent.
TurnedFeatures turnFeatures(const FeatureImage& source, int degrees);

}  // namespace tessaly::stitch
