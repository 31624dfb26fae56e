#include "scan_plan.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "arguments.h"
#include "bgr_image.h"
#include "random.h"

namespace tessaly::cli {
namespace {

constexpr int32_t kSmallestPiece = 16;

// The side of a piece when `count` pieces sharing `overlap` of themselves cover `page` pixels.
int32_t coveringSide(int32_t page, int32_t count, double overlap) {
  return int32_t(std::lround(page / (count - (count - 1) * overlap)));
}

// Where the first piece's near edge lies so that the pieces sit centred on the page: when they
// cover it exactly, on the page's edge.
double firstEdge(int32_t page, int32_t count, int32_t side, double overlap) {
  const double extent = side * (count - (count - 1) * overlap);
  return (page - extent) / 2;
}

void checkTurns(const ScanSettings& settings, size_t count) {
  if (!settings.turnDegrees.empty() && settings.turnDegrees.size() != count)
    throw UsageError("the list of turned pieces does not match the " + std::to_string(count) +
                     " pieces of the grid");
  for (const int turn : settings.turnDegrees)
    if (turn != 0 && turn != 90 && turn != 180 && turn != 270)
      throw UsageError("a piece can only be turned by 90, 180 or 270 degrees");
}

}  // namespace

double defaultOverlap(int32_t rows, int32_t columns) {
  return rows == 1 || columns == 1 ? 0.40 : 0.30;
}

ScanPlan planScans(const ScanSettings& settings, int32_t pageWidth, int32_t pageHeight) {
  ScanPlan plan;
  plan.pageWidth = pageWidth;
  plan.pageHeight = pageHeight;
  plan.rows = settings.rows;
  plan.columns = settings.columns;
  plan.overlap =
      settings.overlap > 0 ? settings.overlap : defaultOverlap(settings.rows, settings.columns);
  const size_t count = size_t(settings.rows) * size_t(settings.columns);
  checkTurns(settings, count);

  const bool sizeGiven = settings.pieceWidth > 0 && settings.pieceHeight > 0;
  const int32_t width =
      sizeGiven ? settings.pieceWidth : coveringSide(pageWidth, settings.columns, plan.overlap);
  const int32_t height =
      sizeGiven ? settings.pieceHeight : coveringSide(pageHeight, settings.rows, plan.overlap);
  if (width < kSmallestPiece || height < kSmallestPiece || width > kMaxSide || height > kMaxSide)
    throw UsageError("a " + std::to_string(pageWidth) + " x " + std::to_string(pageHeight) +
                     " page cut into " + std::to_string(settings.rows) + " x " +
                     std::to_string(settings.columns) + " pieces gives pieces of " +
                     std::to_string(width) + " x " + std::to_string(height) +
                     " pixels; each side must be " + std::to_string(kSmallestPiece) + " to " +
                     std::to_string(kMaxSide));

  const double left = firstEdge(pageWidth, settings.columns, width, plan.overlap);
  const double top = firstEdge(pageHeight, settings.rows, height, plan.overlap);
  const double stepX = width * (1 - plan.overlap);
  const double stepY = height * (1 - plan.overlap);

  Random random(settings.seed);
  int64_t modified = settings.startTime;
  for (int32_t row = 0; row < settings.rows; ++row) {
    for (int32_t column = 0; column < settings.columns; ++column) {
      ScanPiece piece;
      piece.index = int32_t(plan.pieces.size());
      piece.row = row;
      piece.column = column;
      piece.width = width;
      piece.height = height;
      // Pixel centres lie on whole numbers, so a piece whose left edge is at page edge e has
      // its centre at e + width / 2 - 0.5.
      piece.centreX =
          left + column * stepX + width / 2.0 - 0.5 + random.symmetric(settings.maxShift * width);
      piece.centreY =
          top + row * stepY + height / 2.0 - 0.5 + random.symmetric(settings.maxShift * height);
      piece.angleDegrees = random.symmetric(settings.maxAngle);
      piece.brightness = random.symmetric(settings.maxBrightness);
      piece.contrast = 1 + random.symmetric(settings.maxContrast);
      piece.gamma = 1 + random.symmetric(settings.maxGamma);
      piece.noise = settings.noise;
      piece.blur = settings.blur;
      piece.turnDegrees = settings.turnDegrees.empty() ? 0 : settings.turnDegrees[piece.index];
      // Scans are saved one after another, a little irregularly, never two in the same second.
      if (piece.index > 0)
        modified +=
            std::max<int64_t>(1, int64_t{settings.interval} + int64_t{random.below(11)} - 5);
      piece.modified = modified;
      plan.pieces.push_back(piece);
    }
  }
  return plan;
}

}  // namespace tessaly::cli
