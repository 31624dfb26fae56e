// The preview in the source's window: the bed's low-resolution picture with the scan area drawn
// over it. Dragging a rectangle on it picks a new area.
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>
#include <optional>

#include "preview_scan.h"
#include "scan_area.h"

namespace tessaly::twain {

// The frame as a picture: colour, grey or bilevel (SANE marks black with 1), 16-bit samples
// shown by their high byte. A null image for an empty frame.
QImage imageOfFrame(const PreviewFrame& frame);

class PreviewView final : public QWidget {
 public:
  explicit PreviewView(QWidget* parent);

  // Shows the bed's picture; with bed known, the area can be dragged on it.
  void showBed(const QImage& picture, const std::optional<AreaMm>& bed);
  void setArea(const std::optional<AreaMm>& area);
  const QImage& picture() const { return picture_; }

  // Called with the area a drag picks, while it is dragged and when it ends.
  std::function<void(const AreaMm&)> onAreaDragged;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QPointF millimetresAt(QPointF point) const;
  QRectF rectangleOf(const AreaMm& area) const;
  void dragTo(QPointF point);

  QImage picture_;
  std::optional<AreaMm> bed_;
  std::optional<AreaMm> area_;
  std::optional<QPointF> dragStart_;
};

}  // namespace tessaly::twain
