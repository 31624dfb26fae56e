// Exported view helpers: zooming about an anchor point and panning with the left button. Both
// work on the engine's view properties only; drawing stays with the program.
#include <cmath>

#include "guard.h"
#include "zanengin.h"

using namespace tessaly::tools;

namespace {

struct ViewZoom {
  int32_t numerator;
  int32_t denominator;
};

template <typename T>
bool viewValue(zanHandle view, int32_t id, T& value) {
  return zanGetViewProperty(view, id, &value, sizeof value, nullptr) >= 0;
}

template <typename T>
void setViewValue(zanHandle view, int32_t id, const T& value) {
  zanSetViewProperty(view, id, &value, sizeof value, 0);
}

// The new scroll coordinate that keeps the anchor over the same picture point when the zoom
// goes from e to f (each a denominator over a numerator), in real arithmetic, truncated.
int32_t anchoredScroll(double e, double f, int32_t anchor, int32_t scroll) {
  return static_cast<int32_t>(std::trunc(((e - f) * anchor + e * scroll) / f));
}

// One coordinate of a pan: the candidate unless it goes below 0 or the view is larger than the
// zoomed picture (then the old value), at most the limit.
int32_t pannedScroll(int32_t old, int64_t candidate, int64_t zoomedSize, int32_t viewSize) {
  const int64_t limit = zoomedSize - viewSize;
  if (candidate < 0 || limit < 0) return old;
  return static_cast<int32_t>(std::min(candidate, limit));
}

// The one pan in progress, process-wide as there is one pointer.
struct PanState {
  bool dragging = false;
  bool moved = false;
  POINT last{};
};
PanState pan;

POINT pointOf(intptr_t lParam) {
  return POINT{static_cast<int16_t>(lParam & 0xFFFF),
               static_cast<int16_t>((lParam >> 16) & 0xFFFF)};
}

// Moves the scroll position by the pointer's movement since the last point; true when the view
// exists and has a picture.
bool panTo(zanHandle view, POINT current) {
  POINT scroll{};
  ViewZoom zoom{};
  RECT area{};
  int32_t picture = 0;
  if (!viewValue(view, ZAN_VIEW_SCROLL, scroll) || !viewValue(view, ZAN_VIEW_ZOOM, zoom) ||
      !viewValue(view, ZAN_VIEW_RECT, area) || !viewValue(view, ZAN_VIEW_PICTURE, picture) ||
      picture == 0 || zoom.numerator <= 0 || zoom.denominator <= 0)
    return false;
  int32_t width = 0, height = 0;
  zanGetPictureProperty(static_cast<zanHandle>(picture), ZAN_PICT_WIDTH, &width, 4, nullptr);
  zanGetPictureProperty(static_cast<zanHandle>(picture), ZAN_PICT_HEIGHT, &height, 4, nullptr);
  const auto zoomed = [&](int32_t size) {
    return int64_t{size} * zoom.numerator / zoom.denominator;
  };
  const POINT moved{pannedScroll(scroll.x, int64_t{scroll.x} + pan.last.x - current.x,
                                 zoomed(width), area.right - area.left),
                    pannedScroll(scroll.y, int64_t{scroll.y} + pan.last.y - current.y,
                                 zoomed(height), area.bottom - area.top)};
  setViewValue(view, ZAN_VIEW_SCROLL, moved);
  pan.last = current;
  return true;
}

constexpr uint32_t kMouseMove = 0x0200;
constexpr uint32_t kLeftButtonDown = 0x0201;
constexpr uint32_t kLeftButtonUp = 0x0202;

}  // namespace

extern "C" {

ZAN_API int32_t matZoomView(zanHandle view, const int32_t* zoom, const POINT* anchor) {
  return guardFlag([&] {
    ViewZoom old{};
    if (zoom == nullptr || zoom[0] <= 0 || zoom[1] <= 0 || !viewValue(view, ZAN_VIEW_ZOOM, old) ||
        old.numerator <= 0 || old.denominator <= 0)
      return false;
    if (old.numerator == zoom[0] && old.denominator == zoom[1]) return true;
    if (anchor != nullptr) {
      const double e = double(old.denominator) / old.numerator;
      const double f = double(zoom[1]) / zoom[0];
      POINT scroll{};
      viewValue(view, ZAN_VIEW_SCROLL, scroll);
      setViewValue(view, ZAN_VIEW_SCROLL,
                   POINT{anchoredScroll(e, f, anchor->x, scroll.x),
                         anchoredScroll(e, f, anchor->y, scroll.y)});
    }
    setViewValue(view, ZAN_VIEW_ZOOM, ViewZoom{zoom[0], zoom[1]});
    return true;
  });
}

ZAN_API int32_t matPanProc(zanHandle view, uint32_t message, uintptr_t /*wParam*/,
                           intptr_t lParam) {
  return guardFlag([&] {
    const POINT point = pointOf(lParam);
    switch (message) {
      case kLeftButtonDown:
        pan = PanState{true, false, point};
        return false;
      case kMouseMove:
        if (!pan.dragging) return false;
        pan.moved = true;
        return panTo(view, point);
      case kLeftButtonUp: {
        if (!pan.dragging) return false;
        const bool panned = pan.moved && panTo(view, point);
        pan = PanState{};
        return panned;
      }
      default:
        return false;
    }
  });
}

}  // extern "C"
