// Region subtraction by bands. Every top and bottom edge of both regions cuts the plane into
// horizontal strips; inside a strip each region is one list of spans, so the difference is a
// span subtraction. Strips that touch and come out alike are merged again, which keeps the
// result canonical.
#include "region_bands.h"

#include <algorithm>
#include <cstddef>

namespace tessaly::pltfm {
namespace {

struct Span {
  int32_t left, right;
  bool operator==(const Span&) const = default;
};

struct Band {
  int32_t top, bottom;
  std::vector<Span> spans;
};

std::vector<Band> toBands(const std::vector<RECT>& rects) {
  std::vector<Band> bands;
  for (const RECT& r : rects) {
    if (bands.empty() || bands.back().top != r.top || bands.back().bottom != r.bottom)
      bands.push_back(Band{r.top, r.bottom, {}});
    bands.back().spans.push_back(Span{r.left, r.right});
  }
  return bands;
}

// The spans of a that b leaves uncovered. Both lists are sorted and disjoint.
std::vector<Span> subtractSpans(const std::vector<Span>& a, const std::vector<Span>& b) {
  std::vector<Span> out;
  std::size_t j = 0;
  for (Span s : a) {
    while (j < b.size() && b[j].right <= s.left) ++j;
    for (std::size_t k = j; k < b.size() && b[k].left < s.right; ++k) {
      if (b[k].left > s.left) out.push_back(Span{s.left, b[k].left});
      s.left = std::max(s.left, b[k].right);
      if (s.left >= s.right) break;
    }
    if (s.left < s.right) out.push_back(s);
  }
  return out;
}

// The spans of the band that covers the strip starting at y; bands are walked in order, so
// next remembers where the previous call stopped.
const std::vector<Span>* spansAt(const std::vector<Band>& bands, std::size_t& next, int32_t y) {
  while (next < bands.size() && bands[next].bottom <= y) ++next;
  if (next < bands.size() && bands[next].top <= y) return &bands[next].spans;
  return nullptr;
}

void appendBand(std::vector<Band>& out, int32_t top, int32_t bottom, std::vector<Span> spans) {
  if (spans.empty()) return;
  if (!out.empty() && out.back().bottom == top && out.back().spans == spans) {
    out.back().bottom = bottom;
    return;
  }
  out.push_back(Band{top, bottom, std::move(spans)});
}

}  // namespace

std::vector<RECT> subtractBanded(const std::vector<RECT>& a, const std::vector<RECT>& b) {
  const std::vector<Band> bandsA = toBands(a);
  const std::vector<Band> bandsB = toBands(b);
  std::vector<int32_t> edges;
  for (const auto* bands : {&bandsA, &bandsB}) {
    for (const Band& band : *bands) {
      edges.push_back(band.top);
      edges.push_back(band.bottom);
    }
  }
  std::sort(edges.begin(), edges.end());
  edges.erase(std::unique(edges.begin(), edges.end()), edges.end());

  std::vector<Band> out;
  std::size_t nextA = 0, nextB = 0;
  static const std::vector<Span> kNone;
  for (std::size_t i = 0; i + 1 < edges.size(); ++i) {
    const std::vector<Span>* spansA = spansAt(bandsA, nextA, edges[i]);
    if (spansA == nullptr) continue;
    const std::vector<Span>* spansB = spansAt(bandsB, nextB, edges[i]);
    appendBand(out, edges[i], edges[i + 1], subtractSpans(*spansA, spansB ? *spansB : kNone));
  }

  std::vector<RECT> rects;
  for (const Band& band : out)
    for (const Span& s : band.spans) rects.push_back(RECT{s.left, band.top, s.right, band.bottom});
  return rects;
}

bool isBanded(const std::vector<RECT>& rects) {
  for (const RECT& r : rects)
    if (r.right <= r.left || r.bottom <= r.top) return false;
  const std::vector<Band> bands = toBands(rects);
  for (std::size_t i = 0; i < bands.size(); ++i) {
    const Band& band = bands[i];
    for (std::size_t k = 1; k < band.spans.size(); ++k)
      if (band.spans[k].left <= band.spans[k - 1].right) return false;
    if (i == 0) continue;
    const Band& above = bands[i - 1];
    if (band.top < above.bottom) return false;
    if (band.top == above.bottom && band.spans == above.spans) return false;
  }
  return true;
}

}  // namespace tessaly::pltfm
