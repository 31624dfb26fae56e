#include "rotation_tool.h"

#include <QAbstractButton>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "crop_presets.h"
#include "folders.h"
#include "main_frame.h"
#include "picture_layers.h"
#include "result_canvas.h"
#include "rotation_angle.h"
#include "tessaly/host/widgets.h"
#include "turn_matrix.h"

namespace tessaly::app {

using namespace tessaly::host;

namespace {

// The slider's own events (moved, let go, paged) besides the host's generic value change.
constexpr int kSliderEvents[] = {kEventSelect, 1005, 1006, 1021};
// Below this fitted scale the previews are made from a copy reduced to twice the fitted scale.
constexpr double kReducePreviewsBelow = 0.4;
// Steps of the -/+ buttons: one per press, twenty per repeat while held down.
constexpr int kButtonStep = 1;
constexpr int kHeldButtonStep = 20;

bool isSliderEvent(int event) {
  return std::find(std::begin(kSliderEvents), std::end(kSliderEvents), event) !=
         std::end(kSliderEvents);
}

QImage loadReferenceLines() {
  ZanObject* picture = Zan0CreateObj(kPicture);
  const std::string path = programFolder() + "UI/RefLine.pue";
  QImage lines;
  if (picture && Zan0Inter(picture, op::kPictureLoad, reinterpret_cast<intptr_t>(path.c_str()))) {
    lines = pictureImage(picture).convertToFormat(QImage::Format_BGR888);
  }
  Zan0Release(picture);
  return lines;
}

// Lays the lines over the image, tiled from the top-left corner; their pure white is clear.
void layReferenceLines(QImage& image, const QImage& lines) {
  if (lines.isNull() || image.format() != QImage::Format_BGR888) return;
  for (int y = 0; y < image.height(); ++y) {
    const uchar* line = lines.constScanLine(y % lines.height());
    uchar* pixel = image.scanLine(y);
    for (int x = 0; x < image.width(); ++x, pixel += 3) {
      const uchar* mark = line + 3 * (x % lines.width());
      if (mark[0] == 255 && mark[1] == 255 && mark[2] == 255) continue;
      pixel[0] = mark[0], pixel[1] = mark[1], pixel[2] = mark[2];
    }
  }
}

}  // namespace

RotationTool::RotationTool(ResultCanvas& canvas, std::function<bool()> wasRotated)
    : canvas_(canvas), wasRotated_(std::move(wasRotated)) {
  handlers_ = {{{"chck_rotate", onControl, this},
                {"hscrl_slidebar", onControl, this},
                {"butn_reduce", onControl, this},
                {"butn_text1", onControl, this},
                {"butn_OK", onControl, this},
                {"butn_cancel", onControl, this}}};
  Zan0Inter(canvas_.frame().root(), op::kHandlerTable, reinterpret_cast<intptr_t>(handlers_.data()),
            intptr_t(handlers_.size()));
  Zan0Inter(control("hscrl_slidebar"), op::kScrollSetRange, kLeastAngle, kMostAngle);
}

RotationTool::~RotationTool() {
  Zan0Inter(canvas_.frame().root(), op::kHandlerTable, reinterpret_cast<intptr_t>(handlers_.data()),
            -intptr_t(handlers_.size()));
}

ZanObject* RotationTool::control(const char* name) const {
  return canvas_.frame().control(name);
}

intptr_t RotationTool::onControl(ZanObject* control, int event, intptr_t, void* context) {
  auto* tool = static_cast<RotationTool*>(context);
  QWidget* widget = widgetOf(control);
  if (widget) tool->handle(widget->objectName(), event, control);
  return 0;
}

void RotationTool::handle(const QString& name, int event, ZanObject* control) {
  if (name == "chck_rotate" && event == kEventClick) {
    const bool checked = Zan0Inter(control, op::kGetChecked) != 0;
    if (checked && !open_) open();
    if (!checked && open_) cancel();
    if (checked && !open_) Zan0Inter(control, op::kSetChecked, 0);  // nothing to rotate
    return;
  }
  if (!open_) return;
  if (name == "hscrl_slidebar" && isSliderEvent(event)) {
    const int position = int(Zan0Inter(control, op::kScrollValue));
    if (position != angle_) setAngle(position);
  } else if ((name == "butn_reduce" || name == "butn_text1") && event == kEventClick) {
    // A repeat while the button is still held down moves by the larger step.
    auto* button = qobject_cast<QAbstractButton*>(widgetOf(control));
    const int step = button && button->isDown() ? kHeldButtonStep : kButtonStep;
    setAngle(angle_ + (name == "butn_reduce" ? -step : step));
  } else if (name == "butn_OK" && event == kEventClick) {
    apply();
  } else if (name == "butn_cancel" && event == kEventClick) {
    cancel();
  }
}

int RotationTool::openingAngle() const {
  const int preset = pictureCropPreset(start_.width(), start_.height(), canvas_.resolutionX(),
                                       canvas_.resolutionY());
  if (preset != 1 && preset != 2) return 0;
  double radians = 0;
  if (!measureSkew || !measureSkew(start_, &radians)) return 0;
  return presetAngle(skewDegrees(radians), wasRotated_ && wasRotated_());
}

void RotationTool::open() {
  if (open_ || !canvas_.picture()) return;
  start_ = pictureImage(canvas_.picture());
  if (start_.isNull()) return;
  referenceLines_ = loadReferenceLines();
  const QWidget* view = widgetOf(canvas_.view());
  const QSize area = view ? view->contentsRect().size() : start_.size();
  fit_ = std::min(double(area.width()) / start_.width(), double(area.height()) / start_.height());
  fit_ = std::max(fit_, 1.0 / std::min(start_.width(), start_.height()));
  previewSource_ = std::make_unique<TurnSource>(
      fit_ < kReducePreviewsBelow ? reducedBy(start_, 2 * fit_) : start_);
  if (!previewSource_->isValid()) {
    previewSource_.reset();
    start_ = QImage();
    Zan0Inter(control("chck_rotate"), op::kSetChecked, 0);
    return;
  }
  open_ = true;
  angle_ = clampAngle(openingAngle());
  Zan0Inter(control("hscrl_slidebar"), op::kScrollSetValue, angle_);
  Zan0Inter(control("vcata1"), op::kShow, 1);
  Zan0Inter(control("chck_rotate"), op::kSetChecked, 1);
  showAngle();
  renderPreview();
  canvas_.toolOpenedOrClosed();
}

void RotationTool::setAngle(int value) {
  if (!open_) return;
  angle_ = clampAngle(value);
  if (Zan0Inter(control("hscrl_slidebar"), op::kScrollValue) != angle_) {
    Zan0Inter(control("hscrl_slidebar"), op::kScrollSetValue, angle_);
  }
  showAngle();
  renderPreview();
}

void RotationTool::showAngle() {
  Zan0Inter(control("view_angle"), op::kSetText,
            reinterpret_cast<intptr_t>(angleText(angle_).toUtf8().constData()));
  Zan0Inter(control("butn_reduce"), op::kEnable, canReduceAngle(angle_));
  Zan0Inter(control("butn_text1"), op::kEnable, canIncreaseAngle(angle_));
}

void RotationTool::renderPreview() {
  if (!previewSource_) return;
  // Scale factors that bring the preview source to the fitted size of the picture.
  const double sx = std::lround(fit_ * start_.width()) / double(previewSource_->width());
  const double sy = std::lround(fit_ * start_.height()) / double(previewSource_->height());
  preview_ = previewSource_->turned(
      turnGeometry(previewSource_->width(), previewSource_->height(), sx, sy, angle_));
  layReferenceLines(preview_, referenceLines_);
  Zan0Inter(canvas_.view(), op::kViewSetImage, reinterpret_cast<intptr_t>(&preview_));
  Zan0Inter(canvas_.view(), op::kViewSetScale, 10000);  // 1:1
}

void RotationTool::apply() {
  if (!open_) return;
  const int angle = angle_;
  const QImage start = start_;
  // The preview source is the picture itself when no reduced copy was made.
  const bool previewIsFull = previewSource_ && previewSource_->width() == start.width() &&
                             previewSource_->height() == start.height();
  std::unique_ptr<TurnSource> full =
      previewIsFull ? std::move(previewSource_) : std::make_unique<TurnSource>(start);
  previewSource_.reset();
  const QImage turned = full->turned(turnGeometry(start.width(), start.height(), 1, 1, angle));
  full.reset();
  ZanObject* picture = turned.isNull()
                           ? nullptr
                           : pictureFromImage(turned, canvas_.resolutionX(), canvas_.resolutionY());
  close();
  // A turn the tools could not make leaves the picture as it was.
  if (!picture) return;
  canvas_.replacePicture(picture);
  canvas_.pictureChanged(ResultChange::Rotated);
}

void RotationTool::cancel() {
  if (!open_) return;
  close();
}

void RotationTool::close() {
  open_ = false;
  previewSource_.reset();
  start_ = QImage();
  preview_ = QImage();
  referenceLines_ = QImage();
  angle_ = 0;
  Zan0Inter(control("hscrl_slidebar"), op::kScrollSetValue, 0);
  // The view shows the picture again, fitted.
  Zan0Inter(canvas_.view(), op::kViewSetPicture, reinterpret_cast<intptr_t>(canvas_.picture()));
  canvas_.refit();
  Zan0Inter(control("vcata1"), op::kShow, 0);
  Zan0Inter(control("chck_rotate"), op::kSetChecked, 0);
  canvas_.toolOpenedOrClosed();
}

}  // namespace tessaly::app
