#include "scan_render.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "random.h"

namespace tessaly::cli {
namespace {

constexpr uint8_t kLid = 255;  // the scanner lid's white where the page does not reach

uint8_t clampByte(double value) {
  return uint8_t(std::clamp(std::lround(value), 0L, 255L));
}

// One channel of the page at (x, y) with bilinear weights; points off the page read the lid.
struct Bilinear {
  const BgrImage& page;

  uint8_t at(int32_t x, int32_t y, int channel) const {
    if (x < 0 || y < 0 || x >= page.width || y >= page.height) return kLid;
    return page.pixel(x, y)[channel];
  }

  void sample(double x, double y, uint8_t* out) const {
    const double fx = std::floor(x), fy = std::floor(y);
    const auto x0 = int32_t(fx), y0 = int32_t(fy);
    const double ax = x - fx, ay = y - fy;
    for (int ch = 0; ch < 3; ++ch) {
      const double top = at(x0, y0, ch) * (1 - ax) + at(x0 + 1, y0, ch) * ax;
      const double bottom = at(x0, y0 + 1, ch) * (1 - ax) + at(x0 + 1, y0 + 1, ch) * ax;
      out[ch] = clampByte(top * (1 - ay) + bottom * ay);
    }
  }
};

// Gaussian weights out of 1 << 14 for offsets -radius ... radius.
std::vector<int32_t> gaussianWeights(double sigma, int32_t& radius) {
  radius = std::max(1, int32_t(std::ceil(2.5 * sigma)));
  std::vector<double> raw(size_t(2 * radius + 1));
  double sum = 0;
  for (int32_t k = -radius; k <= radius; ++k)
    sum += raw[size_t(k + radius)] = std::exp(-0.5 * k * k / (sigma * sigma));
  std::vector<int32_t> weights(raw.size());
  int32_t total = 0;
  for (size_t i = 0; i < raw.size(); ++i) total += weights[i] = int32_t(raw[i] / sum * 16384);
  weights[size_t(radius)] += 16384 - total;  // the weights add up to exactly one
  return weights;
}

// One pass of the separable blur along rows (horizontal) or columns, edges clamped.
void blurPass(const BgrImage& in, BgrImage& out, const std::vector<int32_t>& weights,
              int32_t radius, bool horizontal) {
  for (int32_t y = 0; y < in.height; ++y) {
    uint8_t* target = out.row(y);
    for (int32_t x = 0; x < in.width; ++x) {
      int32_t sum[3] = {8192, 8192, 8192};
      for (int32_t k = -radius; k <= radius; ++k) {
        const int32_t sx = horizontal ? std::clamp(x + k, 0, in.width - 1) : x;
        const int32_t sy = horizontal ? y : std::clamp(y + k, 0, in.height - 1);
        const uint8_t* source = in.pixel(sx, sy);
        const int32_t w = weights[size_t(k + radius)];
        for (int ch = 0; ch < 3; ++ch) sum[ch] += source[ch] * w;
      }
      for (int ch = 0; ch < 3; ++ch)
        target[x * 3 + ch] = uint8_t(std::clamp(sum[ch] >> 14, 0, 255));
    }
  }
}

}  // namespace

int uprightQuarterTurns(int degrees) {
  return ((degrees / 90) % 4 + 4) % 4;
}

BgrImage sampleTilted(const BgrImage& page, const ScanPiece& piece) {
  BgrImage out = makeImage(piece.width, piece.height);
  const double angle = piece.angleDegrees * std::numbers::pi / 180;
  const double c = std::cos(angle), s = std::sin(angle);
  const double cu = (piece.width - 1) / 2.0, cv = (piece.height - 1) / 2.0;
  const Bilinear sampler{page};
  for (int32_t v = 0; v < piece.height; ++v) {
    uint8_t* target = out.row(v);
    for (int32_t u = 0; u < piece.width; ++u) {
      const double du = u - cu, dv = v - cv;
      sampler.sample(c * du - s * dv + piece.centreX, s * du + c * dv + piece.centreY,
                     target + size_t(u) * 3);
    }
  }
  return out;
}

void blurGaussian(BgrImage& image, double sigma) {
  if (sigma < 0.2) return;  // narrower than a pixel: nothing visible to do
  int32_t radius = 0;
  const std::vector<int32_t> weights = gaussianWeights(sigma, radius);
  BgrImage across = makeImage(image.width, image.height);
  blurPass(image, across, weights, radius, true);
  blurPass(across, image, weights, radius, false);
}

void applyTone(BgrImage& image, double brightness, double contrast, double gamma) {
  uint8_t table[256];
  for (int v = 0; v < 256; ++v) {
    const double level =
        std::clamp(contrast * (v / 255.0 - 0.5) + 0.5 + brightness / 255, 0.0, 1.0);
    table[v] = clampByte(255 * std::pow(level, gamma));
  }
  for (int32_t y = 0; y < image.height; ++y) {
    uint8_t* row = image.row(y);
    for (int32_t i = 0; i < image.width * 3; ++i) row[i] = table[row[i]];
  }
}

void addNoise(BgrImage& image, double sigma, uint64_t seed, uint64_t stream) {
  if (sigma <= 0) return;
  Random random(seed, stream);
  for (int32_t y = 0; y < image.height; ++y) {
    uint8_t* row = image.row(y);
    for (int32_t i = 0; i < image.width * 3; ++i)
      row[i] = clampByte(row[i] + sigma * random.bell());
  }
}

BgrImage renderScan(const BgrImage& page, const ScanPiece& piece, uint64_t seed) {
  BgrImage scan = sampleTilted(page, piece);
  blurGaussian(scan, piece.blur);
  applyTone(scan, piece.brightness, piece.contrast, piece.gamma);
  // Stream 0 planned the session; each piece's noise has a stream of its own.
  addNoise(scan, piece.noise, seed, uint64_t(piece.index) + 1);
  // The file holds the piece as it lay on the glass: turned clockwise, which is the elementary
  // (counter-clockwise) quarter turn applied 4 - k times.
  return turnQuarters(scan, 4 - uprightQuarterTurns(piece.turnDegrees));
}

}  // namespace tessaly::cli
