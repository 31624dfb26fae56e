// Where each scan of a simulated flatbed session lies on the page and how it differs from the
// page: the grid of pieces with their overlap, each piece's small tilt and shift, how the paper
// was turned on the glass, the lamp's brightness, contrast and gamma, the sensor noise, the
// optics' blur and the moment the scan was saved. All of it is drawn up front from the seed, so
// a seed names one exact set of scans.
#pragma once

#include <cstdint>
#include <vector>

namespace tessaly::cli {

struct ScanSettings {
  int32_t rows = 2;
  int32_t columns = 2;
  double overlap = 0;      // fraction of a piece shared with each neighbour; 0: the default
  int32_t pieceWidth = 0;  // 0 (both): as large as the grid needs to cover the page
  int32_t pieceHeight = 0;
  double maxAngle = 1.5;           // degrees either way
  double maxShift = 0.015;         // fraction of the piece's size either way
  double maxBrightness = 10;       // levels either way
  double maxContrast = 0.06;       // contrast factor within 1 +- this
  double maxGamma = 0.08;          // gamma within 1 +- this
  double noise = 2.0;              // standard deviation in levels
  double blur = 0.6;               // standard deviation in pixels; below 0.2 none
  std::vector<int> turnDegrees;    // per piece in scanning order: 0, 90, 180 or 270 clockwise
  int64_t startTime = 1700000000;  // modification time of the first scan, seconds since 1970
  int32_t interval = 30;           // seconds between scans, before a little jitter
  uint64_t seed = 1;
};

// A person scanning overlapping passes in one row (or column) needs more overlap than for a
// grid: the stitcher looks for a row's overlaps between a third and six sevenths of a piece,
// and for a grid's from an eighth on.
double defaultOverlap(int32_t rows, int32_t columns);

struct ScanPiece {
  int32_t index = 0;  // scanning order, row by row from 0
  int32_t row = 0;
  int32_t column = 0;
  // The upright piece's centre on the page and its tilt: piece point (u, v) shows page point
  // R(angle) * (u - (width - 1) / 2, v - (height - 1) / 2) + (centreX, centreY), with
  // R(a) = [cos a, -sin a; sin a, cos a] in pixel coordinates (y down).
  double centreX = 0;
  double centreY = 0;
  double angleDegrees = 0;
  int32_t width = 0;  // the upright piece; the file's sides swap for 90 and 270
  int32_t height = 0;
  int turnDegrees = 0;  // the paper lay turned clockwise by this on the glass
  double brightness = 0;
  double contrast = 1;
  double gamma = 1;
  double noise = 0;
  double blur = 0;
  int64_t modified = 0;  // seconds since 1970
};

struct ScanPlan {
  int32_t pageWidth = 0;
  int32_t pageHeight = 0;
  int32_t rows = 0;
  int32_t columns = 0;
  double overlap = 0;
  std::vector<ScanPiece> pieces;  // scanning order
};

// Plans the scans of a page of the given size. Throws UsageError when the settings cannot
// describe a session on this page (a grid the page is too small for, a turn list of the wrong
// length or with other angles than quarter turns).
ScanPlan planScans(const ScanSettings& settings, int32_t pageWidth, int32_t pageHeight);

}  // namespace tessaly::cli
