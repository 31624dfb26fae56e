#include "verified_correlation.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <opencv2/imgproc.hpp>

#include "errors.h"
#include "verified_pose.h"
#include "worker_pool.h"

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

// The real transform of `image` padded with zeros to `frame`. Only the image's rows need a row
// transform; the padding rows are skipped.
void spectrumOf(const cv::Mat1f& image, cv::Size frame, cv::Mat1f& padded, cv::Mat& spectrum) {
  padded.create(frame);
  padded.setTo(0.0F);
  image.copyTo(padded(cv::Rect(0, 0, image.cols, image.rows)));
  cv::dft(padded, spectrum, 0, image.rows);
}

// The smallest transform length of at least `n` that the real transform handles fast: an even
// number with no prime factor above 5 (odd row lengths take a much slower path).
int fastEvenLength(int n) {
  return 2 * cv::getOptimalDFTSize((n + 1) / 2);
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

// Where the surface reads the transform's output: offset (dx, dy) lies at column
// (dx + shiftX) mod width, row (dy + shiftY) mod height. A plain correlation has no shift; a
// convolution with the canvas stands for a correlation with the canvas turned half round, and
// is shifted by the canvas's size less one.
struct Readout {
  const cv::Mat1f* values = nullptr;
  int shiftX = 0;
  int shiftY = 0;
};

// Per horizontal offset dx: the columns of a and of the canvas that b's upright rectangle
// overlaps.
struct ColumnSpans {
  std::vector<int> aFrom, aTo, canvasFrom, canvasTo;
  std::vector<float> width;  // of the overlap, in columns (0 where there is none)
};

ColumnSpans columnSpans(int aWidth, int canvasWidth, int bWidth, int rectLeft) {
  const size_t count = static_cast<size_t>(aWidth + canvasWidth - 1);
  ColumnSpans s;
  for (auto* v : {&s.aFrom, &s.aTo, &s.canvasFrom, &s.canvasTo}) v->resize(count);
  s.width.resize(count);
  for (int dx = -(canvasWidth - 1); dx < aWidth; ++dx) {
    const size_t i = static_cast<size_t>(dx + canvasWidth - 1);
    const int bx0 = rectLeft + dx;
    // Clamped into a's columns so that an offset with no overlap reads an empty span.
    s.aFrom[i] = std::clamp(bx0, 0, aWidth);
    s.aTo[i] = std::clamp(bx0 + bWidth, s.aFrom[i], aWidth);
    s.canvasFrom[i] = std::max(0, -dx);
    s.canvasTo[i] = std::min(canvasWidth, aWidth - dx);
    s.width[i] = static_cast<float>(std::max(0, s.aTo[i] - s.aFrom[i]));
  }
  return s;
}

// The transform's row `row` read from offset dx = -(count - aWidth) on, wrapping round the
// frame: two contiguous copies.
void unwrappedRow(const float* row, int frameW, int start, size_t count, float* out) {
  size_t done = 0;
  int from = (start % frameW + frameW) % frameW;
  while (done < count) {
    const size_t run = std::min(count - done, static_cast<size_t>(frameW - from));
    std::copy(row + from, row + from + run, out + done);
    done += run;
    from = 0;
  }
}

// Normalised correlation of a with the canvas at every offset (dx, dy) that gives enough
// overlap; -1 elsewhere. Row y, column x of the result is offset (x - cw + 1, y - ch + 1).
void correlationSurface(const Readout& readout, const cv::Mat1d& aEnergy,
                        const cv::Mat1d& canvasEnergy, cv::Size aSize, const Canvas& canvas,
                        double minOverlap, cv::Mat1f& surface) {
  const int cw = canvas.image.cols, ch = canvas.image.rows;
  const int frameW = readout.values->cols, frameH = readout.values->rows;
  const int bw = canvas.turnedWidth, bh = canvas.turnedHeight;
  const double leftOfCentre = centreOf(cw) - centreOf(bw),
               topOfCentre = centreOf(ch) - centreOf(bh);
  const int rectLeft = static_cast<int>(std::floor(leftOfCentre + 0.5));
  const int rectTop = static_cast<int>(std::floor(topOfCentre + 0.5));
  surface.create(aSize.height + ch - 1, aSize.width + cw - 1);
  surface.setTo(-1.0F);
  const ColumnSpans spans = columnSpans(aSize.width, cw, bw, rectLeft);
  const size_t count = spans.width.size();
  std::vector<float> aColumns(static_cast<size_t>(aSize.width) + 1);
  std::vector<float> canvasColumns(static_cast<size_t>(cw) + 1);
  std::vector<float> values(count), aPart(count), canvasPart(count), norm(count);
  const auto floorShare = static_cast<float>(kEnergyFloorShare);
  // Areas are whole pixel counts: at least one pixel, and at least minOverlap.
  const float least = std::max(0.5F, static_cast<float>(minOverlap));
  for (int dy = -(ch - 1); dy < aSize.height; ++dy) {
    // b's upright rectangle stands in for its rotated footprint in a.
    const int by0 = rectTop + dy;
    const int ay0 = std::max(0, by0), ay1 = std::min(aSize.height, by0 + bh);
    if (ay1 <= ay0 || static_cast<double>(ay1 - ay0) * std::min(bw, aSize.width) < minOverlap)
      continue;
    const int cy0 = std::max(0, -dy), cy1 = std::min(ch, aSize.height - dy);
    const double* aTop = aEnergy.ptr<double>(ay0);
    const double* aBottom = aEnergy.ptr<double>(ay1);
    for (int x = 0; x <= aSize.width; ++x) aColumns[x] = static_cast<float>(aBottom[x] - aTop[x]);
    const double* cTop = canvasEnergy.ptr<double>(cy0);
    const double* cBottom = canvasEnergy.ptr<double>(cy1);
    for (int x = 0; x <= cw; ++x) canvasColumns[x] = static_cast<float>(cBottom[x] - cTop[x]);
    for (size_t i = 0; i < count; ++i) {
      aPart[i] = aColumns[spans.aTo[i]] - aColumns[spans.aFrom[i]];
      canvasPart[i] = canvasColumns[spans.canvasTo[i]] - canvasColumns[spans.canvasFrom[i]];
    }
    unwrappedRow(readout.values->ptr<float>(((dy + readout.shiftY) % frameH + frameH) % frameH),
                 frameW, readout.shiftX - (cw - 1), count, values.data());
    float* out = surface.ptr<float>(dy + ch - 1);
    const auto overlapRows = static_cast<float>(ay1 - ay0);
    // Passes without branches over the row (the square roots through OpenCV's vector code);
    // offsets with too little overlap keep -1.
    for (size_t i = 0; i < count; ++i) {
      const float floor = floorShare * spans.width[i] * overlapRows;
      norm[i] = std::max(std::max(floor, aPart[i]) * std::max(floor, canvasPart[i]), 1e-30F);
    }
    cv::Mat1f normRow(1, static_cast<int>(count), norm.data());
    cv::sqrt(normRow, normRow);
    for (size_t i = 0; i < count; ++i) norm[i] = values[i] / norm[i];
    // The overlap's width rises, stays and falls with dx: the offsets with enough of it are
    // one run.
    size_t from = 0, to = count;
    while (from < to && spans.width[from] * overlapRows < least) ++from;
    while (to > from && spans.width[to - 1] * overlapRows < least) --to;
    std::copy(norm.begin() + static_cast<ptrdiff_t>(from),
              norm.begin() + static_cast<ptrdiff_t>(to), out + from);
  }
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

// Buffers one scan item works in, reused by the next item on the same worker.
struct ScanScratch {
  cv::Mat1f padded;
  cv::Mat spectrum, product;
  cv::Mat1f correlation, surface;
  Canvas half;
};

// The surface peaks of one canvas of b (turned `turns` times, rotated by `angle`) against every
// a < b: found[0][a] for the canvas itself, found[1][a] for it turned half round.
struct CanvasPeaks {
  std::array<std::vector<std::vector<CoarsePeak>>, 2> found;
  int turnedWidth = 0;
  int turnedHeight = 0;
};

CanvasPeaks scanCanvas(const std::vector<cv::Mat1f>& signals, const std::vector<cv::Mat>& aSpectra,
                       const std::vector<cv::Mat1d>& aEnergies, int b, int turns, double angle,
                       cv::Size size, cv::Size frame, const CoarseScanOptions& options,
                       ScanScratch& work) {
  CanvasPeaks out;
  const Canvas canvas = rotatedCanvas(signals[b], turns, angle, size);
  spectrumOf(canvas.image, frame, work.padded, work.spectrum);
  const cv::Mat1d canvasEnergy = squaredIntegral(canvas.image);
  Canvas& half = work.half;
  cv::flip(canvas.image, half.image, -1);
  half.turnedWidth = canvas.turnedWidth;
  half.turnedHeight = canvas.turnedHeight;
  const cv::Mat1d halfEnergy = squaredIntegral(half.image);
  for (auto& f : out.found) f.resize(static_cast<size_t>(b));
  for (int a = 0; a < b; ++a) {
    const double minOverlap =
        options.minOverlapFraction * std::min(signals[a].total(), signals[b].total());
    for (const bool halfTurn : {false, true}) {
      // Correlation with the canvas, or convolution: correlation with it turned half round.
      cv::mulSpectrums(aSpectra[a], work.spectrum, work.product, 0, !halfTurn);
      cv::idft(work.product, work.correlation, cv::DFT_REAL_OUTPUT | cv::DFT_SCALE);
      const Canvas& used = halfTurn ? half : canvas;
      const Readout readout{&work.correlation, halfTurn ? size.width - 1 : 0,
                            halfTurn ? size.height - 1 : 0};
      correlationSurface(readout, aEnergies[a], halfTurn ? halfEnergy : canvasEnergy,
                         signals[a].size(), used, minOverlap, work.surface);
      const int t = turns + (halfTurn ? 2 : 0);
      for (const SurfacePeak& p : surfacePeaks(work.surface, size.width, size.height)) {
        out.found[halfTurn ? 1 : 0][a].push_back(
            {a, b, t, placementOf(used, angle, p.dx, p.dy), p.score});
      }
    }
  }
  out.turnedWidth = canvas.turnedWidth;
  out.turnedHeight = canvas.turnedHeight;
  return out;
}

}  // namespace

bool scanPairs(const std::vector<cv::Mat1f>& signals, const CoarseScanOptions& options,
               const std::function<bool(double)>& stop, std::vector<CoarsePeak>& peaks) {
  const int n = static_cast<int>(signals.size());
  if (n < 2) return true;
  const double maxAngle = std::abs(options.maxAngleDegrees) * std::numbers::pi / 180;
  const std::vector<double> angles = angleLadder(options);

  // One transform size per parity of the quarter turns serves every pair: the widest a next to
  // the widest canvas of that parity. A turn and the turn half round from it share a canvas
  // size, and the second's correlation is the first's convolution, so only turns 0 and 1 are
  // ever warped and transformed.
  int maxW = 0, maxH = 0;
  std::array<cv::Size, 2> maxCanvas{};
  for (const cv::Mat1f& s : signals) {
    maxW = std::max(maxW, s.cols);
    maxH = std::max(maxH, s.rows);
    for (int t = 0; t < 2; ++t) {
      const cv::Size c = canvasSize(s, t, maxAngle);
      maxCanvas[t].width = std::max(maxCanvas[t].width, c.width);
      maxCanvas[t].height = std::max(maxCanvas[t].height, c.height);
    }
  }
  std::array<cv::Size, 2> frames;
  for (int t = 0; t < 2; ++t) {
    frames[t] = cv::Size(fastEvenLength(maxW + maxCanvas[t].width - 1),
                         cv::getOptimalDFTSize(maxH + maxCanvas[t].height - 1));
  }

  cv::Mat1f padded;
  std::array<std::vector<cv::Mat>, 2> aSpectra;
  std::vector<cv::Mat1d> aEnergies(n);
  for (int t = 0; t < 2; ++t) {
    aSpectra[t].resize(n);
    for (int i = 0; i + 1 < n; ++i) spectrumOf(signals[i], frames[t], padded, aSpectra[t][i]);
  }
  for (int i = 0; i + 1 < n; ++i) aEnergies[i] = squaredIntegral(signals[i]);

  // One item per (b, turns, angle), in the order the scan reports: every a < b against that
  // canvas. Items run on any worker into their own slots; merging them in order keeps the peaks'
  // order whatever the number of workers.
  const size_t perPiece = 2 * angles.size();
  const size_t items = static_cast<size_t>(n - 1) * perPiece;
  std::vector<CanvasPeaks> slots(items);
  Spares<ScanScratch> scratch;
  const auto scan = [&](size_t i) {
    const int b = 1 + static_cast<int>(i / perPiece);
    const int turns = static_cast<int>(i % perPiece / angles.size());
    const double angle = angles[i % angles.size()];
    const auto buffers = scratch.borrow();
    slots[i] =
        scanCanvas(signals, aSpectra[turns], aEnergies, b, turns, angle,
                   canvasSize(signals[b], turns, maxAngle), frames[turns], options, *buffers);
  };
  bool stopped = false;
  const auto check = [&](size_t i) {
    if (stop && stop(static_cast<double>(i) / static_cast<double>(items))) {
      stopped = true;
      fail(QX_CANCELLED);
    }
  };
  try {
    parallelFor(items, scan, check);
  } catch (const StitchError&) {
    if (stopped) return false;
    throw;
  }
  for (int b = 1; b < n; ++b) {
    const size_t first = static_cast<size_t>(b - 1) * perPiece;
    for (int t = 0; t < 4; ++t) {
      // The turn's peaks from every angle of its canvas, and that canvas's turned size.
      const size_t turnFirst = first + static_cast<size_t>(t % 2) * angles.size();
      const CanvasPeaks& last = slots[turnFirst + angles.size() - 1];
      for (int a = 0; a < b; ++a) {
        std::vector<CoarsePeak> found;
        for (size_t k = 0; k < angles.size(); ++k) {
          const std::vector<CoarsePeak>& p = slots[turnFirst + k].found[t / 2][a];
          found.insert(found.end(), p.begin(), p.end());
        }
        const std::vector<CoarsePeak> kept =
            separatePeaks(std::move(found), last.turnedWidth, last.turnedHeight,
                          options.peakSeparation, options.peaksPerPairAndTurn);
        peaks.insert(peaks.end(), kept.begin(), kept.end());
      }
    }
  }
  return true;
}

}  // namespace tessaly::stitch::verified
