#include "preview_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cstring>

namespace tessaly::twain {
namespace {

// The largest the preview is shown; a picture keeps its proportions inside it.
constexpr int kViewSide = 240;

// A 16-bit sample's high byte: SANE delivers such samples in the machine's byte order.
unsigned char highByte(const unsigned char* sample) {
  uint16_t value = 0;
  std::memcpy(&value, sample, sizeof value);
  return static_cast<unsigned char>(value >> 8);
}

void copyRow(const PreviewFrame& frame, const unsigned char* in, unsigned char* out) {
  const int samples = frame.shape.width * (frame.shape.colour ? 3 : 1);
  if (frame.shape.depth == 16) {
    for (int i = 0; i < samples; ++i) out[i] = highByte(in + 2 * i);
  } else {
    std::memcpy(out, in, frame.shape.depth == 1 ? (size_t(frame.shape.width) + 7) / 8 : samples);
  }
}

QImage::Format formatOf(const FrameShape& shape) {
  if (shape.depth == 1) return QImage::Format_Mono;
  return shape.colour ? QImage::Format_RGB888 : QImage::Format_Grayscale8;
}

}  // namespace

QImage imageOfFrame(const PreviewFrame& frame) {
  const FrameShape& shape = frame.shape;
  if (shape.width <= 0 || shape.lines <= 0 ||
      frame.bytes.size() < size_t(frame.rowBytes) * size_t(shape.lines))
    return {};
  QImage image(shape.width, shape.lines, formatOf(shape));
  if (image.isNull()) return {};
  if (shape.depth == 1) image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
  for (int y = 0; y < shape.lines; ++y)
    copyRow(frame, frame.bytes.data() + size_t(y) * frame.rowBytes, image.scanLine(y));
  return image;
}

PreviewView::PreviewView(QWidget* parent) : QWidget(parent) {
  setFixedSize(kViewSide, kViewSide * 3 / 4);
  setCursor(Qt::CrossCursor);
}

void PreviewView::showBed(const QImage& picture, const std::optional<AreaMm>& bed) {
  picture_ = picture;
  bed_ = bed;
  if (!picture_.isNull())
    setFixedSize(picture_.size().scaled(kViewSide, kViewSide, Qt::KeepAspectRatio));
  update();
}

void PreviewView::setArea(const std::optional<AreaMm>& area) {
  area_ = area;
  update();
}

QPointF PreviewView::millimetresAt(QPointF point) const {
  const double x = std::clamp(point.x(), 0.0, double(width())) / width();
  const double y = std::clamp(point.y(), 0.0, double(height())) / height();
  return {bed_->left + x * bed_->width, bed_->top + y * bed_->height};
}

QRectF PreviewView::rectangleOf(const AreaMm& area) const {
  const double sx = width() / bed_->width;
  const double sy = height() / bed_->height;
  return {(area.left - bed_->left) * sx, (area.top - bed_->top) * sy, area.width * sx,
          area.height * sy};
}

void PreviewView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (picture_.isNull()) {
    painter.fillRect(rect(), palette().mid());
    painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("No preview"));
    return;
  }
  painter.drawImage(rect(), picture_);
  if (!bed_ || !area_ || bed_->width <= 0 || bed_->height <= 0) return;
  painter.setPen(QPen(Qt::red, 1));
  painter.drawRect(rectangleOf(*area_));
}

void PreviewView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || picture_.isNull() || !bed_ || bed_->width <= 0 ||
      bed_->height <= 0)
    return;
  dragStart_ = event->position();
}

void PreviewView::mouseMoveEvent(QMouseEvent* event) {
  if (dragStart_) dragTo(event->position());
}

void PreviewView::mouseReleaseEvent(QMouseEvent* event) {
  if (!dragStart_ || event->button() != Qt::LeftButton) return;
  dragTo(event->position());
  dragStart_.reset();
}

void PreviewView::dragTo(QPointF point) {
  // A click without a drag keeps the area it had.
  if ((point - *dragStart_).manhattanLength() < 2) return;
  const QPointF from = millimetresAt(*dragStart_);
  const QPointF to = millimetresAt(point);
  const AreaMm area{std::min(from.x(), to.x()), std::min(from.y(), to.y()),
                    std::abs(to.x() - from.x()), std::abs(to.y() - from.y())};
  setArea(area);
  if (onAreaDragged) onAreaDragged(area);
}

}  // namespace tessaly::twain
