// Views: one picture shown in a window area of a device at a zoom ratio and a scroll position,
// with a visibility value of its own per layer and a cache holding the composed image of the
// visible area.
//
// Three coordinate spaces meet here: layer coordinates, picture coordinates (layer coordinates
// plus the layer's left-top corner) and view coordinates (device pixels): VP = PP x zoom - scroll.
// The view maps between the last two with a PointMapping of origin = scroll and ratio = zoom.
#pragma once

#include <cstdint>

#include "object.h"
#include "point_mapping.h"

namespace tessaly::engine {

// Visibility values of a layer in one view.
constexpr int32_t kHiddenInView = 0;
constexpr int32_t kShownInView = 1;      // shown even when the layer's own flag is off
constexpr int32_t kFollowLayerFlag = 2;  // what every layer gets on entering the view

struct View {
  HandleObject base;
  zanHandle picture;              // the picture shown (not owned), 0 for none
  zanHandle cache;                // cache picture, owned, 0 until first needed
  HeapArray<int32_t> visibility;  // one value per layer of the picture, in layer order
  int32_t scrollX;
  int32_t scrollY;
  int32_t zoomNumerator;
  int32_t zoomDenominator;
  RECT rect;         // the view's area on the device
  int32_t value306;  // stored values; the engine only keeps them
  int32_t value308;
  int32_t value309;
  int32_t qualityGrade;

  PointMapping mapping() const {
    return PointMapping{scrollX, scrollY, zoomNumerator, zoomDenominator};
  }
  // The view rectangle moved to 0, 0: the area the cache covers.
  RECT area() const;

  static const ObjectOps ops;
};
static_assert(std::is_trivially_copyable_v<View> && std::is_standard_layout_v<View>);

// A new view with zoom 1 / 1, quality grade 1 and value306 stored; no picture yet.
zanHandle createView(int32_t value306);
// A new view with the same zoom and quality grade (no picture, no cache, scroll 0, 0).
zanHandle cloneView(const View& source);

// Shows another picture (0: none): the view leaves its old picture's view list, joins the new
// one's and every layer gets kFollowLayerFlag.
void attachPicture(View& view, zanHandle picture);
// The picture is going: the view keeps no handle of it.
void forgetPicture(zanHandle view, zanHandle picture) noexcept;
// Layer list changes of the picture, applied to the visibility list of each of its views: a
// layer entering at the 1-based index gets kFollowLayerFlag there, a leaving one takes its entry.
struct Picture;
void layerEnteredViews(const Picture& picture, int32_t index);
void layerLeftViews(const Picture& picture, int32_t index);

// The property hooks (view_props.cpp).
int32_t viewSetHook(HandleObject* self, int32_t id, const void* data, uint32_t size,
                    uint32_t flags);
int32_t viewGetHook(HandleObject* self, int32_t id, void* buffer, uint32_t size, uint32_t flags);

// The visibility value of the 1-based layer index, ZAN_ERR_ARG outside the list.
int32_t layerVisibility(const View& view, int32_t index);
// Stores a value and answers the previous one (ZAN_ERR_ARG outside the list); the view's cache
// recomposes the layer's area.
int32_t setLayerVisibility(View& view, int32_t index, int32_t value);

// Cache (view_cache.cpp). The view tells its cache about every change with a code and a rectangle
// (picture coordinates for layer and arrangement changes).
void tellCache(View& view, int32_t code, const RECT& rect);
// The cache's composite layer, made when missing, with every changed part of area (view
// coordinates, clipped to the view) composed again. Throws.
zanHandle refreshCache(View& view, const RECT& area);
// The union of the changed parts of the composite's tiles; ZAN_ERR_LOCK with the whole cache size
// when the cache has no composite yet; the whole view area without a cache.
int32_t cacheDirty(View& view, RECT& dirty);
// Destroys the cache and its composite.
void dropCache(View& view) noexcept;

}  // namespace tessaly::engine
