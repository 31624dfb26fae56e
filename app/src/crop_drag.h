// Dragging the crop rectangle: which part of it the pointer is over (nine zones, found on
// screen), the pointer shape of each, and the rectangle a drag gives (in picture pixels).
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <Qt>

namespace tessaly::app {

// The zones, row by row: corners, edges and the inside.
enum CropZone : int {
  kZoneTopLeft = 0,
  kZoneTop = 1,
  kZoneTopRight = 2,
  kZoneLeft = 3,
  kZoneInside = 4,
  kZoneRight = 5,
  kZoneBottomLeft = 6,
  kZoneBottom = 7,
  kZoneBottomRight = 8,
};
constexpr int kNoZone = -1;

// Handles are this many pixels square, centred on the corners and the edges' midpoints; an
// edge or a corner can be taken within half of it.
constexpr int kCropHandleSize = 10;

// The zone of `point` for the rectangle `onScreen`; kNoZone outside every zone. With the size
// locked only the inside counts.
int cropZoneAt(const QRect& onScreen, QPoint point, bool sizeLocked);

Qt::CursorShape cropZoneCursor(int zone);

// A drag in progress: the zone taken and the rectangle and pointer when it began.
struct CropDrag {
  int zone = kNoZone;
  QRect start;
  QPoint press;
};

// A drag of `zone` of `rect` from `press` (picture pixels). Outside every zone it starts a new
// rectangle at `press` (kept in the picture), dragged by its corner.
CropDrag beginCropDrag(int zone, const QRect& rect, QPoint press, QSize picture);

// The rectangle with the pointer at `point`: the inside moves the whole rectangle, kept in the
// picture; an edge moves its side and a corner its two sides, the opposite ones staying put,
// the pointer kept in the picture and the result normalised.
QRect dragCropRectangle(const CropDrag& drag, QPoint point, QSize picture);

// The zone the pointer holds at `point`: an edge or corner dragged past the opposite side is
// the mirrored one, and a new rectangle's corner is the one the drag's direction gives.
int draggedCropZone(const CropDrag& drag, QPoint point);

}  // namespace tessaly::app
