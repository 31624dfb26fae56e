#include <QPainter>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>

#include "host_widgets.h"

namespace tessaly::host {

namespace {
constexpr double kLeastScale = 0.0001;
constexpr double kMostScale = 64.0;
}  // namespace

ImageView::ImageView(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAutoFillBackground(false);
}

void ImageView::setImage(const QImage& image) {
  image_ = image;
  reduced_ = QImage();
  scroll_ = clampedScroll(scroll_);
  update();
}

void ImageView::setFit(bool fit) {
  fit_ = fit;
  if (fit) scroll_ = {};
  update();
}

void ImageView::setZoom(int percent) {
  setScale(percent * 100);
}

int ImageView::zoom() const {
  return std::max(1, int(std::lround(shownScale() * 100)));
}

void ImageView::setScale(int tenThousandths) {
  scale_ = std::clamp(tenThousandths / 10000.0, kLeastScale, kMostScale);
  fit_ = false;
  scroll_ = clampedScroll(scroll_);
  update();
}

int ImageView::scale() const {
  return int(std::lround(shownScale() * 10000));
}

double ImageView::shownScale() const {
  if (!fit_) return scale_;
  if (image_.isNull() || width() <= 0 || height() <= 0) return 1.0;
  return std::min(double(width()) / image_.width(), double(height()) / image_.height());
}

QSize ImageView::scaledSize() const {
  if (image_.isNull()) return {};
  if (fit_) return image_.size().scaled(size(), Qt::KeepAspectRatio);
  return {std::max(1, int(std::lround(image_.width() * scale_))),
          std::max(1, int(std::lround(image_.height() * scale_)))};
}

QPoint ImageView::clampedScroll(QPoint position) const {
  if (fit_) return {};
  const QSize shown = scaledSize();
  return {std::clamp(position.x(), 0, std::max(0, shown.width() - width())),
          std::clamp(position.y(), 0, std::max(0, shown.height() - height()))};
}

void ImageView::setScrollPosition(QPoint position) {
  const QPoint clamped = clampedScroll(position);
  if (clamped == scroll_) return;
  scroll_ = clamped;
  update();
}

QRect ImageView::imageRect() const {
  const QSize shown = scaledSize();
  if (shown.isEmpty()) return {};
  // Centred along a direction where the image is smaller than the view, scrolled where larger.
  const int x = shown.width() < width() ? (width() - shown.width()) / 2 : -scroll_.x();
  const int y = shown.height() < height() ? (height() - shown.height()) / 2 : -scroll_.y();
  return {QPoint(x, y), shown};
}

const QImage& ImageView::reducedCopy(QSize size) {
  if (reduced_.size() != size) {
    reduced_ = image_.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }
  return reduced_;
}

void ImageView::resizeEvent(QResizeEvent* event) {
  scroll_ = clampedScroll(scroll_);
  QWidget::resizeEvent(event);
}

void ImageView::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QRect placed = imageRect();
  const QRect dirty = event->rect();
  // Only the background around the image is filled, so the image's pixels are written once.
  for (const QRect& part : (QRegion(dirty) - QRegion(placed)))
    painter.fillRect(part, palette().window());
  if (placed.isEmpty()) return;
  const QRect visible = placed.intersected(dirty);
  if (visible.isEmpty()) return;
  if (placed.width() <= image_.width() && placed.height() <= image_.height()) {
    // Shown smaller (or 1:1): the reduced copy is drawn pixel for pixel.
    const QImage& copy = reducedCopy(placed.size());
    painter.drawImage(visible.topLeft(), copy, visible.translated(-placed.topLeft()));
    return;
  }
  // Enlarged: only the source pixels under the visible part are scaled.
  const double sx = double(image_.width()) / placed.width();
  const double sy = double(image_.height()) / placed.height();
  const QRectF source((visible.left() - placed.left()) * sx, (visible.top() - placed.top()) * sy,
                      visible.width() * sx, visible.height() * sy);
  painter.drawImage(QRectF(visible), image_, source);
}

}  // namespace tessaly::host
