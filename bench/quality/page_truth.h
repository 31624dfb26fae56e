// Where the scans of a simulated session lie on the page, as the scan simulator's truth.json
// records it, and the part of the page they cover together.
#pragma once

#include <opencv2/core.hpp>
#include <string>
#include <vector>

namespace tessaly::quality {

struct TruthPiece {
  double centreX = 0, centreY = 0;  // on the page, pixels
  double angleDegrees = 0;          // the upright piece's tilt, clockwise with y down
  int width = 0, height = 0;        // the upright piece
};

struct PageTruth {
  int width = 0, height = 0;  // the page
  std::vector<TruthPiece> pieces;
};

// Throws std::runtime_error when the file cannot be read or lacks a member.
PageTruth readTruth(const std::string& path);

// An 8-bit mask of the page, 255 where at least one piece shows the page.
cv::Mat coveredByPieces(const PageTruth& truth);

}  // namespace tessaly::quality
