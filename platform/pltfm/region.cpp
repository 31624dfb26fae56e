// Regions as blocks of the default heap: a small header that marks the block as a region, then
// the rectangles in banded form.
#include <cstring>
#include <optional>
#include <vector>

#include "no_throw.h"
#include "region_bands.h"
#include "zanHeap.h"
#include "zanRgn.h"

namespace {

using tessaly::pltfm::noThrow;

struct RegionHeader {
  uint32_t tag;
  uint32_t count;
};
constexpr uint32_t kRegionTag = 0x52474E31;  // "RGN1"

// Calls fn(rects, count) with the region's rectangles while its block is locked; returns
// fallback without calling fn when the handle does not name a region.
template <typename R, typename Fn>
R withRegion(zanHandle handle, R fallback, Fn&& fn) {
  if (handle == 0) return fallback;
  zan::HeapLock<unsigned char> block(0, handle);
  if (!block || block.count() < sizeof(RegionHeader)) return fallback;
  RegionHeader header;
  std::memcpy(&header, block.get(), sizeof header);
  if (header.tag != kRegionTag || header.count != (block.count() - sizeof header) / sizeof(RECT))
    return fallback;
  // The rectangles follow the 8-byte header, so they are aligned as RECT needs.
  return fn(reinterpret_cast<const RECT*>(block.get() + sizeof header), header.count);
}

std::optional<std::vector<RECT>> readRegion(zanHandle handle) {
  return withRegion(handle, std::optional<std::vector<RECT>>{},
                    [](const RECT* rects, uint32_t count) {
                      return std::optional<std::vector<RECT>>(std::in_place, rects, rects + count);
                    });
}

// Stores rects in the block, resizing it; false (block unchanged) when memory runs out.
bool writeRegion(zanHandle handle, const std::vector<RECT>& rects) {
  const uint64_t bytes = sizeof(RegionHeader) + uint64_t{rects.size()} * sizeof(RECT);
  if (bytes > UINT32_MAX) return false;
  if (zanHeapSize(0, handle) != bytes &&
      zanHeapReAlloc(0, handle, static_cast<uint32_t>(bytes), 0) == 0)
    return false;
  zan::HeapLock<unsigned char> block(0, handle);
  if (!block) return false;
  const RegionHeader header{kRegionTag, static_cast<uint32_t>(rects.size())};
  std::memcpy(block.get(), &header, sizeof header);
  if (!rects.empty())
    std::memcpy(block.get() + sizeof header, rects.data(), rects.size() * sizeof(RECT));
  block.markModified();
  return true;
}

}  // namespace

extern "C" {

ZAN_API zanHandle zanRgnCreateRect(const RECT* rect) {
  if (rect == nullptr) return 0;
  return noThrow(zanHandle{0}, [&]() -> zanHandle {
    std::vector<RECT> rects;
    if (rect->right > rect->left && rect->bottom > rect->top) rects.push_back(*rect);
    zan::HeapBlock block(0, sizeof(RegionHeader));
    if (!block || !writeRegion(block.handle(), rects)) return 0;
    return block.release();
  });
}

ZAN_API int32_t zanRgnSubtract(zanHandle a, zanHandle b) {
  return noThrow(0, [&] {
    const auto rectsA = readRegion(a);
    if (!rectsA) return 0;
    const auto rectsB = b == 0 ? std::vector<RECT>{} : readRegion(b);
    if (!rectsB) return 0;
    return writeRegion(a, tessaly::pltfm::subtractBanded(*rectsA, *rectsB)) ? 1 : 0;
  });
}

ZAN_API int32_t zanRgnIsEmpty(zanHandle region) {
  return zanRgnGetRects(region) == 0 ? 1 : 0;
}

ZAN_API int32_t zanRgnGetRects(zanHandle region) {
  return withRegion(region, 0,
                    [](const RECT*, uint32_t count) { return static_cast<int32_t>(count); });
}

ZAN_API int32_t zanRgnGetRect(zanHandle region, int32_t index, RECT* rect) {
  if (rect == nullptr || index < 0) return 0;
  return withRegion(region, 0, [&](const RECT* rects, uint32_t count) {
    if (static_cast<uint32_t>(index) >= count) return 0;
    *rect = rects[index];
    return 1;
  });
}

ZAN_API int32_t zanRgnDelete(zanHandle region) {
  if (!withRegion(region, false, [](const RECT*, uint32_t) { return true; })) return 0;
  return zanHeapFree(0, region);
}

ZAN_API int32_t zanRgnIsValid(zanHandle region) {
  return noThrow(0, [&] {
    const auto rects = readRegion(region);
    return rects && tessaly::pltfm::isBanded(*rects) ? 1 : 0;
  });
}

}  // extern "C"
