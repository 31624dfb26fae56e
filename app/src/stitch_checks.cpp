#include "stitch_checks.h"

namespace tessaly::app {

namespace {

constexpr int kLeastResolution = 50;
constexpr long long kLeastArea = 1500;

// (largest - smallest) / largest as a real number; equal sizes give 0.
double spread(int smallest, int largest) {
  return largest > 0 ? double(largest - smallest) / double(largest) : 0.0;
}

}  // namespace

bool tooManyPieces(int count, int maxFiles) {
  return count > maxFiles;
}

bool piecesSuitable(const PieceExtremes& e, int maxSizeDiffPercent) {
  if (e.minXResolution < kLeastResolution || e.minYResolution < kLeastResolution) return false;
  if (static_cast<long long>(e.minWidth) * e.minHeight < kLeastArea) return false;
  const double allowed = maxSizeDiffPercent * 0.01;
  return spread(e.minWidth, e.maxWidth) <= allowed && spread(e.minHeight, e.maxHeight) <= allowed &&
         spread(e.minXResolution, e.maxXResolution) <= allowed &&
         spread(e.minYResolution, e.maxYResolution) <= allowed;
}

}  // namespace tessaly::app
