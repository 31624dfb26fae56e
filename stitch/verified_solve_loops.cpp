#include "verified_solve_loops.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace tessaly::stitch::verified {

namespace {

// Per pair of pieces, the heaviest few links: enough to find the loops, bounded in cost.
constexpr size_t kLinksPerPair = 4;

// A link seen from piece `from`: the motion of piece `to`'s frame into `from`'s.
struct Step {
  int32_t to = 0;
  Rigid toFrom;
  double weight = 0;
};

class LoopFinder {
 public:
  LoopFinder(int32_t pieces, const std::vector<Link>& links, const SolveOptions& options)
      : pieces_(pieces),
        steps_(pieces),
        between_(static_cast<size_t>(pieces) * pieces),
        options_(options) {
    std::map<std::pair<int32_t, int32_t>, std::vector<size_t>> byPair;
    for (size_t k = 0; k < links.size(); ++k)
      byPair[{std::min(links[k].a, links[k].b), std::max(links[k].a, links[k].b)}].push_back(k);
    for (auto& [pair, list] : byPair) {
      std::stable_sort(list.begin(), list.end(),
                       [&](size_t x, size_t y) { return links[x].weight > links[y].weight; });
      list.resize(std::min(list.size(), kLinksPerPair));
      for (size_t k : list) {
        const Link& l = links[k];
        steps_[l.a].push_back({l.b, l.bToA, l.weight});
        steps_[l.b].push_back({l.a, inverse(l.bToA), l.weight});
        between_[l.a * pieces_ + l.b].push_back(steps_[l.a].back());
        between_[l.b * pieces_ + l.a].push_back(steps_[l.b].back());
      }
    }
  }

  // Support for link l: best closing triangle and square through every other piece(s).
  double support(const Link& l) const {
    std::map<int32_t, double> triangles;                    // by third piece
    std::map<std::pair<int32_t, int32_t>, double> squares;  // by the two other pieces
    for (const Step& ac : steps_[l.a]) {
      if (ac.to == l.b) continue;
      for (const Step& cb : steps_[ac.to]) {
        if (cb.to == l.b) {
          if (closes(l, compose(ac.toFrom, cb.toFrom), 2)) {
            double& t = triangles[ac.to];
            t = std::max(t, std::min(ac.weight, cb.weight));
          }
          continue;
        }
        if (cb.to == l.a) continue;
        const Rigid aFromD = compose(ac.toFrom, cb.toFrom);
        for (const Step& db : between_[cb.to * pieces_ + l.b]) {
          if (closes(l, compose(aFromD, db.toFrom), 3)) {
            double& s = squares[{ac.to, cb.to}];
            s = std::max(s, std::min({ac.weight, cb.weight, db.weight}));
          }
        }
      }
    }
    double sum = 0;
    for (const auto& t : triangles) sum += t.second;
    for (const auto& s : squares) sum += s.second;
    return sum;
  }

 private:
  // True when the loop's composed motion (b -> a) agrees with the link over `steps` other links.
  bool closes(const Link& l, const Rigid& around, int steps) const {
    const Vec2 direct = apply(l.bToA, l.anchorInB), viaLoop = apply(around, l.anchorInB);
    const double tolerance = options_.pixelTolerance * std::sqrt(static_cast<double>(steps));
    return std::hypot(direct.x - viaLoop.x, direct.y - viaLoop.y) <= tolerance &&
           std::fabs(wrapAngle(l.bToA.angle - around.angle)) <= options_.angleTolerance * steps;
  }

  int32_t pieces_;
  std::vector<std::vector<Step>> steps_;    // per piece, every step away from it
  std::vector<std::vector<Step>> between_;  // per (from, to), the steps between the two
  const SolveOptions& options_;
};

}  // namespace

std::vector<double> loopSupportedWeights(int32_t pieces, const std::vector<Link>& links,
                                         const SolveOptions& options) {
  const LoopFinder finder(pieces, links, options);
  std::vector<double> weights;
  for (const Link& l : links) weights.push_back(l.weight + finder.support(l));
  return weights;
}

}  // namespace tessaly::stitch::verified
