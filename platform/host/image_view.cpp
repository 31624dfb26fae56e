#include <QPainter>
#include <algorithm>
#include <cmath>

#include "host_widgets.h"

namespace tessaly::host {

namespace {
constexpr int kLeastZoom = 1;
constexpr int kMostZoom = 6400;
}  // namespace

ImageView::ImageView(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAutoFillBackground(false);
}

void ImageView::setImage(const QImage& image) {
  image_ = image;
  update();
}

void ImageView::setFit(bool fit) {
  fit_ = fit;
  update();
}

void ImageView::setZoom(int percent) {
  zoom_ = std::clamp(percent, kLeastZoom, kMostZoom);
  fit_ = false;
  update();
}

int ImageView::zoom() const {
  if (!fit_) return zoom_;
  if (image_.isNull() || width() <= 0 || height() <= 0) return 100;
  const double scale =
      std::min(double(width()) / image_.width(), double(height()) / image_.height());
  return std::max(1, int(std::lround(scale * 100)));
}

QRect ImageView::imageRect() const {
  if (image_.isNull()) return {};
  if (!fit_) {
    return {0, 0, int(std::lround(image_.width() * zoom_ / 100.0)),
            int(std::lround(image_.height() * zoom_ / 100.0))};
  }
  const QSize shown = image_.size().scaled(size(), Qt::KeepAspectRatio);
  return {QPoint((width() - shown.width()) / 2, (height() - shown.height()) / 2), shown};
}

void ImageView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().window());
  if (image_.isNull()) return;
  painter.setRenderHint(QPainter::SmoothPixmapTransform, zoom() < 100);
  painter.drawImage(imageRect(), image_);
}

}  // namespace tessaly::host
