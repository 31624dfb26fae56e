#include "crop_mask.h"

#include <algorithm>
#include <cmath>

#include "crop_drag.h"

namespace tessaly::app {
namespace {

int scaled(int value, int from, int to) {
  return int(std::lround(double(value) * to / from));
}

}  // namespace

QPoint CropScreen::toPicture(QPoint view) const {
  if (!valid()) return {};
  return {scaled(view.x() - image.left(), image.width(), picture.width()),
          scaled(view.y() - image.top(), image.height(), picture.height())};
}

QRect CropScreen::toView(const QRect& rect) const {
  if (!valid()) return {};
  const int left = image.left() + scaled(rect.left(), picture.width(), image.width());
  const int top = image.top() + scaled(rect.top(), picture.height(), image.height());
  const int right =
      image.left() + scaled(rect.left() + rect.width(), picture.width(), image.width());
  const int bottom =
      image.top() + scaled(rect.top() + rect.height(), picture.height(), image.height());
  return {left, top, right - left, bottom - top};
}

QRect snapCropRectangle(const QRect& rect, const CropScreen& screen) {
  if (!screen.valid() || rect.isEmpty()) return rect;
  const QRect onView = screen.toView(rect);
  QRect snapped = rect;
  if (onView.left() <= screen.image.left() &&
      onView.left() + onView.width() >= screen.image.left() + screen.image.width()) {
    snapped.setLeft(0);
    snapped.setWidth(screen.picture.width());
  }
  if (onView.top() <= screen.image.top() &&
      onView.top() + onView.height() >= screen.image.top() + screen.image.height()) {
    snapped.setTop(0);
    snapped.setHeight(screen.picture.height());
  }
  return snapped;
}

CropMaskLayout layoutCropMask(QSize panel, const QRect& onView) {
  const int width = panel.width(), height = panel.height();
  const int left = std::clamp(onView.left(), 0, width);
  const int right = std::clamp(onView.left() + onView.width(), left, width);
  const int top = std::clamp(onView.top(), 0, height);
  const int bottom = std::clamp(onView.top() + onView.height(), top, height);
  CropMaskLayout layout;
  layout.top = QRect(0, 0, width, top);
  layout.bottom = QRect(0, bottom, width, height - bottom);
  layout.left = QRect(0, top, left, bottom - top);
  layout.right = QRect(right, top, width - right, bottom - top);

  const int across = right - left, down = bottom - top;
  layout.borders = {QRect(left, top - 1, across, 2), QRect(left, bottom - 1, across, 2),
                    QRect(left - 1, top, 2, down), QRect(right - 1, top, 2, down)};
  const int middleX = (left + right) / 2, middleY = (top + bottom) / 2;
  const QPoint centres[8] = {{left, top},      {middleX, top}, {right, top},      {left, middleY},
                             {right, middleY}, {left, bottom}, {middleX, bottom}, {right, bottom}};
  const int half = kCropHandleSize / 2;
  for (size_t i = 0; i < layout.handles.size(); ++i) {
    layout.handles[i] =
        QRect(centres[i].x() - half, centres[i].y() - half, kCropHandleSize, kCropHandleSize);
  }
  return layout;
}

}  // namespace tessaly::app
