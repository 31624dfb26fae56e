// The crop mask's geometry: where the picture lies in the image view, the crop rectangle there,
// and the places of the mask's four panels, four borders and eight handles around it.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <array>

namespace tessaly::app {

// Between picture pixels and the view's pixels, for a picture shown at `image` in the view.
struct CropScreen {
  QRect image;    // the picture's place in the view
  QSize picture;  // the picture's size in pixels

  bool valid() const { return !image.isEmpty() && !picture.isEmpty(); }
  // The picture pixel under a view point (rounded; may lie outside the picture).
  QPoint toPicture(QPoint view) const;
  // A rectangle of the picture on the view, each side rounded to the nearest view pixel.
  QRect toView(const QRect& rect) const;
};

// The rectangle made exact where it covers the picture on screen: a rectangle whose sides reach
// the picture's edges on screen spans 0..width (or 0..height) exactly, which a pointer cannot
// point to when one view pixel stands for several picture pixels.
QRect snapCropRectangle(const QRect& rect, const CropScreen& screen);

struct CropMaskLayout {
  // Outside the rectangle: above and below across the whole panel, left and right beside it.
  QRect top, left, right, bottom;
  // Edges two pixels thick centred on the rectangle's sides: top, bottom, left, right.
  std::array<QRect, 4> borders;
  // Handles on the corners and the edges' midpoints, in zone order without the inside
  // (top-left, top, top-right, left, right, bottom-left, bottom, bottom-right).
  std::array<QRect, 8> handles;
};

// The layout on a panel of `panel` size for the rectangle `onView` (view pixels).
CropMaskLayout layoutCropMask(QSize panel, const QRect& onView);

}  // namespace tessaly::app
