// Judging one placement of piece b on piece a: the normalised correlation over their whole
// overlap, and the local search that moves a placement to the best nearby offset and angle.
// Both work on evidence signals of one level; b is given unturned with its quarter turns.
#pragma once

#include <cstdint>
#include <opencv2/core.hpp>
#include <vector>

#include "verified_types.h"

namespace tessaly::stitch::verified {

// Piece b's signal carried into a's frame over the box where the two can overlap.
struct WarpedOverlap {
  cv::Rect box;      // a's pixels
  cv::Mat1f b;       // b's signal on the box, zero outside b
  cv::Mat1b inside;  // 1 where the box pixel lies inside b
  // Per box row: the columns [rowFrom, rowTo) inside b (an affine map keeps them contiguous).
  std::vector<int32_t> rowFrom;
  std::vector<int32_t> rowTo;
  int64_t insideCount = 0;
  double bCentreX = 0;  // centre of the overlap in turned b's pixels
  double bCentreY = 0;
};

// False when b, placed by bToA (turned b's pixel -> a's pixel), does not reach into a.
bool warpOverlap(const cv::Mat1f& a, const cv::Mat1f& b, int turnsB, const Rigid& bToA,
                 WarpedOverlap& out);

struct OverlapMeasure {
  double score = 0;            // Pearson correlation over the overlap; 0 where undefined
  int64_t overlapPixels = 0;   // overlap area in this level's pixels
  int64_t texturedPixels = 0;  // overlap pixels where either piece shows texture
  bool defined = false;        // enough texture for the correlation to mean something
};

// The correlation over every pixel of the overlap. Pixels blank in both pieces add nothing to
// it; an overlap with too little texture is undefined and scores 0, however flat it is.
OverlapMeasure measureOverlap(const cv::Mat1f& a, const WarpedOverlap& overlap);

// Moves bToA to the best correlation within `margin` pixels and, when angleStep (radians) is
// not 0, among the angles -step, 0, +step about the overlap's centre, to sub-pixel and sub-step
// precision. Returns the correlation of the best integer offset over b's textured pixels
// (-1 when there is no overlap).
double refinePlacement(const cv::Mat1f& a, const cv::Mat1f& b, int turnsB, Rigid& bToA, int margin,
                       double angleStep);

}  // namespace tessaly::stitch::verified
