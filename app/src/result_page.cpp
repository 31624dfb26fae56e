#include "result_page.h"

#include <QEvent>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "main_frame.h"
#include "save_question.h"
#include "settings.h"
#include "tessaly/host/widgets.h"
#include "ui_strings.h"

namespace tessaly::app {

using namespace tessaly::host;

namespace {

constexpr int kLeastZoom = 5;  // percent
constexpr int kMostZoom = 800;
constexpr double kZoomStep = 1.25;

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
  buttons_ = {{{"butn_save", onButton, this}}};
  Zan0Inter(frame_.root(), op::kHandlerTable, reinterpret_cast<intptr_t>(buttons_.data()),
            intptr_t(buttons_.size()));
}

ResultPage::~ResultPage() {
  Zan0Inter(frame_.root(), op::kHandlerTable, reinterpret_cast<intptr_t>(buttons_.data()),
            -intptr_t(buttons_.size()));
  dropPicture();
}

void ResultPage::activate() {
  active_ = true;
  frame_.strings().setControlText(frame_.control("view_text3"), text::kResultHint);
}

void ResultPage::deactivate() {
  active_ = false;
  // Leaving the page lets the picture go, with its work copy.
  dropPicture();
}

bool ResultPage::windowEvent(QEvent*) {
  return false;
}

intptr_t ResultPage::onButton(ZanObject*, int event, intptr_t, void* context) {
  auto* page = static_cast<ResultPage*>(context);
  if (event == kEventClick && page->isActive()) page->save();
  return 0;
}

void ResultPage::command(PageCommand command, intptr_t a, intptr_t b, bool& handled) {
  handled = true;
  switch (command) {
    case PageCommand::ReportToolbar:
      reportToolbar(*reinterpret_cast<ToolbarMask*>(a));
      break;
    case PageCommand::TakePicture:
      takePicture(reinterpret_cast<ZanObject*>(a), *reinterpret_cast<const ResultHandOver*>(b));
      break;
    case PageCommand::ZoomIn:
      zoom(1);
      break;
    case PageCommand::ZoomOut:
      zoom(-1);
      break;
    case PageCommand::FitIn:
      Zan0Inter(view_, op::kViewSetFit, 1);
      frame_.refreshToolbar();
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
  dropPicture();
  if (!picture) return;
  Zan0Retain(picture);
  picture_ = picture;
  source_ = handOver.source;
  workCopyPath_ = handOver.workCopy;
  // Open for reading while shown, so the copy stays what was stitched.
  workCopy_ = std::make_unique<QFile>(workCopyPath_);
  if (!workCopy_->open(QIODevice::ReadOnly)) workCopy_.reset();
  saved_ = false;
  changed_ = false;
  Zan0Inter(view_, op::kViewSetPicture, reinterpret_cast<intptr_t>(picture_));
  Zan0Inter(view_, op::kViewSetFit, 1);
  if (QWidget* placeholder = widgetOf(frame_.control("view_result"))) placeholder->hide();
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
  if (QWidget* placeholder = widgetOf(frame_.control("view_result"))) placeholder->show();
}

bool ResultPage::save() {
  if (!picture_) return false;
  const SaveOutcome outcome = saver_.save(picture_, source_);
  if (outcome != SaveOutcome::Saved) return false;
  saved_ = true;
  frame_.strings().setControlText(frame_.control("view_text3"), text::kSavedHint);
  frame_.refreshToolbar();
  return true;
}

bool ResultPage::mayDropPicture() {
  if (!picture_ || saved_) return true;
  switch (askToSaveResult(frame_.window(), frame_.strings().text(text::kTitle))) {
    case kAnswerSave:
      return save();
    case kAnswerContinue:
      return true;
    default:
      return false;
  }
}

int ResultPage::zoomPercent() const {
  return int(Zan0Inter(view_, op::kViewZoom));
}

void ResultPage::zoom(int direction) {
  if (!picture_) return;
  const double now = std::max(1, zoomPercent());
  const double next = direction > 0 ? now * kZoomStep : now / kZoomStep;
  Zan0Inter(view_, op::kViewSetZoom, std::clamp(int(std::lround(next)), kLeastZoom, kMostZoom));
  frame_.refreshToolbar();
}

void ResultPage::reportToolbar(ToolbarMask& mask) const {
  const bool fit = Zan0Inter(view_, op::kViewIsFit) != 0;
  const int percent = zoomPercent();
  mask.set(kStartOver, true);
  mask.set(kSave, picture_ && !saved_);
  mask.set(kZoomInBit, picture_ && percent < kMostZoom);
  mask.set(kZoomOutBit, picture_ && percent > kLeastZoom);
  mask.set(kFitIn, picture_ && !fit);
  // Turning, enhancing, the rotation and crop tools and restoring come with the page's tools.
}

}  // namespace tessaly::app
