#include "verified_fit.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <queue>

namespace tessaly::stitch::verified {

namespace {

// Solves the dense system m x = v (n x n, row-major) by elimination with partial pivoting. A
// column without a usable pivot (a node no link constrains) gets 0.
std::vector<double> solveDense(std::vector<double> m, std::vector<double> v, size_t n) {
  for (size_t col = 0; col < n; ++col) {
    size_t pivot = col;
    for (size_t r = col + 1; r < n; ++r) {
      if (std::fabs(m[r * n + col]) > std::fabs(m[pivot * n + col])) pivot = r;
    }
    if (std::fabs(m[pivot * n + col]) < 1e-12) continue;
    if (pivot != col) {
      for (size_t c = 0; c < n; ++c) std::swap(m[col * n + c], m[pivot * n + c]);
      std::swap(v[col], v[pivot]);
    }
    for (size_t r = col + 1; r < n; ++r) {
      const double f = m[r * n + col] / m[col * n + col];
      if (f == 0) continue;
      for (size_t c = col; c < n; ++c) m[r * n + c] -= f * m[col * n + c];
      v[r] -= f * v[col];
    }
  }
  std::vector<double> x(n, 0);
  for (size_t i = n; i-- > 0;) {
    if (std::fabs(m[i * n + i]) < 1e-12) continue;
    double sum = v[i];
    for (size_t c = i + 1; c < n; ++c) sum -= m[i * n + c] * x[c];
    x[i] = sum / m[i * n + i];
  }
  return x;
}

// Nodes reachable from `from` over the used links.
std::vector<bool> reachable(int32_t nodes, const std::vector<FitLink>& links,
                            const std::vector<bool>& use, int32_t from) {
  std::vector<std::vector<int32_t>> next(nodes);
  for (size_t k = 0; k < links.size(); ++k) {
    if (!use[k]) continue;
    next[links[k].a].push_back(links[k].b);
    next[links[k].b].push_back(links[k].a);
  }
  std::vector<bool> seen(nodes, false);
  std::vector<int32_t> stack{from};
  seen[from] = true;
  while (!stack.empty()) {
    const int32_t n = stack.back();
    stack.pop_back();
    for (int32_t m : next[n]) {
      if (!seen[m]) {
        seen[m] = true;
        stack.push_back(m);
      }
    }
  }
  return seen;
}

bool allReached(const std::vector<bool>& seen) {
  return std::all_of(seen.begin(), seen.end(), [](bool b) { return b; });
}

// True when dropping link `dropped` (already marked unused) reaches as many nodes as before.
bool allReachedAs(const std::vector<bool>& without, int32_t nodes,
                  const std::vector<FitLink>& links, std::vector<bool> use, size_t dropped,
                  int32_t anchor) {
  use[dropped] = true;
  const std::vector<bool> with = reachable(nodes, links, use, anchor);
  return std::count(without.begin(), without.end(), true) ==
         std::count(with.begin(), with.end(), true);
}

}  // namespace

Rigid fitPair(const std::vector<PointPair>& points) {
  if (points.empty()) return {};
  Vec2 ca, cb;
  for (const PointPair& p : points) {
    ca.x += p.inA.x;
    ca.y += p.inA.y;
    cb.x += p.inB.x;
    cb.y += p.inB.y;
  }
  const double n = static_cast<double>(points.size());
  ca = {ca.x / n, ca.y / n};
  cb = {cb.x / n, cb.y / n};
  double dot = 0, cross = 0;
  for (const PointPair& p : points) {
    const double bx = p.inB.x - cb.x, by = p.inB.y - cb.y;
    const double ax = p.inA.x - ca.x, ay = p.inA.y - ca.y;
    dot += bx * ax + by * ay;
    cross += bx * ay - by * ax;
  }
  const double angle = (dot == 0 && cross == 0) ? 0 : std::atan2(cross, dot);
  const Vec2 rotated = apply(Rigid{angle, 0, 0}, cb);
  return {angle, ca.x - rotated.x, ca.y - rotated.y};
}

double linkResidual(const FitLink& link, const std::vector<Rigid>& poses) {
  if (link.points.empty()) return 0;
  double sum = 0;
  for (const PointPair& p : link.points) {
    const Vec2 a = apply(poses[link.a], p.inA), b = apply(poses[link.b], p.inB);
    sum += (a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y);
  }
  return std::sqrt(sum / link.points.size());
}

std::vector<Rigid> treePoses(int32_t nodes, const std::vector<FitLink>& links,
                             const std::vector<bool>& use, int32_t anchor, bool& connected) {
  // Heaviest links first (weight times point count): Kruskal's spanning forest.
  std::vector<size_t> order;
  for (size_t k = 0; k < links.size(); ++k) {
    if (use[k] && !links[k].points.empty()) order.push_back(k);
  }
  std::stable_sort(order.begin(), order.end(), [&](size_t x, size_t y) {
    return links[x].weight * links[x].points.size() > links[y].weight * links[y].points.size();
  });
  std::vector<int32_t> parent(nodes);
  std::iota(parent.begin(), parent.end(), 0);
  const auto root = [&](int32_t n) {
    while (parent[n] != n) n = parent[n] = parent[parent[n]];
    return n;
  };
  std::vector<std::vector<std::pair<int32_t, size_t>>> tree(nodes);
  for (size_t k : order) {
    const int32_t ra = root(links[k].a), rb = root(links[k].b);
    if (ra == rb) continue;
    parent[ra] = rb;
    tree[links[k].a].push_back({links[k].b, k});
    tree[links[k].b].push_back({links[k].a, k});
  }

  std::vector<Rigid> poses(nodes);
  std::vector<bool> seen(nodes, false);
  std::queue<int32_t> queue;
  queue.push(anchor);
  seen[anchor] = true;
  while (!queue.empty()) {
    const int32_t n = queue.front();
    queue.pop();
    for (const auto& [m, k] : tree[n]) {
      if (seen[m]) continue;
      const Rigid bToA = fitPair(links[k].points);
      poses[m] = links[k].a == n ? compose(poses[n], bToA) : compose(poses[n], inverse(bToA));
      seen[m] = true;
      queue.push(m);
    }
  }
  connected = allReached(seen);
  return poses;
}

void refinePoses(const std::vector<FitLink>& links, const std::vector<bool>& use, int32_t anchor,
                 int32_t iterations, std::vector<Rigid>& poses) {
  const size_t nodes = poses.size();
  const auto slot = [&](int32_t node) -> int64_t {
    if (node == anchor) return -1;
    return 3 * static_cast<int64_t>(node < anchor ? node : node - 1);
  };
  const size_t n = 3 * (nodes - 1);
  if (n == 0) return;
  for (int32_t it = 0; it < iterations; ++it) {
    std::vector<double> normal(n * n, 0), rhs(n, 0);
    for (size_t k = 0; k < links.size(); ++k) {
      if (!use[k]) continue;
      const FitLink& link = links[k];
      const Rigid& pa = poses[link.a];
      const Rigid& pb = poses[link.b];
      for (const PointPair& p : link.points) {
        const Vec2 a = apply(pa, p.inA), b = apply(pb, p.inB);
        // d(R(angle) q)/d(angle) = (-(y - ty), x - tx) of the mapped point.
        const double dax = -(a.y - pa.ty), day = a.x - pa.tx;
        const double dbx = -(b.y - pb.ty), dby = b.x - pb.tx;
        const double residual[2] = {a.x - b.x, a.y - b.y};
        // Jacobian rows (x and y residual) over the six parameters of the two nodes.
        const double jx[6] = {dax, 1, 0, -dbx, -1, 0};
        const double jy[6] = {day, 0, 1, -dby, 0, -1};
        const int64_t slots[2] = {slot(link.a), slot(link.b)};
        for (int row = 0; row < 2; ++row) {
          const double* j = row == 0 ? jx : jy;
          for (int u = 0; u < 6; ++u) {
            const int64_t su = slots[u / 3];
            if (su < 0 || j[u] == 0) continue;
            rhs[su + u % 3] -= link.weight * j[u] * residual[row];
            for (int v = 0; v < 6; ++v) {
              const int64_t sv = slots[v / 3];
              if (sv < 0 || j[v] == 0) continue;
              normal[(su + u % 3) * n + sv + v % 3] += link.weight * j[u] * j[v];
            }
          }
        }
      }
    }
    const std::vector<double> step = solveDense(std::move(normal), std::move(rhs), n);
    double largest = 0;
    for (size_t node = 0; node < nodes; ++node) {
      const int64_t s = slot(static_cast<int32_t>(node));
      if (s < 0) continue;
      Rigid& pose = poses[node];
      pose = {wrapAngle(pose.angle + step[s]), pose.tx + step[s + 1], pose.ty + step[s + 2]};
      largest = std::max(
          {largest, std::fabs(step[s + 1]), std::fabs(step[s + 2]), std::fabs(step[s]) * 1000});
    }
    if (largest < 1e-4) break;
  }
}

FitResult fitGlobal(int32_t nodes, const std::vector<FitLink>& links, const FitOptions& options) {
  FitResult result;
  result.kept.assign(links.size(), true);
  for (size_t k = 0; k < links.size(); ++k) result.kept[k] = !links[k].points.empty();
  std::vector<bool> bridge(links.size(), false);  // links that cannot go without cutting a node off
  while (true) {
    result.poses = treePoses(nodes, links, result.kept, options.anchor, result.connected);
    refinePoses(links, result.kept, options.anchor, options.iterations, result.poses);
    result.residual.assign(links.size(), 0);
    for (size_t k = 0; k < links.size(); ++k)
      result.residual[k] = linkResidual(links[k], result.poses);

    // The worst link that may go: it disagrees with the loops through it.
    int64_t worst = -1;
    for (size_t k = 0; k < links.size(); ++k) {
      if (!result.kept[k] || bridge[k] || result.residual[k] <= options.loopTolerance) continue;
      if (worst < 0 || result.residual[k] > result.residual[worst]) worst = static_cast<int64_t>(k);
    }
    if (worst < 0) break;
    result.kept[worst] = false;
    // A bridge has no loop to disagree with; its misfit is its own and it stays.
    if (!allReachedAs(reachable(nodes, links, result.kept, options.anchor), nodes, links,
                      result.kept, worst, options.anchor)) {
      result.kept[worst] = true;
      bridge[worst] = true;
    }
  }
  return result;
}

}  // namespace tessaly::stitch::verified
