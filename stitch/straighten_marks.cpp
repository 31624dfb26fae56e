#include "straighten_marks.h"

#include <numeric>
#include <vector>

namespace tessaly::stitch {

namespace {

// A horizontal run [x0, x1) of set pixels in one row.
struct Run {
  int32_t y, x0, x1;
};

class Groups {
 public:
  explicit Groups(size_t n) : parent_(n) { std::iota(parent_.begin(), parent_.end(), size_t{0}); }
  size_t root(size_t i) {
    while (parent_[i] != i) {
      parent_[i] = parent_[parent_[i]];
      i = parent_[i];
    }
    return i;
  }
  void join(size_t a, size_t b) {
    a = root(a);
    b = root(b);
    if (a != b) parent_[b] = a;
  }

 private:
  std::vector<size_t> parent_;
};

std::vector<Run> runsOf(const BitImage& bits, std::vector<size_t>& rowStart) {
  std::vector<Run> runs;
  rowStart.assign(static_cast<size_t>(bits.height()) + 1, 0);
  for (int32_t y = 0; y < bits.height(); ++y) {
    rowStart[y] = runs.size();
    for (int32_t x = 0; x < bits.width();) {
      if (!bits.test(x, y)) {
        ++x;
        continue;
      }
      const int32_t start = x;
      while (x < bits.width() && bits.test(x, y)) ++x;
      runs.push_back({y, start, x});
    }
  }
  rowStart[bits.height()] = runs.size();
  return runs;
}

// Joins every run with the runs of the row above that share a column with it.
void joinRows(const std::vector<Run>& runs, const std::vector<size_t>& rowStart, int32_t height,
              Groups& groups) {
  for (int32_t y = 1; y < height; ++y) {
    size_t above = rowStart[y - 1];
    const size_t aboveEnd = rowStart[y];
    for (size_t i = rowStart[y]; i < rowStart[y + 1]; ++i) {
      while (above < aboveEnd && runs[above].x1 <= runs[i].x0) ++above;
      for (size_t j = above; j < aboveEnd && runs[j].x0 < runs[i].x1; ++j) groups.join(j, i);
    }
  }
}

}  // namespace

bool keepSmallMarks(BitImage& bits) {
  std::vector<size_t> rowStart;
  const std::vector<Run> runs = runsOf(bits, rowStart);
  Groups groups(runs.size());
  joinRows(runs, rowStart, bits.height(), groups);

  std::vector<int64_t> size(runs.size(), 0);
  for (size_t i = 0; i < runs.size(); ++i) size[groups.root(i)] += runs[i].x1 - runs[i].x0;

  const int64_t area = static_cast<int64_t>(bits.width()) * bits.height();
  const int64_t small = area >> 10;
  const int64_t huge = area >> 2;
  for (size_t i = 0; i < runs.size(); ++i) {
    if (size[i] > huge) return false;
  }
  for (size_t i = 0; i < runs.size(); ++i) {
    if (size[groups.root(i)] >= small) bits.clearRun(runs[i].y, runs[i].x0, runs[i].x1);
  }
  return true;
}

}  // namespace tessaly::stitch
