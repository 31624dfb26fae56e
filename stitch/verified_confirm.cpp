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

// a's signal on `box` grown by `margin` on every side, zero outside a.
cv::Mat1f paddedWindow(const cv::Mat1f& a, const cv::Rect& box, int margin) {
  cv::Mat1f out(box.height + 2 * margin, box.width + 2 * margin, 0.0F);
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

// Correlation of b's textured pixels with a's window at every integer offset within margin.
ShiftScores shiftScores(const cv::Mat1f& a, const WarpedOverlap& w, int margin) {
  const cv::Mat1f window = paddedWindow(a, w.box, margin);
  std::vector<int32_t> offsets;
  std::vector<float> values;
  int64_t textured = 0;
  for (int y = 0; y < w.box.height; ++y) {
    for (int x = 0; x < w.box.width; ++x) {
      if (w.inside(y, x) != 0 && std::abs(w.b(y, x)) > kTexturedLevel) ++textured;
    }
  }
  const int64_t step = std::max<int64_t>(1, textured / static_cast<int64_t>(kMaxSamples));
  int64_t seen = 0;
  for (int y = 0; y < w.box.height; ++y) {
    for (int x = 0; x < w.box.width; ++x) {
      if (w.inside(y, x) == 0 || std::abs(w.b(y, x)) <= kTexturedLevel) continue;
      if (seen++ % step != 0) continue;
      offsets.push_back((y + margin) * window.cols + x + margin);
      values.push_back(w.b(y, x));
    }
  }
  ShiftScores out{
      margin, std::vector<double>(static_cast<size_t>((2 * margin + 1) * (2 * margin + 1)), -1.0)};
  if (offsets.size() < static_cast<size_t>(kMinTexturedPixels)) return out;
  double bEnergy = 0;
  for (float v : values) bEnergy += static_cast<double>(v) * v;
  const float* base = window.ptr<float>(0);
  for (int dy = -margin; dy <= margin; ++dy) {
    for (int dx = -margin; dx <= margin; ++dx) {
      const float* shifted = base + dy * window.cols + dx;
      float product = 0, energy = 0;
      for (size_t i = 0; i < offsets.size(); ++i) {
        const float av = shifted[offsets[i]];
        product += av * values[i];
        energy += av * av;
      }
      out.score[static_cast<size_t>((dy + margin) * (2 * margin + 1) + dx + margin)] =
          energy > 0 ? product / std::sqrt(static_cast<double>(energy) * bEnergy) : 0.0;
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
  double sumX = 0, sumY = 0;
  for (int y = 0; y < out.box.height; ++y) {
    uint8_t* row = out.inside.ptr<uint8_t>(y);
    for (int x = 0; x < out.box.width; ++x) {
      double u = 0, v = 0;
      m.apply(x, y, u, v);
      const bool in = u >= 0 && v >= 0 && u <= b.cols - 1 && v <= b.rows - 1;
      row[x] = in ? 1 : 0;
      if (in) {
        ++out.insideCount;
        sumX += x;
        sumY += y;
      }
    }
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
    const uint8_t* in = overlap.inside.ptr<uint8_t>(y);
    for (int x = 0; x < overlap.box.width; ++x) {
      if (in[x] == 0) continue;
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
  std::array<BestShift, 3> best;
  std::array<Rigid, 3> poses;
  for (int k = -steps; k <= steps; ++k) {
    poses[k + 1] = turnedAbout(bToA, k * angleStep, pivotX, pivotY);
    WarpedOverlap w;
    if (k == 0) {
      w = std::move(centre);
    } else if (!warpOverlap(a, b, turnsB, poses[k + 1], w)) {
      continue;
    }
    best[k + 1] = bestShift(shiftScores(a, w, margin));
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
