#include "overlap_search.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "overlap_score.h"
#include "overlap_turn.h"

namespace tessaly::stitch {

namespace {

constexpr double kNoScore = -1024;
constexpr int kLargestTurn = 5;

// Half-width of the sideways freedom: a fraction of the smaller side, with a floor.
int32_t sideways(int32_t side, int32_t divisor, int32_t atLeast, int32_t otherwise) {
  return side / divisor > atLeast ? side / divisor : otherwise;
}

// What the search keeps about one placement.
struct Cell {
  double score = 0;
  int32_t support = 0;
  int degrees = 0;
  bool marked = false;
};

class ScoreMap {
 public:
  explicit ScoreMap(const SearchWindow& w)
      : window_(w), cells_(static_cast<size_t>(w.columns()) * static_cast<size_t>(w.rows())) {}
  Cell& at(int32_t x, int32_t y) { return cells_[index(x, y)]; }
  const Cell& at(int32_t x, int32_t y) const { return cells_[index(x, y)]; }
  const SearchWindow& window() const { return window_; }

  // Calls f(x, y) for every placement, x outer and y inner.
  template <typename F>
  void forEach(F&& f) const {
    for (int32_t x = window_.left; x <= window_.right; ++x) {
      for (int32_t y = window_.top; y <= window_.bottom; ++y) f(x, y);
    }
  }

  // True when no placement of the (2r+1) x (2r+1) block around (x, y) inside the window scores
  // at least (strict) or more than (not strict) the placement itself.
  bool isPeak(int32_t x, int32_t y, int32_t r, bool strict) const {
    const double own = at(x, y).score;
    for (int32_t dx = -r; dx <= r; ++dx) {
      for (int32_t dy = -r; dy <= r; ++dy) {
        if ((dx == 0 && dy == 0) || !window_.contains(x + dx, y + dy)) continue;
        const double other = at(x + dx, y + dy).score;
        if (strict ? other >= own : other > own) return false;
      }
    }
    return true;
  }

 private:
  size_t index(int32_t x, int32_t y) const {
    return static_cast<size_t>(x - window_.left) * window_.rows() +
           static_cast<size_t>(y - window_.top);
  }
  SearchWindow window_;
  std::vector<Cell> cells_;
};

struct Best {
  double score = kNoScore;
  int32_t x = 0, y = 0;
  int degrees = 0;

  void offer(const SearchWindow& w, int32_t px, int32_t py, double s, int d) {
    if (!w.interior(px, py) || s <= score) return;
    score = s;
    x = px;
    y = py;
    degrees = d;
  }
};

// Marks the 5 x 3 placements around every strict local maximum of the zero-angle scores.
void markAroundPeaks(ScoreMap& map) {
  const SearchWindow& w = map.window();
  std::vector<std::pair<int32_t, int32_t>> peaks;
  map.forEach([&](int32_t x, int32_t y) {
    if (map.isPeak(x, y, 2, true)) peaks.emplace_back(x, y);
  });
  for (const auto& [px, py] : peaks) {
    for (int32_t x = px - 2; x <= px + 2; ++x) {
      for (int32_t y = py - 1; y <= py + 1; ++y) {
        if (w.contains(x, y)) map.at(x, y).marked = true;
      }
    }
  }
}

// Tries +-1 to +-5 degrees (positive first) at every marked placement.
void tryTurns(ScoreMap& map, Best& best, const FeatureImage& a, const FeatureImage& b,
              const SimilarityTable& table) {
  std::vector<TurnedFeatures> turns;
  std::vector<PlacementScorer> scorers;
  const int32_t cx = (b.width - 1) / 2, cy = (b.height - 1) / 2;
  map.forEach([&](int32_t x, int32_t y) {
    Cell& cell = map.at(x, y);
    if (!cell.marked) return;
    if (turns.empty()) {
      for (int d = 1; d <= kLargestTurn; ++d) {
        turns.push_back(turnFeatures(b, d));
        turns.push_back(turnFeatures(b, -d));
      }
      for (const TurnedFeatures& t : turns) scorers.emplace_back(a, t.image, table);
    }
    for (size_t k = 0; k < turns.size(); ++k) {
      const TurnedFeatures& t = turns[k];
      // The copy's centre sits where B's centre sits at this placement.
      const PlacementScore s = scorers[k](x + cx + t.left, y + cy + t.top);
      if (s.score > cell.score) cell = {s.score, s.support, t.degrees, true};
      best.offer(map.window(), x, y, s.score, t.degrees);
    }
  });
}

// Among the interior local maxima that come close to the best score, the one with the largest
// support x score (smallest when every score is negative); nothing when the best score is 0.
std::optional<CoarseMatch> chooseSupported(const ScoreMap& map, double best) {
  if (best == 0) return std::nullopt;
  const double threshold = best > 0 ? 0.9 * best : 1.1 * best;
  std::optional<CoarseMatch> chosen;
  double chosenValue = 0;
  map.forEach([&](int32_t x, int32_t y) {
    const Cell& cell = map.at(x, y);
    if (!map.window().interior(x, y) || cell.score <= threshold || !map.isPeak(x, y, 1, false))
      return;
    const double value = cell.support * cell.score;
    if (chosen && (best > 0 ? value <= chosenValue : value >= chosenValue)) return;
    chosen = CoarseMatch{x, y, cell.degrees, cell.score};
    chosenValue = value;
  });
  return chosen;
}

}  // namespace

SearchWindow searchWindow(int32_t widthA, int32_t heightA, int32_t widthB, int32_t heightB,
                          NeighbourOverlap overlap, bool horizontal) {
  const int32_t mw = std::min(widthA, widthB), mh = std::min(heightA, heightB);
  const int32_t cx = (widthA - widthB) >> 1, cy = (heightA - heightB) >> 1;
  SearchWindow w;
  if (overlap == NeighbourOverlap::Wide) {
    const int32_t m = sideways(horizontal ? mh : mw, 3, 9, 10);
    if (horizontal)
      w = {1, widthA - mw / 8, cy - m, cy + m};
    else
      w = {cx - m, cx + m, 1, heightA - mh / 8};
  } else {
    const int32_t m = sideways(horizontal ? mh : mw, 6, 5, 6);
    if (horizontal)
      w = {widthA - 6 * mw / 7, widthA - mw / 3, cy - m, cy + m};
    else
      w = {cx - m, cx + m, heightA - 6 * mh / 7, heightA - mh / 3};
  }
  return w;
}

PlacementScore scorePlacement(const FeatureImage& a, const FeatureImage& b, int32_t x, int32_t y,
                              const SimilarityTable& table) {
  // The overlap in A's coordinates, less a one-pixel margin on every side.
  const int32_t x0 = std::max(0, x) + 1, x1 = std::min(a.width, x + b.width) - 1;
  const int32_t y0 = std::max(0, y) + 1, y1 = std::min(a.height, y + b.height) - 1;
  int64_t sum = 0, counted = 0;
  PlacementScore result;
  for (int32_t ay = y0; ay < y1; ++ay) {
    const uint8_t* edgeA = &a.edge[a.index(x0, ay)];
    const uint8_t* edgeB = &b.edge[b.index(x0 - x, ay - y)];
    const int16_t* u = a.contrastAt(x0, ay);
    const int16_t* v = b.contrastAt(x0 - x, ay - y);
    for (int32_t i = 0; i < x1 - x0; ++i, u += 3, v += 3) {
      const uint8_t eb = edgeB[i];
      if (eb == kAbsent) continue;
      const bool inA = edgeA[i] >= kEdgePixel, inB = eb >= kEdgePixel;
      if (!inA && !inB) continue;
      ++counted;
      if (inA != inB) {
        sum -= 256;
        continue;
      }
      const int similarity = table(u[0], v[0]) + table(u[1], v[1]) + table(u[2], v[2]);
      sum += similarity;
      if (similarity > 384) ++result.support;
    }
  }
  result.score = counted == 0 ? 0.0 : static_cast<double>(sum / counted) / 256.0;
  return result;
}

CoarseMatch coarseMatch(const FeatureImage& a, const FeatureImage& b, const SimilarityTable& table,
                        const SearchWindow& window, const ProgressRange& progress) {
  progress.at(0);
  // With no placement strictly inside the window nothing can win: the middle of it stands.
  CoarseMatch result{(window.left + window.right) / 2, (window.top + window.bottom) / 2, 0,
                     kNoScore};
  if (window.columns() <= 0 || window.rows() <= 0) return result;

  ScoreMap map(window);
  Best best;
  best.x = result.x;
  best.y = result.y;
  const PlacementScorer score(a, b, table);
  map.forEach([&](int32_t x, int32_t y) {
    const PlacementScore s = score(x, y);
    map.at(x, y) = {s.score, s.support, 0, false};
    best.offer(window, x, y, s.score, 0);
  });
  progress.at(0.5);

  markAroundPeaks(map);
  tryTurns(map, best, a, b, table);
  result = {best.x, best.y, best.degrees, best.score};
  if (const std::optional<CoarseMatch> supported = chooseSupported(map, best.score))
    result = *supported;
  return result;
}

}  // namespace tessaly::stitch
