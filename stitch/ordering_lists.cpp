#include "ordering_lists.h"

#include <algorithm>

#include "progress_log.h"
#include "worker_pool.h"

namespace tessaly::stitch {

namespace {

constexpr size_t kKept = 4;

// Scores of every (piece, turn) -> (piece, turn) right relation, filled as the pairs are matched.
class ScoreTable {
 public:
  explicit ScoreTable(int32_t count)
      : count_(count), scores_(static_cast<size_t>(count) * count * 16) {}
  double& at(int32_t a, int32_t ta, int32_t b, int32_t tb) {
    return scores_[((static_cast<size_t>(a) * 4 + ta) * count_ + b) * 4 + tb];
  }

 private:
  int32_t count_;
  std::vector<double> scores_;
};

// The two turns of the same parity as t, ascending.
int32_t sameParity(int32_t t, int k) {
  return (t & 1) + 2 * k;
}

}  // namespace

NeighbourLists scoreAllPairs(int32_t count, const PairScorer& score, const ProgressRange& range) {
  NeighbourLists lists;
  lists.count = count;
  lists.right.resize(static_cast<size_t>(count) * 4);
  ScoreTable table(count);
  // Each (a, b, turn of a) owns an equal share of the range, whether matched or reused. Shares
  // are numbered in the order a, b, turn of a; the matched ones (a < b) run on any worker with
  // their reports kept, and every share is then settled in order on this thread: reports made,
  // scores entered, lists filled. A reused score (b < a) comes from an earlier share.
  const size_t shares = static_cast<size_t>(4) * count * (count - 1);
  struct Share {
    int32_t a, b, ta;
    double scores[2] = {0, 0};
    ProgressLog logs[2];
  };
  std::vector<Share> work(shares);
  size_t next = 0;
  for (int32_t a = 0; a < count; ++a) {
    for (int32_t b = 0; b < count; ++b) {
      if (b == a) continue;
      for (int32_t ta = 0; ta < 4; ++ta) {
        Share& w = work[next++];
        w.a = a;
        w.b = b;
        w.ta = ta;
      }
    }
  }
  const auto shareRange = [&](size_t i) {
    return range.sub(static_cast<double>(i) / shares, static_cast<double>(i + 1) / shares);
  };
  const auto match = [&](size_t i) {
    Share& w = work[i];
    if (w.b < w.a) return;
    const ProgressRange mine = shareRange(i);
    for (int k = 0; k < 2; ++k) {
      const ProgressRange part = w.logs[k].record(mine.sub(k / 2.0, (k + 1) / 2.0));
      w.scores[k] = score(w.a, w.ta, w.b, sameParity(w.ta, k), part);
    }
  };
  const auto settle = [&](size_t i) {
    const Share& w = work[i];
    const ProgressRange mine = shareRange(i);
    for (int k = 0; k < 2; ++k) {
      const int32_t tb = sameParity(w.ta, k);
      double& s = table.at(w.a, w.ta, w.b, tb);
      if (w.b < w.a) {
        mine.at(k / 2.0);
        s = table.at(w.b, (tb + 2) % 4, w.a, (w.ta + 2) % 4);
      } else {
        w.logs[k].replay(mine.sub(k / 2.0, (k + 1) / 2.0));
        s = w.scores[k];
      }
      lists.right[w.a * 4 + w.ta].entries.push_back({w.b, s, tb});
    }
  };
  parallelFor(shares, match, settle);
  return lists;
}

void deriveBelowLists(NeighbourLists& lists) {
  lists.below.assign(lists.right.size(), {});
  for (int32_t a = 0; a < lists.count; ++a) {
    for (int32_t t = 0; t < 4; ++t) {
      const CandidateList& turnedRight = lists.rightOf(a, (t + 1) % 4);
      CandidateList& below = lists.below[a * 4 + t];
      for (const NeighbourCandidate& c : turnedRight.entries) {
        below.entries.push_back({c.piece, c.score, (c.turn + 3) % 4});
      }
    }
  }
}

void trimList(CandidateList& list, double threshold, bool keepAllIfNone) {
  std::vector<NeighbourCandidate>& e = list.entries;
  const size_t kept = std::min(e.size(), kKept);
  // Selection of the lowest remaining entry for each kept place; rotating it into place keeps
  // the others in their order, so an equal score never overtakes an earlier entry.
  for (size_t place = 0; place < kept; ++place) {
    size_t lowest = place;
    for (size_t i = place + 1; i < e.size(); ++i) {
      if (e[i].score < e[lowest].score) lowest = i;
    }
    std::rotate(e.begin() + place, e.begin() + lowest, e.begin() + lowest + 1);
  }
  e.resize(kept);
  list.usable = static_cast<int32_t>(std::count_if(
      e.begin(), e.end(), [&](const NeighbourCandidate& c) { return c.score < threshold; }));
  if (list.usable == 0 && keepAllIfNone) list.usable = static_cast<int32_t>(kept);
}

}  // namespace tessaly::stitch
