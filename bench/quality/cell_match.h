// The page cut into square cells, and for each how the registered result shows it: whether the
// cell has texture to measure, where its content lies in the result (a sub-pixel local shift)
// and how well it matches there.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

#include "rigid_fit.h"

namespace tessaly::quality {

struct CellMatch {
  cv::Rect cell;                // on the page
  bool textured = false;        // enough contrast to compare by correlation
  bool structured = false;      // texture in two directions: the shift can be measured both ways
  bool inside = false;          // the result covers the cell's place
  bool resultTextured = false;  // and shows more there than blank paper
  bool matched = false;         // a clear correlation peak inside the search window
  double correlation = -1;      // at the peak
  cv::Point2d shift;            // the page's cell content shows in the result this far off
  bool agrees = false;          // the result reproduces the cell (matched, or flat and alike)
};

struct CellGrid {
  int cellSize = 32;
  int radius = 6;  // the local search reaches this far either way
};

// Measures every whole cell of the page against the result laid onto the page by
// resultToPage. page and result: one channel, 32-bit float, levels 0 to 1.
std::vector<CellMatch> matchCells(const cv::Mat& page, const cv::Mat& result,
                                  const Rigid& resultToPage, const CellGrid& grid);

// Refines resultToPage from the local shifts of the structured cells that matched; keeps it
// when too few did.
Rigid refineFromCells(const std::vector<CellMatch>& cells, const Rigid& resultToPage);

}  // namespace tessaly::quality
