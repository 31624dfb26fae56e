#include "blend_seam.h"

#include <algorithm>
#include <limits>

namespace tessaly::stitch {

int32_t Seam::columnAt(int32_t row) const {
  const int32_t i =
      std::clamp<int32_t>(row - firstRow, 0, static_cast<int32_t>(columns.size()) - 1);
  return columns[i];
}

namespace {

// Running cost of a cell no path can reach. Real path costs stay far below it (765 per row).
constexpr int64_t kUnreachable = std::numeric_limits<int64_t>::max() / 2;

bool isUsableRow(const CostMap& map, int32_t y) {
  int32_t present = 0;
  for (int32_t x = 0; x < map.width; ++x) present += map.at(x, y) != CostMap::kAbsent;
  return present >= map.width / 2;
}

// Step from the row above that a cell's cheapest path came by: -1 above-left, 0 above,
// +1 above-right. On equal costs above wins, then above-left.
struct Choice {
  int64_t cost;
  int8_t step;
};

Choice cheapestAbove(const std::vector<int64_t>& above, int32_t x) {
  Choice best{above[x], 0};
  if (x > 0 && above[x - 1] < best.cost) best = {above[x - 1], -1};
  if (x + 1 < static_cast<int32_t>(above.size()) && above[x + 1] < best.cost)
    best = {above[x + 1], 1};
  return best;
}

}  // namespace

Seam findSeam(const CostMap& map) {
  const int32_t w = map.width;
  if (w < 1) return {};
  int32_t first = 0;
  while (first < map.height && !isUsableRow(map, first)) ++first;
  if (first == map.height) return {};
  int32_t last = map.height - 1;
  while (!isUsableRow(map, last)) --last;

  std::vector<int64_t> above(w), current(w);
  std::vector<int8_t> steps(static_cast<size_t>(last - first + 1) * w, 0);
  for (int32_t x = 0; x < w; ++x) {
    above[x] = map.at(x, first) == CostMap::kAbsent ? kUnreachable : map.at(x, first);
  }
  int32_t reached = first;
  for (int32_t y = first + 1; y <= last; ++y) {
    bool anyReached = false;
    int8_t* rowSteps = steps.data() + static_cast<size_t>(y - first) * w;
    for (int32_t x = 0; x < w; ++x) {
      current[x] = kUnreachable;
      if (map.at(x, y) == CostMap::kAbsent) continue;
      const Choice choice = cheapestAbove(above, x);
      if (choice.cost >= kUnreachable) continue;
      current[x] = choice.cost + map.at(x, y);
      rowSteps[x] = choice.step;
      anyReached = true;
    }
    if (!anyReached) break;
    reached = y;
    above.swap(current);
  }

  // `above` holds the running costs of the last row reached.
  const int32_t margin = w / 15;
  int32_t end = margin;
  for (int32_t x = margin + 1; x < w - margin; ++x) {
    if (above[x] < above[end]) end = x;
  }
  Seam seam;
  seam.firstRow = first;
  seam.columns.resize(static_cast<size_t>(reached - first + 1));
  int32_t x = end;
  for (int32_t y = reached; y >= first; --y) {
    seam.columns[y - first] = x;
    x += steps[static_cast<size_t>(y - first) * w + x];
  }
  return seam;
}

}  // namespace tessaly::stitch
