#include "crop_drag.h"

#include <algorithm>
#include <cstdlib>

namespace tessaly::app {
namespace {

constexpr int kReach = kCropHandleSize / 2;

// Column 0 moves the left side, 2 the right one, 1 neither; rows likewise for top and bottom.
int columnOf(int zone) {
  return zone % 3;
}
int rowOf(int zone) {
  return zone / 3;
}

bool near(int a, int b) {
  return std::abs(a - b) <= kReach;
}

// One axis of an edge or corner drag: the moving side follows the pointer (kept in 0..limit),
// the opposite side stays; returns the low and high sides in order.
std::pair<int, int> dragAxis(int moving, int fixed, int pointer, int pressed, int limit) {
  const int moved = std::clamp(moving + pointer - pressed, 0, limit);
  return {std::min(moved, fixed), std::max(moved, fixed)};
}

}  // namespace

int cropZoneAt(const QRect& onScreen, QPoint point, bool sizeLocked) {
  const int left = onScreen.left(), right = onScreen.left() + onScreen.width();
  const int top = onScreen.top(), bottom = onScreen.top() + onScreen.height();
  const int x = point.x(), y = point.y();
  const bool inside = x >= left && x < right && y >= top && y < bottom;
  if (sizeLocked) return inside ? kZoneInside : kNoZone;
  const bool acrossSpan = x >= left - kReach && x <= right + kReach;
  const bool downSpan = y >= top - kReach && y <= bottom + kReach;
  const int column = near(x, left) ? 0 : near(x, right) ? 2 : 1;
  const int row = near(y, top) ? 0 : near(y, bottom) ? 2 : 1;
  if (!acrossSpan || !downSpan) return kNoZone;
  if (column != 1 || row != 1) return row * 3 + column;
  return inside ? kZoneInside : kNoZone;
}

Qt::CursorShape cropZoneCursor(int zone) {
  switch (zone) {
    case kZoneTopLeft:
    case kZoneBottomRight:
      return Qt::SizeFDiagCursor;
    case kZoneTopRight:
    case kZoneBottomLeft:
      return Qt::SizeBDiagCursor;
    case kZoneTop:
    case kZoneBottom:
      return Qt::SizeVerCursor;
    case kZoneLeft:
    case kZoneRight:
      return Qt::SizeHorCursor;
    case kZoneInside:
      return Qt::SizeAllCursor;
    default:
      return Qt::ArrowCursor;
  }
}

CropDrag beginCropDrag(int zone, const QRect& rect, QPoint press, QSize picture) {
  if (zone != kNoZone) return {zone, rect, press};
  const QPoint at(std::clamp(press.x(), 0, picture.width()),
                  std::clamp(press.y(), 0, picture.height()));
  return {kZoneBottomRight, QRect(at, QSize(0, 0)), at};
}

QRect dragCropRectangle(const CropDrag& drag, QPoint point, QSize picture) {
  const QRect& s = drag.start;
  const int dx = point.x() - drag.press.x(), dy = point.y() - drag.press.y();
  if (drag.zone == kZoneInside) {
    const int left = std::clamp(s.left() + dx, 0, std::max(0, picture.width() - s.width()));
    const int top = std::clamp(s.top() + dy, 0, std::max(0, picture.height() - s.height()));
    return {left, top, s.width(), s.height()};
  }
  const int right = s.left() + s.width(), bottom = s.top() + s.height();
  std::pair<int, int> across{s.left(), right}, down{s.top(), bottom};
  if (columnOf(drag.zone) == 0) {
    across = dragAxis(s.left(), right, point.x(), drag.press.x(), picture.width());
  } else if (columnOf(drag.zone) == 2) {
    across = dragAxis(right, s.left(), point.x(), drag.press.x(), picture.width());
  }
  if (rowOf(drag.zone) == 0) {
    down = dragAxis(s.top(), bottom, point.y(), drag.press.y(), picture.height());
  } else if (rowOf(drag.zone) == 2) {
    down = dragAxis(bottom, s.top(), point.y(), drag.press.y(), picture.height());
  }
  return {across.first, down.first, across.second - across.first, down.second - down.first};
}

int draggedCropZone(const CropDrag& drag, QPoint point) {
  if (drag.zone == kZoneInside || drag.zone == kNoZone) return drag.zone;
  const QRect& s = drag.start;
  const int dx = point.x() - drag.press.x(), dy = point.y() - drag.press.y();
  int column = columnOf(drag.zone), row = rowOf(drag.zone);
  // A side dragged past its opposite one becomes that side.
  if (column == 0 && s.left() + dx > s.left() + s.width()) column = 2;
  if (column == 2 && s.left() + s.width() + dx < s.left()) column = 0;
  if (row == 0 && s.top() + dy > s.top() + s.height()) row = 2;
  if (row == 2 && s.top() + s.height() + dy < s.top()) row = 0;
  return row * 3 + column;
}

}  // namespace tessaly::app
