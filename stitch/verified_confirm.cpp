#include "verified_confirm.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <opencv2/imgproc.hpp>
#include <vector>

#include "verified_pose.h"
#include "verified_signal.h"

namespace tessaly::stitch::verified {

namespace {

// An overlap needs this many textured pixels, and this share of its area textured, before its
// correlation counts as evidence.
constexpr int64_t kMinTexturedPixels = 64;
constexpr double kMinTexturedShare = 0.02;
// The local search compares at most this many of b's textured pixels per offset.
constexpr size_t kMaxSamples = 3000;

// The box in a's pixels that turned b's corners span under bToA, clipped to a.
cv::Rect overlapBox(const cv::Mat1f& a, int width, int height, const Rigid& bToA) {
  const Affine m = affineOf(bToA);
  double x0 = 1e18, y0 = 1e18, x1 = -1e18, y1 = -1e18;
  for (const auto& [u, v] : std::array<std::array<double, 2>, 4>{
           {{0.0, 0.0}, {width - 1.0, 0.0}, {0.0, height - 1.0}, {width - 1.0, height - 1.0}}}) {
    double x = 0, y = 0;
    m.apply(u, v, x, y);
    x0 = std::min(x0, x);
    y0 = std::min(y0, y);
    x1 = std::max(x1, x);
    y1 = std::max(y1, y);
  }
  const int left = std::max(0, static_cast<int>(std::ceil(x0)));
  const int top = std::max(0, static_cast<int>(std::ceil(y0)));
  const int right = std::min(a.cols, static_cast<int>(std::floor(x1)) + 1);
  const int bottom = std::min(a.rows, static_cast<int>(std::floor(y1)) + 1);
  if (right <= left || bottom <= top) return {};
  return {left, top, right - left, bottom - top};
}

// Offsets of the local search run in blocks of this many side by side, so that the inner loop
// is one fixed-length vector operation.
constexpr int kLanes = 8;

int lanesFor(int margin) {
  return (2 * margin + 1 + kLanes - 1) / kLanes * kLanes;
}

// a's signal on `box` grown by `margin` on every side, zero outside a; with spare zero columns
// on the right so that a block of offsets never reads past a row's end.
cv::Mat1f paddedWindow(const cv::Mat1f& a, const cv::Rect& box, int margin) {
  const int spare = lanesFor(margin) - (2 * margin + 1);
  cv::Mat1f out(box.height + 2 * margin, box.width + 2 * margin + spare, 0.0F);
  const cv::Rect grown(box.x - margin, box.y - margin, box.width + 2 * margin,
                       box.height + 2 * margin);
  const cv::Rect inside = grown & cv::Rect(0, 0, a.cols, a.rows);
  a(inside).copyTo(
      out(cv::Rect(inside.x - grown.x, inside.y - grown.y, inside.width, inside.height)));
  return out;
}

struct ShiftScores {
  int margin = 0;
  std::vector<double> score;  // (2 margin + 1)^2, row by row; -1 where undefined
  double at(int dx, int dy) const {
    return score[static_cast<size_t>((dy + margin) * (2 * margin + 1) + dx + margin)];
  }
};

// A sparse sample of b's textured pixels on the overlap: where each lies in a's window (an
// index into the window's pixels) and b's value there.
struct Samples {
  std::vector<int32_t> windowIndex;
  std::vector<float> value;
  std::vector<int32_t> boxX;  // the pixel in the overlap's box
  std::vector<int32_t> boxY;
};

// Every step-th pixel of b that is inside and textured, step chosen so that at most
// kMaxSamples remain.
Samples texturedSamples(const WarpedOverlap& w, int windowCols, int margin) {
  int64_t textured = 0;
  for (int y = 0; y < w.box.height; ++y) {
    const float* b = w.b.ptr<float>(y);
    int32_t count = 0;
    for (int x = w.rowFrom[y]; x < w.rowTo[y]; ++x) count += std::abs(b[x]) > kTexturedLevel;
    textured += count;
  }
  const int64_t step = std::max<int64_t>(1, textured / static_cast<int64_t>(kMaxSamples));
  Samples out;
  int64_t seen = 0;
  for (int y = 0; y < w.box.height; ++y) {
    const float* b = w.b.ptr<float>(y);
    for (int x = w.rowFrom[y]; x < w.rowTo[y]; ++x) {
      if (std::abs(b[x]) <= kTexturedLevel) continue;
      if (seen++ % step != 0) continue;
      out.windowIndex.push_back((y + margin) * windowCols + x + margin);
      out.value.push_back(b[x]);
      out.boxX.push_back(x);
      out.boxY.push_back(y);
    }
  }
  return out;
}

// The samples' places with b moved to `bToA`: b's value there, read by bilinear interpolation;
// places that fall outside b are dropped.
Samples resampled(const Samples& samples, const cv::Mat1f& b, int turnsB, const Rigid& bToA,
                  const cv::Rect& box) {
  int width = 0, height = 0;
  turnedSize(turnsB, b.cols, b.rows, width, height);
  const Affine boxToA{1, 0, static_cast<double>(box.x), 0, 1, static_cast<double>(box.y)};
  const Affine m =
      then(then(boxToA, inverse(affineOf(bToA))), turnedToUnturned(turnsB, b.cols, b.rows));
  Samples out;
  for (size_t i = 0; i < samples.value.size(); ++i) {
    double u = 0, v = 0;
    m.apply(samples.boxX[i], samples.boxY[i], u, v);
    if (!(u >= 0 && v >= 0 && u <= b.cols - 1 && v <= b.rows - 1)) continue;
    const int u0 = std::min(static_cast<int>(u), b.cols - 2 < 0 ? 0 : b.cols - 2);
    const int v0 = std::min(static_cast<int>(v), b.rows - 2 < 0 ? 0 : b.rows - 2);
    const int u1 = std::min(u0 + 1, b.cols - 1), v1 = std::min(v0 + 1, b.rows - 1);
    const double fu = u - u0, fv = v - v0;
    const float* top = b.ptr<float>(v0);
    const float* bottom = b.ptr<float>(v1);
    const double upper = top[u0] + fu * (top[u1] - top[u0]);
    const double lower = bottom[u0] + fu * (bottom[u1] - bottom[u0]);
    out.windowIndex.push_back(samples.windowIndex[i]);
    out.value.push_back(static_cast<float>(upper + fv * (lower - upper)));
  }
  return out;
}

// One block of offsets for one sample: a's values side by side against b's value.
inline void accumulate(const float* __restrict a, float b, float* __restrict product,
                       float* __restrict energy) {
  for (int k = 0; k < kLanes; ++k) {
    product[k] += a[k] * b;
    energy[k] += a[k] * a[k];
  }
}

// Correlation of the samples with a's window at every integer offset within margin. The
// accumulators run over the offsets in the inner loop, where a's values lie side by side.
ShiftScores shiftScores(const cv::Mat1f& window, const Samples& samples, int margin) {
  const int side = 2 * margin + 1;
  ShiftScores out{margin, std::vector<double>(static_cast<size_t>(side * side), -1.0)};
  const size_t count = samples.value.size();
  if (count < static_cast<size_t>(kMinTexturedPixels)) return out;
  double bEnergy = 0;
  for (float v : samples.value) bEnergy += static_cast<double>(v) * v;
  // Accumulators per offset row, `lanes` wide (the lanes beyond the side are never read).
  const int lanes = lanesFor(margin);
  std::vector<float> product(static_cast<size_t>(side * lanes), 0.0F);
  std::vector<float> energy(static_cast<size_t>(side * lanes), 0.0F);
  const float* base = window.ptr<float>(0);
  for (size_t i = 0; i < count; ++i) {
    const float bv = samples.value[i];
    for (int dy = 0; dy < side; ++dy) {
      const float* shifted = base + samples.windowIndex[i] +
                             static_cast<ptrdiff_t>(dy - margin) * window.cols - margin;
      float* p = product.data() + static_cast<ptrdiff_t>(dy) * lanes;
      float* e = energy.data() + static_cast<ptrdiff_t>(dy) * lanes;
      for (int block = 0; block < lanes; block += kLanes)
        accumulate(shifted + block, bv, p + block, e + block);
    }
  }
  for (int dy = 0; dy < side; ++dy) {
    for (int dx = 0; dx < side; ++dx) {
      const float pv = product[static_cast<size_t>(dy * lanes + dx)];
      const float ev = energy[static_cast<size_t>(dy * lanes + dx)];
      out.score[static_cast<size_t>(dy * side + dx)] =
          ev > 0 ? pv / std::sqrt(static_cast<double>(ev) * bEnergy) : 0.0;
    }
  }
  return out;
}

// The vertex of the parabola through (-1, left), (0, centre), (1, right), clamped to +-0.5.
double parabolaPeak(double left, double centre, double right) {
  const double curvature = left - 2 * centre + right;
  if (curvature >= 0) return 0;
  return std::clamp(0.5 * (left - right) / curvature, -0.5, 0.5);
}

struct BestShift {
  double score = -1;
  int dx = 0;
  int dy = 0;
  double fx = 0;  // sub-pixel offset
  double fy = 0;
};

BestShift bestShift(const ShiftScores& s) {
  BestShift best;
  for (int dy = -s.margin; dy <= s.margin; ++dy) {
    for (int dx = -s.margin; dx <= s.margin; ++dx) {
      if (s.at(dx, dy) > best.score) best = {s.at(dx, dy), dx, dy, 0, 0};
    }
  }
  best.fx = best.dx;
  best.fy = best.dy;
  if (best.score <= -1) return best;
  if (std::abs(best.dx) < s.margin)
    best.fx += parabolaPeak(s.at(best.dx - 1, best.dy), best.score, s.at(best.dx + 1, best.dy));
  if (std::abs(best.dy) < s.margin)
    best.fy += parabolaPeak(s.at(best.dx, best.dy - 1), best.score, s.at(best.dx, best.dy + 1));
  return best;
}

// Whether box pixel (x, y) maps inside b (width x height, unturned) under m.
bool mapsInside(const Affine& m, int x, int y, int width, int height) {
  double u = 0, v = 0;
  m.apply(x, y, u, v);
  return u >= 0 && v >= 0 && u <= width - 1 && v <= height - 1;
}

// The interval of x in [0, boxWidth) in which m maps (x, y) into the range [0, limit] of one
// coordinate that starts at `at` for x = 0 and changes by `slope` per pixel.
void narrowToRange(double at, double slope, double limit, double& lo, double& hi) {
  if (std::abs(slope) < 1e-12) {
    if (at < 0 || at > limit) hi = lo - 1;
    return;
  }
  double first = (0 - at) / slope, last = (limit - at) / slope;
  if (first > last) std::swap(first, last);
  lo = std::max(lo, first);
  hi = std::min(hi, last);
}

// The columns [from, to) of box row y that map inside b. The estimate from the line equations
// is settled with the exact test used everywhere else, pixel by pixel at its two ends only.
void insideSpan(const Affine& m, int y, int boxWidth, int width, int height, int& from, int& to) {
  double lo = 0, hi = boxWidth - 1;
  narrowToRange(m.xy * y + m.x0, m.xx, width - 1, lo, hi);
  narrowToRange(m.yy * y + m.y0, m.yx, height - 1, lo, hi);
  from = to = 0;
  if (hi < lo - 2) return;
  int first = std::clamp(static_cast<int>(std::ceil(lo)), 0, boxWidth - 1);
  int last = std::clamp(static_cast<int>(std::floor(hi)), 0, boxWidth - 1);
  if (last < first) last = first;
  while (first <= last && !mapsInside(m, first, y, width, height)) ++first;
  if (first > last) return;
  while (first > 0 && mapsInside(m, first - 1, y, width, height)) --first;
  while (!mapsInside(m, last, y, width, height)) --last;
  while (last + 1 < boxWidth && mapsInside(m, last + 1, y, width, height)) ++last;
  from = first;
  to = last + 1;
}

}  // namespace

bool warpOverlap(const cv::Mat1f& a, const cv::Mat1f& b, int turnsB, const Rigid& bToA,
                 WarpedOverlap& out) {
  int width = 0, height = 0;
  turnedSize(turnsB, b.cols, b.rows, width, height);
  out.box = overlapBox(a, width, height, bToA);
  out.insideCount = 0;
  if (out.box.empty()) return false;
  // Box pixel -> a's pixel -> turned b's pixel -> unturned b's pixel.
  const Affine boxToA{1, 0, static_cast<double>(out.box.x), 0, 1, static_cast<double>(out.box.y)};
  const Affine boxToTurned = then(boxToA, inverse(affineOf(bToA)));
  const Affine m = then(boxToTurned, turnedToUnturned(turnsB, b.cols, b.rows));
  const cv::Matx23d map(m.xx, m.xy, m.x0, m.yx, m.yy, m.y0);
  cv::warpAffine(b, out.b, map, out.box.size(), cv::INTER_LINEAR | cv::WARP_INVERSE_MAP,
                 cv::BORDER_CONSTANT, 0);
  out.inside.create(out.box.size());
  out.inside.setTo(0);
  out.rowFrom.assign(static_cast<size_t>(out.box.height), 0);
  out.rowTo.assign(static_cast<size_t>(out.box.height), 0);
  double sumX = 0, sumY = 0;
  for (int y = 0; y < out.box.height; ++y) {
    int from = 0, to = 0;
    insideSpan(m, y, out.box.width, b.cols, b.rows, from, to);
    if (to <= from) continue;
    out.rowFrom[y] = from;
    out.rowTo[y] = to;
    std::fill(out.inside.ptr<uint8_t>(y) + from, out.inside.ptr<uint8_t>(y) + to, uint8_t{1});
    const int64_t count = to - from;
    out.insideCount += count;
    sumX += static_cast<double>((static_cast<int64_t>(from) + to - 1) * count / 2);
    sumY += static_cast<double>(y) * static_cast<double>(count);
  }
  if (out.insideCount == 0) return false;
  boxToTurned.apply(sumX / out.insideCount, sumY / out.insideCount, out.bCentreX, out.bCentreY);
  return true;
}

OverlapMeasure measureOverlap(const cv::Mat1f& a, const WarpedOverlap& overlap) {
  OverlapMeasure m;
  double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
  int64_t n = 0;
  for (int y = 0; y < overlap.box.height; ++y) {
    const float* av = a.ptr<float>(overlap.box.y + y) + overlap.box.x;
    const float* bv = overlap.b.ptr<float>(y);
    for (int x = overlap.rowFrom[y]; x < overlap.rowTo[y]; ++x) {
      ++n;
      sa += av[x];
      sb += bv[x];
      saa += static_cast<double>(av[x]) * av[x];
      sbb += static_cast<double>(bv[x]) * bv[x];
      sab += static_cast<double>(av[x]) * bv[x];
      if (std::abs(av[x]) > kTexturedLevel || std::abs(bv[x]) > kTexturedLevel) ++m.texturedPixels;
    }
  }
  m.overlapPixels = n;
  if (n == 0) return m;
  const double varA = saa - sa * sa / n, varB = sbb - sb * sb / n;
  m.defined = m.texturedPixels >= kMinTexturedPixels &&
              m.texturedPixels >= kMinTexturedShare * static_cast<double>(n) && varA > 0 &&
              varB > 0;
  if (m.defined) m.score = (sab - sa * sb / n) / std::sqrt(varA * varB);
  return m;
}

double refinePlacement(const cv::Mat1f& a, const cv::Mat1f& b, int turnsB, Rigid& bToA, int margin,
                       double angleStep) {
  WarpedOverlap centre;
  if (!warpOverlap(a, b, turnsB, bToA, centre)) return -1;
  const double pivotX = centre.bCentreX, pivotY = centre.bCentreY;
  const int steps = angleStep != 0 ? 1 : 0;
  // The turned placements are judged on the same sample places as the centre one, with b read
  // at them directly: no second and third warp of the whole overlap.
  const cv::Mat1f window = paddedWindow(a, centre.box, margin);
  const Samples samples = texturedSamples(centre, window.cols, margin);
  std::array<BestShift, 3> best;
  std::array<Rigid, 3> poses;
  for (int k = -steps; k <= steps; ++k) {
    poses[k + 1] = turnedAbout(bToA, k * angleStep, pivotX, pivotY);
    const Samples turned =
        k == 0 ? Samples{} : resampled(samples, b, turnsB, poses[k + 1], centre.box);
    best[k + 1] = bestShift(shiftScores(window, k == 0 ? samples : turned, margin));
  }
  int pick = 1;
  if (steps != 0) {
    for (int k : {0, 2}) {
      if (best[k].score > best[pick].score) pick = k;
    }
  }
  if (best[pick].score <= -1) return -1;
  Rigid out = poses[pick];
  out.tx += best[pick].fx;
  out.ty += best[pick].fy;
  if (steps != 0 && pick == 1 && best[0].score > -1 && best[2].score > -1) {
    const double extra = parabolaPeak(best[0].score, best[1].score, best[2].score) * angleStep;
    out = turnedAbout(out, extra, pivotX, pivotY);
  }
  bToA = out;
  return best[pick].score;
}

}  // namespace tessaly::stitch::verified
