#include "verified_solve.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <queue>

#include "verified_fit.h"
#include "verified_solve_loops.h"

namespace tessaly::stitch::verified {

namespace {

// Hypotheses that the finer level did not confirm still count, but less.
constexpr double kUnconfirmedShare = 0.75;
// Rivals kept per pair of pieces, and the pieces each piece may be linked with (a piece of a grid
// overlaps at most eight others): bounds on the work that leave every real neighbour in.
constexpr size_t kLinksPerPair = 6;
constexpr size_t kNeighboursPerPiece = 8;
// Rounds of cut improvements; each round visits every tree link once.
constexpr int kMostRounds = 8;

bool agreesWith(const Link& link, const Rigid& poseA, const Rigid& poseB,
                const SolveOptions& options) {
  const Vec2 viaA = apply(poseA, apply(link.bToA, link.anchorInB));
  const Vec2 viaB = apply(poseB, link.anchorInB);
  const double distance = std::hypot(viaA.x - viaB.x, viaA.y - viaB.y);
  const double turn = wrapAngle(poseA.angle + link.bToA.angle - poseB.angle);
  return distance <= options.pixelTolerance && std::fabs(turn) <= options.angleTolerance;
}

// Poses along the tree, outward from piece 0 and from the first piece of every other component.
std::vector<Rigid> posesAlong(int32_t pieces, const std::vector<Link>& links,
                              const std::vector<size_t>& tree, std::vector<int32_t>& component) {
  std::vector<std::vector<size_t>> touching(pieces);
  for (size_t k : tree) {
    touching[links[k].a].push_back(k);
    touching[links[k].b].push_back(k);
  }
  std::vector<Rigid> poses(pieces);
  component.assign(pieces, -1);
  for (int32_t start = 0; start < pieces; ++start) {
    if (component[start] >= 0) continue;
    component[start] = start;
    std::queue<int32_t> queue;
    queue.push(start);
    while (!queue.empty()) {
      const int32_t n = queue.front();
      queue.pop();
      for (size_t k : touching[n]) {
        const Link& l = links[k];
        const int32_t m = l.a == n ? l.b : l.a;
        if (component[m] >= 0) continue;
        poses[m] = l.a == n ? compose(poses[n], l.bToA) : compose(poses[n], inverse(l.bToA));
        component[m] = start;
        queue.push(m);
      }
    }
  }
  return poses;
}

// The pieces on the far side of tree link `cut` (the side of its piece b).
std::vector<bool> farSide(int32_t pieces, const std::vector<Link>& links,
                          const std::vector<size_t>& tree, size_t cut) {
  std::vector<std::vector<int32_t>> next(pieces);
  for (size_t k : tree) {
    if (k == cut) continue;
    next[links[k].a].push_back(links[k].b);
    next[links[k].b].push_back(links[k].a);
  }
  std::vector<bool> side(pieces, false);
  std::vector<int32_t> stack{links[cut].b};
  side[links[cut].b] = true;
  while (!stack.empty()) {
    const int32_t n = stack.back();
    stack.pop_back();
    for (int32_t m : next[n]) {
      if (!side[m]) {
        side[m] = true;
        stack.push_back(m);
      }
    }
  }
  return side;
}

// How one cut of the tree could be bridged: every link across it, and the evidence for the
// placement of the far side that each of them implies. Each crossing link is reduced to the two
// places its anchor lands in the common frame (through either piece) and the angle between them,
// so that trying a motion of the far side costs one rotation per link.
class CutVote {
 public:
  CutVote(const std::vector<Link>& links, const std::vector<Rigid>& poses,
          const std::vector<bool>& far, const std::vector<int32_t>& component, int32_t which,
          const SolveOptions& options)
      : links_(links), options_(options) {
    for (size_t k = 0; k < links.size(); ++k) {
      const Link& l = links[k];
      if (component[l.a] != which || component[l.b] != which || far[l.a] == far[l.b]) continue;
      Crossing c;
      c.link = k;
      c.farIsB = far[l.b];
      const Vec2 viaA = apply(poses[l.a], apply(l.bToA, l.anchorInB));
      const Vec2 viaB = apply(poses[l.b], l.anchorInB);
      c.nearPoint = c.farIsB ? viaA : viaB;
      c.farPoint = c.farIsB ? viaB : viaA;
      c.turn = wrapAngle(poses[l.a].angle + l.bToA.angle - poses[l.b].angle);
      c.pair = {std::min(l.a, l.b), std::max(l.a, l.b)};
      crossing_.push_back(c);
    }
  }

  size_t size() const { return crossing_.size(); }
  size_t link(size_t i) const { return crossing_[i].link; }

  // The motion of the far side that makes crossing link i hold exactly.
  Rigid correctionFor(size_t i) const {
    const Crossing& c = crossing_[i];
    const double angle = c.farIsB ? c.turn : -c.turn;
    const Vec2 turned = apply(Rigid{angle, 0, 0}, c.farPoint);
    return {angle, c.nearPoint.x - turned.x, c.nearPoint.y - turned.y};
  }

  bool agreesUnder(size_t i, const Rigid& correction) const {
    return agreesUnder(crossing_[i], correction, std::cos(correction.angle),
                       std::sin(correction.angle));
  }

  // Evidence for the far side moved by `correction`: per pair of pieces across the cut, the best
  // weight among its links that agree.
  double evidence(const Rigid& correction) const {
    const double cosine = std::cos(correction.angle), sine = std::sin(correction.angle);
    std::map<std::pair<int32_t, int32_t>, double> best;
    for (const Crossing& c : crossing_) {
      if (!agreesUnder(c, correction, cosine, sine)) continue;
      double& w = best[c.pair];
      w = std::max(w, links_[c.link].weight);
    }
    double sum = 0;
    for (const auto& entry : best) sum += entry.second;
    return sum;
  }

 private:
  struct Crossing {
    size_t link = 0;
    bool farIsB = true;
    Vec2 nearPoint, farPoint;  // the anchor in the common frame through each piece
    double turn = 0;           // angle of the link's relation left over by the poses
    std::pair<int32_t, int32_t> pair;
  };

  bool agreesUnder(const Crossing& c, const Rigid& m, double cosine, double sine) const {
    const double x = cosine * c.farPoint.x - sine * c.farPoint.y + m.tx;
    const double y = sine * c.farPoint.x + cosine * c.farPoint.y + m.ty;
    const double turn = wrapAngle(c.farIsB ? c.turn - m.angle : c.turn + m.angle);
    return std::hypot(x - c.nearPoint.x, y - c.nearPoint.y) <= options_.pixelTolerance &&
           std::fabs(turn) <= options_.angleTolerance;
  }

  const std::vector<Link>& links_;
  const SolveOptions& options_;
  std::vector<Crossing> crossing_;
};

// Kruskal's spanning forest over the links, heaviest first by `weights`.
std::vector<size_t> heaviestForest(int32_t pieces, const std::vector<Link>& links,
                                   const std::vector<double>& weights) {
  std::vector<size_t> order(links.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t x, size_t y) { return weights[x] > weights[y]; });
  std::vector<int32_t> parent(pieces);
  std::iota(parent.begin(), parent.end(), 0);
  const auto root = [&](int32_t n) {
    while (parent[n] != n) n = parent[n] = parent[parent[n]];
    return n;
  };
  std::vector<size_t> tree;
  for (size_t k : order) {
    const int32_t ra = root(links[k].a), rb = root(links[k].b);
    if (ra == rb) continue;
    parent[ra] = rb;
    tree.push_back(k);
  }
  return tree;
}

// Replaces tree links by the best-supported way across their cut until none improves.
void improveCuts(int32_t pieces, const std::vector<Link>& links, std::vector<size_t>& tree,
                 const SolveOptions& options) {
  for (int round = 0; round < kMostRounds; ++round) {
    bool changed = false;
    for (size_t slot = 0; slot < tree.size(); ++slot) {
      std::vector<int32_t> component;
      const std::vector<Rigid> poses = posesAlong(pieces, links, tree, component);
      const std::vector<bool> far = farSide(pieces, links, tree, tree[slot]);
      const CutVote vote(links, poses, far, component, component[links[tree[slot]].a], options);
      double bestEvidence = -1;
      size_t best = tree[slot];
      for (size_t i = 0; i < vote.size(); ++i) {
        if (vote.link(i) == tree[slot]) bestEvidence = vote.evidence(vote.correctionFor(i));
      }
      for (size_t i = 0; i < vote.size(); ++i) {
        const double e = vote.evidence(vote.correctionFor(i));
        if (e > bestEvidence + 1e-9) {
          bestEvidence = e;
          best = vote.link(i);
        }
      }
      if (best != tree[slot]) {
        tree[slot] = best;
        changed = true;
      }
    }
    if (!changed) return;
  }
}

// The evidence the tree's poses explain: per pair of pieces, the best weight among its links
// that agree with them.
double explainedEvidence(int32_t pieces, const std::vector<Link>& links,
                         const std::vector<size_t>& tree, const SolveOptions& options) {
  std::vector<int32_t> component;
  const std::vector<Rigid> poses = posesAlong(pieces, links, tree, component);
  std::map<std::pair<int32_t, int32_t>, double> best;
  for (const Link& l : links) {
    if (component[l.a] != component[l.b] || !agreesWith(l, poses[l.a], poses[l.b], options))
      continue;
    double& w = best[{std::min(l.a, l.b), std::max(l.a, l.b)}];
    w = std::max(w, l.weight);
  }
  double sum = 0;
  for (const auto& entry : best) sum += entry.second;
  return sum;
}

// The spanning tree to start from: Kruskal by loop-supported weight and by plain weight, each
// improved cut by cut; the one whose poses explain more evidence wins.
std::vector<size_t> bestTree(int32_t pieces, const std::vector<Link>& links,
                             const SolveOptions& options) {
  std::vector<double> plain;
  for (const Link& l : links) plain.push_back(l.weight);
  std::vector<size_t> best;
  double bestEvidence = -1;
  for (const std::vector<double>& weights : {loopSupportedWeights(pieces, links, options), plain}) {
    std::vector<size_t> tree = heaviestForest(pieces, links, weights);
    improveCuts(pieces, links, tree, options);
    const double evidence = explainedEvidence(pieces, links, tree, options);
    if (evidence > bestEvidence + 1e-9) {
      bestEvidence = evidence;
      best = std::move(tree);
    }
  }
  return best;
}

// Points of b's overlap with a (b's frame) paired with their place in a, for the fit.
std::vector<PointPair> overlapPoints(const Link& l, const std::vector<PieceSize>& sizes) {
  const PieceSize& a = sizes[l.a];
  const PieceSize& b = sizes[l.b];
  std::vector<PointPair> points;
  constexpr int kSteps = 6;
  for (int i = 0; i <= kSteps; ++i) {
    for (int j = 0; j <= kSteps; ++j) {
      const Vec2 inB{(b.width - 1) * i / double(kSteps), (b.height - 1) * j / double(kSteps)};
      const Vec2 inA = apply(l.bToA, inB);
      if (inA.x >= 0 && inA.y >= 0 && inA.x <= a.width - 1 && inA.y <= a.height - 1)
        points.push_back({inA, inB});
    }
  }
  if (points.size() < 3) {
    points.clear();
    for (const Vec2 d : {Vec2{0, 0}, Vec2{8, 0}, Vec2{0, 8}}) {
      const Vec2 inB{l.anchorInB.x + d.x, l.anchorInB.y + d.y};
      points.push_back({apply(l.bToA, inB), inB});
    }
  }
  return points;
}

// The margins of every cut under the tree's poses.
void measureCuts(int32_t pieces, const std::vector<Link>& links, Solution& s,
                 const SolveOptions& options) {
  std::vector<int32_t> component;
  const std::vector<Rigid> poses = posesAlong(pieces, links, s.treeLinks, component);
  for (size_t k : s.treeLinks) {
    const std::vector<bool> far = farSide(pieces, links, s.treeLinks, k);
    const CutVote vote(links, poses, far, component, component[links[k].a], options);
    const Rigid chosen{};  // the tree's own placement of the far side
    const double weight = vote.evidence(chosen);
    double rival = 0;
    int64_t rivalLink = -1;
    for (size_t i = 0; i < vote.size(); ++i) {
      if (vote.agreesUnder(i, chosen)) continue;
      const double e = vote.evidence(vote.correctionFor(i));
      if (e > rival) {
        rival = e;
        rivalLink = static_cast<int64_t>(vote.link(i));
      }
    }
    s.cutWeight.push_back(weight);
    s.cutMargin.push_back(weight - rival);
    s.cutRival.push_back(rivalLink);
  }
}

// Fits the poses to every link that agrees with the tree (the best one per pair of pieces).
void fitAgreeing(int32_t pieces, const std::vector<Link>& links,
                 const std::vector<PieceSize>& sizes, const SolveOptions& options, Solution& s) {
  std::vector<int32_t> component;
  s.poses = posesAlong(pieces, links, s.treeLinks, component);
  std::map<std::pair<int32_t, int32_t>, size_t> best;
  for (size_t k = 0; k < links.size(); ++k) {
    const Link& l = links[k];
    if (component[l.a] != component[l.b] || !agreesWith(l, s.poses[l.a], s.poses[l.b], options))
      continue;
    const auto key = std::make_pair(std::min(l.a, l.b), std::max(l.a, l.b));
    const auto found = best.find(key);
    if (found == best.end() || links[found->second].weight < l.weight) best[key] = k;
  }
  std::vector<FitLink> fitLinks;
  std::vector<size_t> source;
  for (const auto& entry : best) {
    const Link& l = links[entry.second];
    FitLink f{l.a, l.b, overlapPoints(l, sizes), 0};
    f.weight = l.weight / f.points.size();
    fitLinks.push_back(std::move(f));
    source.push_back(entry.second);
  }
  FitOptions fit;
  fit.loopTolerance = options.loopTolerance;
  const FitResult result = fitGlobal(pieces, fitLinks, fit);
  s.connected = result.connected;
  s.keptLinks.clear();
  for (size_t k = 0; k < fitLinks.size(); ++k) {
    if (result.kept[k]) s.keptLinks.push_back(source[k]);
  }
  if (result.connected) s.poses = result.poses;
}

void judge(Solution& s, const SolveOptions& options) {
  s.supported = s.connected;
  s.support = s.connected ? 1.0 : 0.0;
  for (size_t i = 0; i < s.treeLinks.size(); ++i) {
    const double w = s.cutWeight[i], margin = s.cutMargin[i];
    if (w < options.minCutWeight || margin < options.minCutMargin) s.supported = false;
    s.support = std::min(s.support, w > 0 ? std::clamp(margin / w, 0.0, 1.0) : 0.0);
  }
}

// Keeps the heaviest kLinksPerPair links of every pair, and only pairs among the
// kNeighboursPerPiece strongest partners of at least one of their pieces.
std::vector<Link> strongest(int32_t pieces, std::vector<Link> links) {
  std::stable_sort(links.begin(), links.end(),
                   [](const Link& x, const Link& y) { return x.weight > y.weight; });
  std::map<std::pair<int32_t, int32_t>, size_t> perPair;
  std::vector<std::vector<int32_t>> partners(pieces);  // in order of their best link
  std::vector<Link> kept;
  for (const Link& l : links) {
    size_t& n = perPair[{std::min(l.a, l.b), std::max(l.a, l.b)}];
    if (n == 0) {
      partners[l.a].push_back(l.b);
      partners[l.b].push_back(l.a);
    }
    ++n;
    if (n > kLinksPerPair) continue;
    const auto near = [&](int32_t from, int32_t to) {
      const std::vector<int32_t>& p = partners[from];
      const auto at = std::find(p.begin(), p.end(), to);
      return static_cast<size_t>(at - p.begin()) < kNeighboursPerPiece;
    };
    if (near(l.a, l.b) || near(l.b, l.a)) kept.push_back(l);
  }
  return kept;
}

}  // namespace

std::vector<Link> linksFrom(const std::vector<PieceSize>& sizes,
                            const std::vector<PairHypothesis>& hypotheses,
                            const SolveOptions& options) {
  const int32_t pieces = static_cast<int32_t>(sizes.size());
  std::vector<Link> links;
  for (size_t k = 0; k < hypotheses.size(); ++k) {
    const PairHypothesis& h = hypotheses[k];
    if (h.a < 0 || h.b < 0 || h.a >= pieces || h.b >= pieces || h.a == h.b) continue;
    if (!(h.score >= options.minScore)) continue;
    const PieceSize& a = sizes[h.a];
    const PieceSize& b = sizes[h.b];
    Link l;
    l.a = h.a;
    l.b = h.b;
    l.bToA = compose(h.bToA, quarterTurnMotion(h.quarterTurnsB, b.width, b.height));
    const Vec2 centreB{(b.width - 1) / 2.0, (b.height - 1) / 2.0};
    const Vec2 centreAInB = apply(inverse(l.bToA), {(a.width - 1) / 2.0, (a.height - 1) / 2.0});
    l.anchorInB = {(centreB.x + centreAInB.x) / 2, (centreB.y + centreAInB.y) / 2};
    l.weight = std::min(h.score, 1.0) * (h.confirmed ? 1.0 : kUnconfirmedShare);
    l.hypothesis = k;
    links.push_back(l);
  }
  return strongest(pieces, std::move(links));
}

bool agrees(const Link& link, const std::vector<Rigid>& poses, const SolveOptions& options) {
  return agreesWith(link, poses[link.a], poses[link.b], options);
}

Solution solveLinks(int32_t pieces, const std::vector<Link>& links,
                    const std::vector<PieceSize>& sizes, const SolveOptions& options) {
  Solution s;
  s.treeLinks = bestTree(pieces, links, options);
  measureCuts(pieces, links, s, options);
  fitAgreeing(pieces, links, sizes, options, s);
  judge(s, options);
  return s;
}

Solution withSwappedLink(const Solution& solution, size_t slot, size_t replacement, int32_t pieces,
                         const std::vector<Link>& links, const std::vector<PieceSize>& sizes,
                         const SolveOptions& options) {
  Solution s;
  s.treeLinks = solution.treeLinks;
  s.treeLinks[slot] = replacement;
  measureCuts(pieces, links, s, options);
  fitAgreeing(pieces, links, sizes, options, s);
  judge(s, options);
  return s;
}

}  // namespace tessaly::stitch::verified
