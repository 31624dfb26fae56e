#include "result_page.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "crop_tool.h"
#include "grey_test.h"
#include "main_frame.h"
#include "message_box.h"
#include "picture_layers.h"
#include "picture_tools.h"
#include "result_skew.h"
#include "rotation_tool.h"
#include "save_question.h"
#include "stitch_pieces.h"
#include "stitch_run.h"
#include "tessaly/host/widgets.h"
#include "ui_strings.h"

namespace tessaly::app {

using namespace tessaly::host;

namespace {

// Pixels of the view moved by one arrow key.
constexpr int kScrollStep = 40;
// Pixels per inch taken when the pieces tell none.
constexpr int kFallbackResolution = 50;

int knownResolution(int resolution) {
  return resolution < 1 ? kFallbackResolution : resolution;
}

}  // namespace

ResultPage::ResultPage(MainFrame& frame)
    : frame_(frame), saver_(frame.window(), frame.strings(), frame.settings()) {
  view_ = frame_.control("imgc1");
  saver_.setStatus = [this](const QString& text) { frame_.setStatus(text, true); };
  saver_.status = [this] {
    std::string text;
    Zan0Inter(frame_.control("view_text4"), op::kGetText, reinterpret_cast<intptr_t>(&text));
    return QString::fromStdString(text);
  };
  showMessage = [this](int number) {
    messageBox(frame_.window(), frame_.strings(), number, kStyleOk | kIconError);
  };
  buttons_ = {{{"butn_save", onButton, this},
               {"butn_enhance", onButton, this},
               {"butn_restore", onButton, this}}};
  Zan0Inter(frame_.root(), op::kHandlerTable, reinterpret_cast<intptr_t>(buttons_.data()),
            intptr_t(buttons_.size()));
  crop_ = std::make_unique<CropTool>(*this);
  rotation_ = std::make_unique<RotationTool>(*this, [this] { return state_.rotated; });
  rotation_->measureSkew = [this](const QImage& image, double* radians) {
    return measureSkew(frame_.stitchRun(), image, radians);
  };
  if (QWidget* widget = widgetOf(view_)) {
    widget->installEventFilter(this);
    widget->setMouseTracking(true);
  }
}

ResultPage::~ResultPage() {
  if (QWidget* widget = widgetOf(view_)) widget->removeEventFilter(this);
  Zan0Inter(frame_.root(), op::kHandlerTable, reinterpret_cast<intptr_t>(buttons_.data()),
            -intptr_t(buttons_.size()));
  rotation_.reset();
  crop_.reset();
  dropPicture();
}

void ResultPage::activate() {
  active_ = true;
  frame_.strings().setControlText(frame_.control("view_text3"), text::kResultHint);
}

void ResultPage::deactivate() {
  active_ = false;
  // Leaving the page closes its tools and lets the picture go, with its work copy.
  closeTools();
  dropPicture();
}

bool ResultPage::toolOpen() const {
  return crop_->isOpen() || rotation_->isOpen();
}

void ResultPage::closeTools() {
  if (rotation_->isOpen()) rotation_->cancel();
  if (crop_->isOpen()) crop_->cancel();
}

intptr_t ResultPage::onButton(ZanObject* control, int event, intptr_t, void* context) {
  auto* page = static_cast<ResultPage*>(context);
  if (event != kEventClick || !page->isActive()) return 0;
  const QString name = widgetOf(control)->objectName();
  if (name == "butn_save") page->save();
  if (name == "butn_enhance") page->enhance();
  if (name == "butn_restore") page->restore();
  return 0;
}

void ResultPage::command(PageCommand command, intptr_t a, intptr_t b, bool& handled) {
  handled = true;
  switch (command) {
    case PageCommand::ReportToolbar:
      reportToolbar(*reinterpret_cast<ToolbarMask*>(a));
      break;
    case PageCommand::RotateLeft:
    case PageCommand::RotateRight:
      quarterTurn(command == PageCommand::RotateLeft);
      break;
    case PageCommand::TakePicture:
      takePicture(reinterpret_cast<ZanObject*>(a), *reinterpret_cast<const ResultHandOver*>(b));
      break;
    case PageCommand::ZoomIn:
      zoomBy(1);
      break;
    case PageCommand::ZoomOut:
      zoomBy(-1);
      break;
    case PageCommand::FitIn:
      if (!toolOpen()) refit();
      break;
    case PageCommand::StartOver:
      // Staying is the only case the page handles; going on shows the Scan page.
      handled = !mayDropPicture();
      break;
    default:
      handled = false;
  }
}

void ResultPage::takePicture(ZanObject* picture, const ResultHandOver& handOver) {
  closeTools();
  dropPicture();
  if (!picture) return;
  Zan0Retain(picture);
  picture_ = picture;
  source_ = handOver.source;
  resolutionX_ = knownResolution(source_.xResolution);
  resolutionY_ = knownResolution(source_.yResolution);
  Zan0Inter(picture_, op::kPictureSetResolution, resolutionX_, resolutionY_);
  workCopyPath_ = handOver.workCopy;
  // Open for reading while shown, so the copy stays what was stitched.
  workCopy_ = std::make_unique<QFile>(workCopyPath_);
  if (!workCopy_->open(QIODevice::ReadOnly)) workCopy_.reset();
  state_ = ResultState{};
  state_.grey = isGreyImage(pictureImage(picture_));
  Zan0Inter(view_, op::kViewSetPicture, reinterpret_cast<intptr_t>(picture_));
  if (QWidget* placeholder = widgetOf(frame_.control("view_result"))) placeholder->hide();
  refit();
  frame_.setStatus(text::kResultArrived);
  frame_.refreshToolbar();
}

void ResultPage::dropPicture() {
  if (!picture_ && workCopyPath_.isEmpty()) return;
  Zan0Inter(view_, op::kViewSetPicture, 0);
  Zan0Release(picture_);
  picture_ = nullptr;
  workCopy_.reset();
  if (!workCopyPath_.isEmpty()) QFile::remove(workCopyPath_);
  workCopyPath_.clear();
  state_ = ResultState{};
  if (QWidget* placeholder = widgetOf(frame_.control("view_result"))) placeholder->show();
}

void ResultPage::replacePicture(ZanObject* picture) {
  if (!picture) return;
  Zan0Release(picture_);
  picture_ = picture;
  Zan0Inter(view_, op::kViewSetPicture, reinterpret_cast<intptr_t>(picture_));
  refit();
}

QSize ResultPage::pictureSize() const {
  int32_t width = 0, height = 0;
  if (picture_) {
    Zan0Inter(picture_, op::kPictureSize, reinterpret_cast<intptr_t>(&width),
              reinterpret_cast<intptr_t>(&height));
  }
  return {width, height};
}

void ResultPage::refit() {
  const QSize size = pictureSize();
  const QWidget* widget = widgetOf(view_);
  // The view's client area less the frame's margins.
  const QSize area = widget ? widget->contentsRect().size() : QSize();
  if (!size.isEmpty() && !area.isEmpty()) {
    zoom_.refit(
        std::min(double(area.width()) / size.width(), double(area.height()) / size.height()));
  } else {
    zoom_.refit(1.0);
  }
  Zan0Inter(view_, op::kViewSetFit, 1);
  frame_.refreshToolbar();
}

void ResultPage::pictureChanged(ResultChange what) {
  if (what == ResultChange::Enhanced) state_.enhanced = true;
  if (what == ResultChange::Rotated) state_.rotated = true;
  if (what == ResultChange::Cropped) state_.cropped = true;
  state_.saved = false;
  frame_.strings().setControlText(frame_.control("view_text3"), text::kResultHint);
  frame_.refreshToolbar();
}

void ResultPage::toolOpenedOrClosed() {
  frame_.refreshToolbar();
}

void ResultPage::quarterTurn(bool left) {
  if (!picture_ || toolOpen()) return;
  const QImage turned = quarterTurned(pictureImage(picture_), left);
  if (turned.isNull()) return;  // the picture stays as it is
  // The resolutions across and down change places with the sides.
  std::swap(resolutionX_, resolutionY_);
  ZanObject* picture = pictureFromImage(turned, resolutionX_, resolutionY_);
  if (!picture) {
    std::swap(resolutionX_, resolutionY_);
    return;
  }
  state_.quarterTurns = (state_.quarterTurns + (left ? 90 : 270)) % 360;
  replacePicture(picture);
  crop_->forgetRectangle();
  pictureChanged(ResultChange::QuarterTurn);
}

void ResultPage::enhance() {
  if (!picture_ || toolOpen() || state_.grey || state_.enhanced) return;
  const QImage better = enhanced(pictureImage(picture_));
  if (better.isNull()) return;
  // The same picture with new pixels: the view keeps its zoom and position.
  Zan0Inter(picture_, op::kPictureSetImage, reinterpret_cast<intptr_t>(&better));
  Zan0Inter(picture_, op::kPictureSetResolution, resolutionX_, resolutionY_);
  Zan0Inter(view_, op::kViewSetPicture, reinterpret_cast<intptr_t>(picture_));
  pictureChanged(ResultChange::Enhanced);
}

bool ResultPage::restore() {
  if (!picture_ || toolOpen()) return false;
  tagPixelArray* pixels = nullptr;
  ZanObject* stitched = nullptr;
  if (!workCopyPath_.isEmpty() && decodePicture(workCopyPath_.toStdString(), &pixels) == 0) {
    stitched = pictureFromPixelArray(*pixels);
  }
  PieceFeeder::release(&pixels);
  if (!stitched) {
    if (showMessage) showMessage(text::kNoMemory);
    return false;
  }
  resolutionX_ = knownResolution(source_.xResolution);
  resolutionY_ = knownResolution(source_.yResolution);
  Zan0Inter(stitched, op::kPictureSetResolution, resolutionX_, resolutionY_);
  const bool grey = state_.grey;
  state_ = ResultState{};
  state_.grey = grey;
  replacePicture(stitched);
  crop_->forgetRectangle();
  frame_.strings().setControlText(frame_.control("view_text3"), text::kResultHint);
  frame_.refreshToolbar();
  return true;
}

void ResultPage::zoomBy(int direction) {
  if (!picture_ || toolOpen()) return;
  QWidget* widget = widgetOf(view_);
  const double before = Zan0Inter(view_, op::kViewScale) / 10000.0;
  int32_t x = 0, y = 0;
  Zan0Inter(view_, op::kViewScrollPosition, reinterpret_cast<intptr_t>(&x),
            reinterpret_cast<intptr_t>(&y));
  if (!(direction > 0 ? zoom_.zoomIn() : zoom_.zoomOut())) return;
  showZoom();
  // The picture point at the view's centre stays there.
  if (widget && before > 0) {
    const double after = zoom_.ratio() / 10000.0;
    const double cx = (x + widget->width() / 2.0) / before;
    const double cy = (y + widget->height() / 2.0) / before;
    Zan0Inter(view_, op::kViewSetScrollPosition, std::lround(cx * after - widget->width() / 2.0),
              std::lround(cy * after - widget->height() / 2.0));
  }
  frame_.refreshToolbar();
}

void ResultPage::showZoom() {
  if (zoom_.isFit()) {
    Zan0Inter(view_, op::kViewSetFit, 1);
  } else {
    Zan0Inter(view_, op::kViewSetScale, zoom_.ratio());
  }
}

void ResultPage::scrollBy(int dx, int dy) {
  if (!picture_) return;
  int32_t x = 0, y = 0;
  Zan0Inter(view_, op::kViewScrollPosition, reinterpret_cast<intptr_t>(&x),
            reinterpret_cast<intptr_t>(&y));
  // The view holds the position within 0 and the scaled picture's size less its own.
  Zan0Inter(view_, op::kViewSetScrollPosition, x + dx * kScrollStep, y + dy * kScrollStep);
}

bool ResultPage::pictureExceedsView() const {
  const QWidget* widget = widgetOf(view_);
  if (!picture_ || !widget || zoom_.isFit()) return false;
  const QSize size = pictureSize();
  const double scale = zoom_.ratio() / 10000.0;
  return size.width() * scale > widget->width() || size.height() * scale > widget->height();
}

void ResultPage::updateCursor(bool buttonDown) {
  QWidget* widget = widgetOf(view_);
  if (!widget) return;
  if (toolOpen() || !pictureExceedsView()) {
    widget->unsetCursor();
  } else {
    widget->setCursor(buttonDown ? Qt::ClosedHandCursor : Qt::OpenHandCursor);
  }
}

bool ResultPage::followDrag(QEvent* event) {
  auto* mouse = static_cast<QMouseEvent*>(event);
  const QPoint at = mouse->position().toPoint();
  const bool grab = pictureExceedsView() && !toolOpen();
  switch (event->type()) {
    case QEvent::MouseButtonPress:
      dragging_ = grab && mouse->button() == Qt::LeftButton;
      dragFrom_ = at;
      break;
    case QEvent::MouseMove:
      if (dragging_) {
        const QPoint moved = at - dragFrom_;
        dragFrom_ = at;
        int32_t x = 0, y = 0;
        Zan0Inter(view_, op::kViewScrollPosition, reinterpret_cast<intptr_t>(&x),
                  reinterpret_cast<intptr_t>(&y));
        Zan0Inter(view_, op::kViewSetScrollPosition, x - moved.x(), y - moved.y());
      }
      break;
    case QEvent::MouseButtonRelease:
      if (mouse->button() == Qt::LeftButton) dragging_ = false;
      break;
    default:
      break;
  }
  updateCursor(dragging_ || (mouse->buttons() & Qt::LeftButton));
  return false;
}

bool ResultPage::eventFilter(QObject* watched, QEvent* event) {
  if (!active_ || watched != widgetOf(view_)) return false;
  switch (event->type()) {
    case QEvent::Wheel: {
      // The wheel zooms only when no tool is open and no control holds the pointer.
      if (toolOpen() || Zan0GetGValue(1) != 0) return false;
      const int delta = static_cast<QWheelEvent*>(event)->angleDelta().y();
      if (delta != 0) zoomBy(delta > 0 ? 1 : -1);
      return true;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
      return followDrag(event);
    case QEvent::Resize:
      // A fitted view refits with the window, and the zoom levels follow the new fit.
      if (zoom_.isFit() && picture_ && !rotation_->isOpen()) refit();
      return false;
    default:
      return false;
  }
}

bool ResultPage::handleKey(int key) {
  switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (rotation_->isOpen())
        rotation_->apply();
      else if (crop_->isOpen())
        crop_->apply();
      else
        return false;
      return true;
    case Qt::Key_Escape:
      if (rotation_->isOpen())
        rotation_->cancel();
      else if (crop_->isOpen())
        crop_->cancel();
      else
        return false;
      return true;
    default:
      break;
  }
  // With a tool open the arrows stay with its controls (the angle slider).
  if (toolOpen() || !picture_) return false;
  switch (key) {
    case Qt::Key_Left:
      scrollBy(-1, 0);
      return true;
    case Qt::Key_Right:
      scrollBy(1, 0);
      return true;
    case Qt::Key_Up:
      scrollBy(0, -1);
      return true;
    case Qt::Key_Down:
      scrollBy(0, 1);
      return true;
    default:
      return false;
  }
}

bool ResultPage::windowEvent(QEvent* event) {
  if (!active_ || event->type() != QEvent::KeyPress) return false;
  return handleKey(static_cast<QKeyEvent*>(event)->key());
}

bool ResultPage::save() {
  if (!picture_ || toolOpen()) return false;
  const SaveOutcome outcome = saver_.save(picture_, source_);
  if (outcome != SaveOutcome::Saved) return false;
  state_.saved = true;
  frame_.strings().setControlText(frame_.control("view_text3"), text::kSavedHint);
  frame_.refreshToolbar();
  return true;
}

bool ResultPage::mayDropPicture() {
  // An open tool is cancelled first, as closing the window does.
  closeTools();
  if (!picture_ || state_.saved) return true;
  switch (askToSaveResult(frame_.window(), frame_.strings().text(text::kTitle))) {
    case kAnswerSave:
      return save();
    case kAnswerContinue:
      return true;
    default:
      return false;
  }
}

void ResultPage::reportToolbar(ToolbarMask& mask) const {
  const bool picture = picture_ != nullptr;
  const bool noTool = !toolOpen();
  const bool ready = picture && noTool;
  mask.set(kStartOver, noTool);
  mask.set(kRotateLeftBit | kRotateRightBit, ready);
  mask.set(kSave, ready && !state_.saved);
  mask.set(kZoomInBit, ready && zoom_.canZoomIn());
  mask.set(kZoomOutBit, ready && zoom_.canZoomOut());
  mask.set(kFitIn, ready && !zoom_.isFit());
  if (!state_.grey) mask.set(kEnhance, ready && !state_.enhanced);
  // The two tools exclude each other.
  mask.set(kRotateTool, picture && !crop_->isOpen());
  mask.set(kCropTool, picture && !rotation_->isOpen());
  mask.set(kRestore, ready && state_.changed());
}

}  // namespace tessaly::app
