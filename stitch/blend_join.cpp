#include "blend_join.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "blend_placement.h"
#include "blend_seam.h"
#include "worker_pool.h"

namespace tessaly::stitch {

namespace {

// Cell (column, row) of the cost map and the frame point it stands for: the overlap itself for a
// seam that runs top to bottom, its transpose for one that runs left to right.
struct MapFrame {
  RECT overlap;
  bool transposed;

  int32_t mapWidth() const { return transposed ? heightOf(overlap) : widthOf(overlap); }
  int32_t mapHeight() const { return transposed ? widthOf(overlap) : heightOf(overlap); }
  int32_t frameX(int32_t column, int32_t row) const {
    return overlap.left + (transposed ? row : column);
  }
  int32_t frameY(int32_t column, int32_t row) const {
    return overlap.top + (transposed ? column : row);
  }
};

uint16_t cutCost(const uint8_t* a, const uint8_t* b) {
  return static_cast<uint16_t>(std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) +
                               std::abs(a[2] - b[2]));
}

// Rows of the cost map that one worker fills at a time.
constexpr int32_t kMapRowsPerBand = 64;

CostMap costMap(const Surface& piece, const Surface& target, const MapFrame& f) {
  CostMap map(f.mapWidth(), f.mapHeight());
  const auto band = [&](size_t j) {
    const int32_t first = static_cast<int32_t>(j) * kMapRowsPerBand;
    const int32_t end = std::min(map.height, first + kMapRowsPerBand);
    for (int32_t row = first; row < end; ++row) {
      for (int32_t column = 0; column < map.width; ++column) {
        const int32_t x = f.frameX(column, row), y = f.frameY(column, row);
        if (!piece.covers(x, y) || !target.covers(x, y)) continue;
        map.at(column, row) = cutCost(piece.pixelAt(x, y), target.pixelAt(x, y));
      }
    }
  };
  parallelFor(static_cast<size_t>((map.height + kMapRowsPerBand - 1) / kMapRowsPerBand), band);
  return map;
}

// Hands the near side of the seam to the target: its pixels go into the piece, held.
void keepTargetBeforeSeam(Surface& piece, const Surface& target, const MapFrame& f,
                          const Seam& seam) {
  for (int32_t row = 0; row < f.mapHeight(); ++row) {
    const int32_t seamColumn = seam.columnAt(row);
    for (int32_t column = 0; column < seamColumn; ++column) {
      const int32_t x = f.frameX(column, row), y = f.frameY(column, row);
      if (!target.covers(x, y)) continue;
      std::memcpy(piece.pixelAt(x, y), target.pixelAt(x, y), 3);
      piece.coverage.set(x - piece.rect.left, y - piece.rect.top);
    }
  }
}

}  // namespace

void joinOnto(Surface& piece, const Surface& target, const RECT& reference, SeamRuns runs) {
  const RECT overlap = intersect(intersect(piece.rect, reference), target.rect);
  if (widthOf(overlap) < 8 || heightOf(overlap) < 8) return;
  const MapFrame frame{overlap, runs == SeamRuns::LeftToRight};
  const Seam seam = findSeam(costMap(piece, target, frame));
  if (seam.empty()) return;
  keepTargetBeforeSeam(piece, target, frame, seam);
}

}  // namespace tessaly::stitch
