#include "refine_pair.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <vector>

#include "refine_block_match.h"
#include "refine_consensus.h"
#include "refine_corners.h"
#include "refine_rigid_fit.h"
#include "worker_pool.h"

namespace tessaly::stitch {

namespace {

constexpr size_t kMostPoints = 40;
constexpr int32_t kThinOverlap = 12;

// A's full-resolution area moved into B's coordinates by the coarse translation (rotation left
// out), cut to B.
RECT overlapRectangle(const PairSetup& s, const Rigid& current) {
  const int64_t scale = int64_t{1} << s.level;
  const int64_t dx = -scale * truncated(current.tx), dy = -scale * truncated(current.ty);
  const auto clampTo = [](int64_t v, int64_t low, int64_t high) {
    return static_cast<int32_t>(std::clamp(v, low, high));
  };
  // Clamping to one past B on either side keeps an empty intersection empty.
  return {clampTo(std::max<int64_t>(dx, 0), -1, s.fullWidthB),
          clampTo(std::max<int64_t>(dy, 0), -1, s.fullHeightB),
          clampTo(std::min<int64_t>(s.fullWidthA - 1 + dx, s.fullWidthB - 1), -1, s.fullWidthB),
          clampTo(std::min<int64_t>(s.fullHeightA - 1 + dy, s.fullHeightB - 1), -1, s.fullHeightB)};
}

// The stored overlap at this level, cut to b. Later passes pull in the side facing away from A's
// edge by a tenth, keeping points away from where the overlap ends.
PixelBox workingBox(const RECT& stored, const PairSetup& s, const tagPixelArray& b) {
  RECT r = stored;
  if (!s.firstPass) {
    if (s.horizontal)
      r.right -= (r.right - r.left) / 10;
    else
      r.bottom -= (r.bottom - r.top) / 10;
  }
  return {std::max(r.left >> s.level, 0), std::max(r.top >> s.level, 0),
          std::min(r.right >> s.level, b.width - 1), std::min(r.bottom >> s.level, b.height - 1)};
}

PixelBox inset(const PixelBox& box, bool firstPass) {
  if (firstPass) return {box.left + 2, box.top + 2, box.right - 2, box.bottom - 2};
  return {box.left + 4, box.top + 4, box.right - 3, box.bottom - 3};
}

bool allOnOneLine(const std::vector<Point>& points) {
  const size_t n = points.size();
  for (size_t i = 0; i < n; ++i) {
    for (size_t j = i + 1; j < n; ++j) {
      for (size_t k = j + 1; k < n; ++k) {
        if (!onOneLine(points[i], points[j], points[k])) return false;
      }
    }
  }
  return true;
}

// Where `p` of B should lie in A: on the first pass the coarse translation alone, later the whole
// transform of the coarser level with its translation doubled.
Point predict(const Rigid& current, Point p, bool firstPass) {
  if (firstPass) return {p.x + truncated(current.tx), p.y + truncated(current.ty)};
  const Rigid scaled{current.theta, 2 * current.tx, 2 * current.ty};
  return {truncated(scaled.mapX(p.x, p.y)), truncated(scaled.mapY(p.x, p.y))};
}

PixelBox searchArea(Point prediction, bool firstPass, const tagPixelArray& a) {
  const int32_t before = firstPass ? 6 : 11, after = firstPass ? 7 : 12;
  return {std::max(prediction.x - before, 0), std::max(prediction.y - before, 0),
          std::min(prediction.x + after, a.width - 1),
          std::min(prediction.y + after, a.height - 1)};
}

std::vector<Correspondence> matchPoints(const tagPixelArray& a, const tagPixelArray& b,
                                        const std::vector<Point>& points, const Rigid& current,
                                        bool firstPass) {
  // Each point is matched on any worker into its own slot; the kept ones go out in point order.
  std::vector<std::optional<Correspondence>> found(points.size());
  parallelFor(points.size(), [&](size_t i) {
    const Point& p = points[i];
    const Point prediction = predict(current, p, firstPass);
    const BlockMatch m = matchBlock(b, p, a, searchArea(prediction, firstPass, a), prediction);
    if (!m.found) return;
    const bool wellInside = m.centre.x >= 2 && m.centre.y >= 2 && m.centre.x <= a.width - 3 &&
                            m.centre.y <= a.height - 3;
    const bool keep = firstPass ? m.strength > 0 : m.strength > 8 && wellInside;
    if (keep) found[i] = Correspondence{m.centre.x, m.centre.y, p.x, p.y};
  });
  std::vector<Correspondence> matches;
  for (const std::optional<Correspondence>& m : found) {
    if (m) matches.push_back(*m);
  }
  return matches;
}

// Drops matches that go the wrong way along the pair or stray a quarter of A across it.
void dropImplausible(std::vector<Correspondence>& matches, const tagPixelArray& a,
                     bool horizontal) {
  std::erase_if(matches, [&](const Correspondence& m) {
    if (horizontal) return m.xA < m.xB || std::abs(m.yA - m.yB) >= a.height / 4;
    return m.yA < m.yB || std::abs(m.xA - m.xB) >= a.width / 4;
  });
}

// Three points of B spread over the box, each with its image under the current transform, so
// that fitting them gives back that transform.
std::vector<Correspondence> syntheticMatches(const PixelBox& box, const Rigid& current,
                                             bool firstPass) {
  const int32_t w = box.right - box.left, h = box.bottom - box.top;
  const Point points[3] = {{box.left + w / 3, box.top + h / 3},
                           {box.left + 2 * w / 3, box.top + 2 * h / 3},
                           {box.left + w / 3, box.top + 2 * h / 3}};
  const Rigid image = firstPass ? Rigid{0, current.tx, current.ty}
                                : Rigid{current.theta, 2 * current.tx, 2 * current.ty};
  std::vector<Correspondence> matches;
  for (const Point& p : points) {
    matches.push_back({truncated(std::round(image.mapX(p.x, p.y))),
                       truncated(std::round(image.mapY(p.x, p.y))), p.x, p.y});
  }
  return matches;
}

}  // namespace

void findCorrespondences(const tagPixelArray& a, const tagPixelArray& b, const PairSetup& setup,
                         PairAlignment& pair) {
  const Rigid current = Rigid::of(pair.transform);
  if (setup.firstPass) pair.overlap = overlapRectangle(setup, current);
  const PixelBox box = workingBox(pair.overlap, setup, b);
  const int32_t extent = setup.horizontal ? box.right - box.left : box.bottom - box.top;

  std::vector<Correspondence> matches;
  if (extent > kThinOverlap) {
    const PixelBox inner = inset(box, setup.firstPass);
    const int32_t spacing = std::clamp(std::min(inner.width(), inner.height()) / 20, 4, 32);
    const std::vector<Point> points = spreadPoints(findCorners(b, inner), spacing, kMostPoints);
    const bool enough = points.size() > 2 && !(setup.firstPass && allOnOneLine(points));
    if (enough) matches = matchPoints(a, b, points, current, setup.firstPass);
    dropImplausible(matches, a, setup.horizontal);
  }
  const bool consistent =
      setup.firstPass ? matches.size() > 2 : matches.size() >= 3 && keepConsensus(matches).found;
  pair.matches = consistent ? std::move(matches) : syntheticMatches(box, current, setup.firstPass);
}

void fitPairTransform(PairAlignment& pair) {
  if (pair.matches.empty()) return;
  pair.transform = fitRigid(pair.matches.data(), pair.matches.size()).toTransform();
}

}  // namespace tessaly::stitch
