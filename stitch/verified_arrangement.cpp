#include "verified_arrangement.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace tessaly::stitch::verified {

namespace {

// Quarter turns (0 to 3) closest to turning a piece at `angle` back to upright.
int32_t uprightTurns(double angle) {
  const long k = std::lround(-angle / (M_PI / 2));
  return static_cast<int32_t>(((k % 4) + 4) % 4);
}

// The whole-mosaic turn that leaves the most pieces unturned; on a tie, the earliest piece's.
int32_t mosaicTurns(const std::vector<Rigid>& poses) {
  int32_t counts[4] = {0, 0, 0, 0};
  for (const Rigid& p : poses) ++counts[uprightTurns(p.angle)];
  int32_t best = uprightTurns(poses[0].angle);
  for (const Rigid& p : poses) {
    const int32_t k = uprightTurns(p.angle);
    if (counts[k] > counts[best]) best = k;
  }
  return best;
}

struct Placed {
  int32_t piece = 0;
  int32_t turns = 0;
  Rigid pose;        // turned piece -> mosaic
  double width = 0;  // of the turned piece
  double height = 0;
  Vec2 centre;
};

// Spread within groups over the gap between consecutive groups along one axis. Groups are lists
// of values in ascending group order; `size` stands in for the gap when there is one group.
double spreadOverGap(const std::vector<std::vector<double>>& groups, double size) {
  double spread = 0, gap = std::numeric_limits<double>::max();
  for (size_t g = 0; g < groups.size(); ++g) {
    const auto [low, high] = std::minmax_element(groups[g].begin(), groups[g].end());
    spread = std::max(spread, *high - *low);
    if (g + 1 < groups.size()) {
      const double nextLow = *std::min_element(groups[g + 1].begin(), groups[g + 1].end());
      gap = std::min(gap, nextLow - *high);
    }
  }
  if (groups.size() == 1) gap = size;
  if (gap <= 1e-9) return std::numeric_limits<double>::max();
  return spread / gap;
}

// The pieces as `rows` rows: sorted by height into rows, each row sorted from the left.
std::vector<size_t> cellsOf(const std::vector<Placed>& placed, int32_t rows, double& irregularity) {
  const size_t columns = placed.size() / rows;
  std::vector<size_t> order(placed.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t x, size_t y) { return placed[x].centre.y < placed[y].centre.y; });
  for (int32_t r = 0; r < rows; ++r) {
    std::stable_sort(order.begin() + r * columns, order.begin() + (r + 1) * columns,
                     [&](size_t x, size_t y) { return placed[x].centre.x < placed[y].centre.x; });
  }
  double meanWidth = 0, meanHeight = 0;
  for (const Placed& p : placed) {
    meanWidth += p.width / placed.size();
    meanHeight += p.height / placed.size();
  }
  std::vector<std::vector<double>> ys(rows), xs(columns);
  for (int32_t r = 0; r < rows; ++r) {
    for (size_t c = 0; c < columns; ++c) {
      const Placed& p = placed[order[r * columns + c]];
      ys[r].push_back(p.centre.y);
      xs[c].push_back(p.centre.x);
    }
  }
  irregularity = std::max(spreadOverGap(ys, meanHeight), spreadOverGap(xs, meanWidth));
  return order;
}

bool overlaps(const Placed& a, const Placed& b) {
  // Corners of b in a's frame: the pieces overlap when b's box there meets a's rectangle.
  const Rigid bToA = compose(inverse(a.pose), b.pose);
  double minX = std::numeric_limits<double>::max(), maxX = -minX, minY = minX, maxY = -minX;
  for (const double x : {0.0, b.width - 1}) {
    for (const double y : {0.0, b.height - 1}) {
      const Vec2 p = apply(bToA, {x, y});
      minX = std::min(minX, p.x);
      maxX = std::max(maxX, p.x);
      minY = std::min(minY, p.y);
      maxY = std::max(maxY, p.y);
    }
  }
  return maxX > 0 && maxY > 0 && minX < a.width - 1 && minY < a.height - 1;
}

}  // namespace

GridReading readGrid(const std::vector<Rigid>& poses, const std::vector<PieceSize>& sizes) {
  const int32_t count = static_cast<int32_t>(poses.size());
  const Rigid quarter{M_PI / 2 * mosaicTurns(poses), 0, 0};
  // Level the mosaic by the mean tilt of the upright pieces, so that rows run across: the frame
  // of one tilted piece would slant every row of a wide grid.
  double sine = 0, cosine = 0;
  for (const Rigid& pose : poses) {
    const double angle = compose(quarter, pose).angle;
    const double tilt = wrapAngle(angle + M_PI / 2 * uprightTurns(angle));
    sine += std::sin(tilt);
    cosine += std::cos(tilt);
  }
  const Rigid mosaic = compose(Rigid{-std::atan2(sine, cosine), 0, 0}, quarter);
  std::vector<Placed> placed(count);
  for (int32_t i = 0; i < count; ++i) {
    const Rigid pose = compose(mosaic, poses[i]);
    Placed& p = placed[i];
    p.piece = i;
    p.turns = uprightTurns(pose.angle);
    const bool across = p.turns % 2 != 0;
    p.width = across ? sizes[i].height : sizes[i].width;
    p.height = across ? sizes[i].width : sizes[i].height;
    p.pose = compose(pose, inverse(quarterTurnMotion(p.turns, sizes[i].width, sizes[i].height)));
    p.centre = apply(p.pose, {(p.width - 1) / 2, (p.height - 1) / 2});
  }

  GridReading best;
  best.irregularity = std::numeric_limits<double>::max();
  std::vector<size_t> bestOrder;
  for (int32_t rows = 1; rows <= count; ++rows) {
    if (count % rows != 0) continue;
    double irregularity = 0;
    std::vector<size_t> order = cellsOf(placed, rows, irregularity);
    if (bestOrder.empty() || irregularity < best.irregularity) {
      best.irregularity = irregularity;
      best.rows = rows;
      best.columns = count / rows;
      bestOrder = std::move(order);
    }
  }

  const Rigid toCell0 = inverse(placed[bestOrder[0]].pose);
  for (size_t cell = 0; cell < bestOrder.size(); ++cell) {
    const Placed& p = placed[bestOrder[cell]];
    best.cellPiece.push_back(p.piece);
    best.cellTurns.push_back(p.turns);
    best.cellPlacement.push_back(compose(toCell0, p.pose));
  }
  best.neighboursOverlap = true;
  for (int32_t r = 0; r < best.rows; ++r) {
    for (int32_t c = 0; c < best.columns; ++c) {
      const Placed& here = placed[bestOrder[r * best.columns + c]];
      if (c + 1 < best.columns && !overlaps(here, placed[bestOrder[r * best.columns + c + 1]]))
        best.neighboursOverlap = false;
      if (r + 1 < best.rows && !overlaps(here, placed[bestOrder[(r + 1) * best.columns + c]]))
        best.neighboursOverlap = false;
    }
  }
  return best;
}

}  // namespace tessaly::stitch::verified
