#include "verified_correlation.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <opencv2/imgproc.hpp>

#include "verified_pose.h"

namespace tessaly::stitch::verified {

namespace {

// Textured energy below this share of the overlap's area counts as this much: a nearly blank
// overlap cannot reach a high correlation by dividing by almost nothing.
constexpr double kEnergyFloorShare = 0.05;
// Surface maxima below this are noise, not candidates.
constexpr float kPeakFloor = 0.03F;
constexpr size_t kPeaksPerSurface = 12;

// Piece b turned and rotated, centred on a canvas large enough for the largest rotation.
struct Canvas {
  cv::Mat1f image;
  int turnedWidth = 0;
  int turnedHeight = 0;
};

cv::Size canvasSize(const cv::Mat1f& b, int turns, double maxAngle) {
  int w = 0, h = 0;
  turnedSize(turns, b.cols, b.rows, w, h);
  const double c = std::cos(maxAngle), s = std::sin(maxAngle);
  return {static_cast<int>(std::ceil(w * c + h * s)) + 2,
          static_cast<int>(std::ceil(h * c + w * s)) + 2};
}

double centreOf(int size) {
  return (size - 1) / 2.0;
}

Canvas rotatedCanvas(const cv::Mat1f& b, int turns, double angle, cv::Size size) {
  Canvas out;
  turnedSize(turns, b.cols, b.rows, out.turnedWidth, out.turnedHeight);
  // Canvas pixel -> turned b's pixel (turn by -angle about the centres) -> unturned b's pixel.
  const Affine fromCanvasCentre{1, 0, -centreOf(size.width), 0, 1, -centreOf(size.height)};
  const Affine toTurnedCentre{1, 0, centreOf(out.turnedWidth), 0, 1, centreOf(out.turnedHeight)};
  const Affine canvasToTurned =
      then(then(fromCanvasCentre, affineOf(Rigid{-angle, 0, 0})), toTurnedCentre);
  const Affine m = then(canvasToTurned, turnedToUnturned(turns, b.cols, b.rows));
  cv::warpAffine(b, out.image, cv::Matx23d(m.xx, m.xy, m.x0, m.yx, m.yy, m.y0), size,
                 cv::INTER_LINEAR | cv::WARP_INVERSE_MAP, cv::BORDER_CONSTANT, 0);
  return out;
}

// The motion that puts the canvas's origin at a's pixel (dx, dy), for turned b.
Rigid placementOf(const Canvas& canvas, double angle, int dx, int dy) {
  const double c = std::cos(angle), s = std::sin(angle);
  const double bx = centreOf(canvas.turnedWidth), by = centreOf(canvas.turnedHeight);
  return {angle, centreOf(canvas.image.cols) + dx - (c * bx - s * by),
          centreOf(canvas.image.rows) + dy - (s * bx + c * by)};
}

cv::Mat spectrumOf(const cv::Mat1f& image, cv::Size frame) {
  cv::Mat1f padded(frame, 0.0F);
  image.copyTo(padded(cv::Rect(0, 0, image.cols, image.rows)));
  cv::Mat spectrum;
  cv::dft(padded, spectrum);
  return spectrum;
}

cv::Mat1d squaredIntegral(const cv::Mat1f& image) {
  cv::Mat1d sums;
  cv::integral(image.mul(image), sums, CV_64F);
  return sums;
}

struct SurfacePeak {
  float score = 0;
  int dx = 0;
  int dy = 0;
};

// Normalised correlation of a with the canvas at every offset (dx, dy) that gives enough
// overlap; -1 elsewhere. Row y, column x of the result is offset (x - cw + 1, y - ch + 1).
cv::Mat1f correlationSurface(const cv::Mat1f& correlation, const cv::Mat1d& aEnergy,
                             const cv::Mat1d& canvasEnergy, cv::Size aSize, const Canvas& canvas,
                             double minOverlap) {
  const int cw = canvas.image.cols, ch = canvas.image.rows;
  const int frameW = correlation.cols, frameH = correlation.rows;
  const int bw = canvas.turnedWidth, bh = canvas.turnedHeight;
  const double leftOfCentre = centreOf(cw) - centreOf(bw),
               topOfCentre = centreOf(ch) - centreOf(bh);
  const int rectLeft = static_cast<int>(std::floor(leftOfCentre + 0.5));
  const int rectTop = static_cast<int>(std::floor(topOfCentre + 0.5));
  cv::Mat1f surface(aSize.height + ch - 1, aSize.width + cw - 1, -1.0F);
  std::vector<float> aColumns(static_cast<size_t>(aSize.width) + 1);
  std::vector<float> canvasColumns(static_cast<size_t>(cw) + 1);
  for (int dy = -(ch - 1); dy < aSize.height; ++dy) {
    // b's upright rectangle stands in for its rotated footprint in a.
    const int by0 = rectTop + dy;
    const int ay0 = std::max(0, by0), ay1 = std::min(aSize.height, by0 + bh);
    if (ay1 <= ay0 || static_cast<double>(ay1 - ay0) * std::min(bw, aSize.width) < minOverlap)
      continue;
    const int cy0 = std::max(0, -dy), cy1 = std::min(ch, aSize.height - dy);
    for (int x = 0; x <= aSize.width; ++x)
      aColumns[x] = static_cast<float>(aEnergy(ay1, x) - aEnergy(ay0, x));
    for (int x = 0; x <= cw; ++x)
      canvasColumns[x] = static_cast<float>(canvasEnergy(cy1, x) - canvasEnergy(cy0, x));
    const float* row = correlation.ptr<float>((dy + frameH) % frameH);
    float* out = surface.ptr<float>(dy + ch - 1);
    const int overlapRows = ay1 - ay0;
    for (int dx = -(cw - 1); dx < aSize.width; ++dx) {
      const int bx0 = rectLeft + dx;
      const int ax0 = std::max(0, bx0), ax1 = std::min(aSize.width, bx0 + bw);
      const double area = static_cast<double>(ax1 - ax0) * overlapRows;
      if (ax1 <= ax0 || area < minOverlap) continue;
      const int cx0 = std::max(0, -dx), cx1 = std::min(cw, aSize.width - dx);
      const double floor = kEnergyFloorShare * area;
      const double ea = std::max<double>(floor, aColumns[ax1] - aColumns[ax0]);
      const double eb = std::max<double>(floor, canvasColumns[cx1] - canvasColumns[cx0]);
      out[dx + cw - 1] = static_cast<float>(row[(dx + frameW) % frameW] / std::sqrt(ea * eb));
    }
  }
  return surface;
}

// The strongest local maxima of the surface, at most kPeaksPerSurface of them.
std::vector<SurfacePeak> surfacePeaks(const cv::Mat1f& surface, int cw, int ch) {
  std::vector<SurfacePeak> peaks;
  for (int y = 1; y + 1 < surface.rows; ++y) {
    const float* above = surface.ptr<float>(y - 1);
    const float* row = surface.ptr<float>(y);
    const float* below = surface.ptr<float>(y + 1);
    for (int x = 1; x + 1 < surface.cols; ++x) {
      const float v = row[x];
      if (v < kPeakFloor) continue;
      if (v < row[x - 1] || v <= row[x + 1] || v < above[x - 1] || v < above[x] ||
          v < above[x + 1] || v <= below[x - 1] || v <= below[x] || v <= below[x + 1])
        continue;
      if (peaks.size() == kPeaksPerSurface) {
        if (v <= peaks.back().score) continue;
        peaks.pop_back();
      }
      const SurfacePeak p{v, x - cw + 1, y - ch + 1};
      peaks.insert(std::upper_bound(peaks.begin(), peaks.end(), p,
                                    [](const SurfacePeak& l, const SurfacePeak& r) {
                                      return l.score > r.score;
                                    }),
                   p);
    }
  }
  return peaks;
}

// Keeps the best peaks that lie at least `separation` apart (b's centre in a's frame).
std::vector<CoarsePeak> separatePeaks(std::vector<CoarsePeak> all, int turnedWidth,
                                      int turnedHeight, double separation, int keep) {
  std::sort(all.begin(), all.end(),
            [](const CoarsePeak& l, const CoarsePeak& r) { return l.score > r.score; });
  std::vector<CoarsePeak> kept;
  std::vector<std::array<double, 2>> centres;
  const double bx = centreOf(turnedWidth), by = centreOf(turnedHeight);
  for (const CoarsePeak& p : all) {
    if (static_cast<int>(kept.size()) == keep) break;
    double x = 0, y = 0;
    affineOf(p.bToA).apply(bx, by, x, y);
    const bool near = std::any_of(centres.begin(), centres.end(), [&](const auto& c) {
      return std::hypot(c[0] - x, c[1] - y) < separation;
    });
    if (near) continue;
    kept.push_back(p);
    centres.push_back({x, y});
  }
  return kept;
}

std::vector<double> angleLadder(const CoarseScanOptions& options) {
  const double maxAngle = options.maxAngleDegrees * std::numbers::pi / 180;
  const int steps = std::max(
      0, static_cast<int>(
             std::ceil(options.maxAngleDegrees / std::max(0.1, options.angleStepDegrees) - 1e-9)));
  std::vector<double> angles;
  for (int k = -steps; k <= steps; ++k) angles.push_back(steps == 0 ? 0 : maxAngle * k / steps);
  return angles;
}

}  // namespace

bool scanPairs(const std::vector<cv::Mat1f>& signals, const CoarseScanOptions& options,
               const std::function<bool(double)>& stop, std::vector<CoarsePeak>& peaks) {
  const int n = static_cast<int>(signals.size());
  if (n < 2) return true;
  const double maxAngle = std::abs(options.maxAngleDegrees) * std::numbers::pi / 180;
  const std::vector<double> angles = angleLadder(options);

  // One transform size serves every pair: the widest a next to the widest canvas.
  int maxW = 0, maxH = 0, maxCanvasW = 0, maxCanvasH = 0;
  for (const cv::Mat1f& s : signals) {
    maxW = std::max(maxW, s.cols);
    maxH = std::max(maxH, s.rows);
    for (int t = 0; t < 2; ++t) {
      const cv::Size c = canvasSize(s, t, maxAngle);
      maxCanvasW = std::max(maxCanvasW, c.width);
      maxCanvasH = std::max(maxCanvasH, c.height);
    }
  }
  const cv::Size frame(cv::getOptimalDFTSize(maxW + maxCanvasW - 1),
                       cv::getOptimalDFTSize(maxH + maxCanvasH - 1));

  std::vector<cv::Mat> aSpectra(n);
  std::vector<cv::Mat1d> aEnergies(n);
  for (int i = 0; i + 1 < n; ++i) {
    aSpectra[i] = spectrumOf(signals[i], frame);
    aEnergies[i] = squaredIntegral(signals[i]);
  }

  const double total = static_cast<double>(n - 1) * 4 * angles.size();
  double done = 0;
  cv::Mat product;
  cv::Mat1f correlation;
  for (int b = 1; b < n; ++b) {
    for (int turns = 0; turns < 4; ++turns) {
      std::vector<std::vector<CoarsePeak>> found(static_cast<size_t>(b));
      const cv::Size size = canvasSize(signals[b], turns, maxAngle);
      Canvas canvas;
      for (double angle : angles) {
        if (stop && stop(done / total)) return false;
        done += 1;
        canvas = rotatedCanvas(signals[b], turns, angle, size);
        const cv::Mat spectrum = spectrumOf(canvas.image, frame);
        const cv::Mat1d canvasEnergy = squaredIntegral(canvas.image);
        for (int a = 0; a < b; ++a) {
          const double minOverlap =
              options.minOverlapFraction * std::min(signals[a].total(), signals[b].total());
          cv::mulSpectrums(aSpectra[a], spectrum, product, 0, true);
          cv::idft(product, correlation, cv::DFT_REAL_OUTPUT | cv::DFT_SCALE);
          const cv::Mat1f surface = correlationSurface(correlation, aEnergies[a], canvasEnergy,
                                                       signals[a].size(), canvas, minOverlap);
          for (const SurfacePeak& p : surfacePeaks(surface, size.width, size.height)) {
            found[a].push_back({a, b, turns, placementOf(canvas, angle, p.dx, p.dy), p.score});
          }
        }
      }
      for (int a = 0; a < b; ++a) {
        const std::vector<CoarsePeak> kept =
            separatePeaks(std::move(found[a]), canvas.turnedWidth, canvas.turnedHeight,
                          options.peakSeparation, options.peaksPerPairAndTurn);
        peaks.insert(peaks.end(), kept.begin(), kept.end());
      }
    }
  }
  return true;
}

}  // namespace tessaly::stitch::verified
