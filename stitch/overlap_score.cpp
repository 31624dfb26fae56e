#include "overlap_score.h"

#include <algorithm>
#include <bit>

namespace tessaly::stitch {

EdgeBits::EdgeBits(const FeatureImage& f) : words_((f.width + 63) / 64 + 1) {
  const size_t size = static_cast<size_t>(words_) * static_cast<size_t>(f.height);
  edge_.assign(size, 0);
  present_.assign(size, 0);
  for (int32_t y = 0; y < f.height; ++y) {
    for (int32_t x = 0; x < f.width; ++x) {
      const uint8_t strength = f.edgeAt(x, y);
      const size_t word = static_cast<size_t>(y) * words_ + (x >> 6);
      const uint64_t bit = uint64_t{1} << (x & 63);
      if (strength >= kEdgePixel) edge_[word] |= bit;
      if (strength != kAbsent) present_[word] |= bit;
    }
  }
}

uint64_t EdgeBits::take(const std::vector<uint64_t>& plane, int32_t x, int32_t y, int n) const {
  const uint64_t* row = plane.data() + static_cast<size_t>(y) * words_ + (x >> 6);
  const int shift = x & 63;
  uint64_t bits = row[0] >> shift;
  if (shift != 0) bits |= row[1] << (64 - shift);
  return n == 64 ? bits : bits & ((uint64_t{1} << n) - 1);
}

PlacementScore PlacementScorer::operator()(int32_t x, int32_t y) const {
  // The same overlap as the plain score: A's coordinates, less a one-pixel margin.
  const int32_t x0 = std::max(0, x) + 1, x1 = std::min(a_.width, x + b_.width) - 1;
  const int32_t y0 = std::max(0, y) + 1, y1 = std::min(a_.height, y + b_.height) - 1;
  int64_t sum = 0, counted = 0;
  PlacementScore result;
  for (int32_t ay = y0; ay < y1; ++ay) {
    for (int32_t c = x0; c < x1; c += 64) {
      const int n = std::min<int32_t>(64, x1 - c);
      const uint64_t inA = aBits_.edge(c, ay, n);
      const uint64_t presentB = bBits_.present(c - x, ay - y, n);
      const uint64_t inB = bBits_.edge(c - x, ay - y, n) & presentB;
      // Counted: B present and an edge in either; an edge in only one costs 256.
      counted += std::popcount(presentB & (inA | inB));
      sum -= 256 * static_cast<int64_t>(std::popcount(presentB & (inA ^ inB)));
      for (uint64_t both = inA & inB; both != 0; both &= both - 1) {
        const int32_t ax = c + std::countr_zero(both);
        const int16_t* u = a_.contrastAt(ax, ay);
        const int16_t* v = b_.contrastAt(ax - x, ay - y);
        const int similarity = table_(u[0], v[0]) + table_(u[1], v[1]) + table_(u[2], v[2]);
        sum += similarity;
        if (similarity > 384) ++result.support;
      }
    }
  }
  result.score = counted == 0 ? 0.0 : static_cast<double>(sum / counted) / 256.0;
  return result;
}

}  // namespace tessaly::stitch
