#include "progress_panel.h"

#include <QApplication>
#include <QScrollBar>
#include <algorithm>
#include <string>

#include "tessaly/host/operations.h"
#include "tessaly/host/widgets.h"
#include "ui_strings.h"

namespace tessaly::app {

using namespace tessaly::host;

namespace {

void setText(ZanObject* control, const QString& text) {
  const std::string value = text.toStdString();
  Zan0Inter(control, op::kSetText, reinterpret_cast<intptr_t>(value.c_str()));
}

}  // namespace

ProgressDialog::ProgressDialog(QWidget* owner, QString caption)
    : SkinnedDialog(owner, "process.pui", caption), caption_(std::move(caption)) {}

void ProgressDialog::setUp() {
  setText(control("view_title"), caption_);
  ZanObject* bar = control("hscrl_process");
  Zan0Inter(bar, op::kScrollSetRange, 0, 100);
  Zan0Inter(bar, op::kEnable, 0);  // it shows the progress; the user cannot move it
  Zan0Inter(control("butn_cancel"), op::kEventCallback, reinterpret_cast<intptr_t>(onCancel),
            reinterpret_cast<intptr_t>(this));
  setAccessibleName(caption_);
  centreOnOwner();
}

intptr_t ProgressDialog::onCancel(ZanObject*, int event, intptr_t, void* context) {
  if (event == kEventClick) static_cast<ProgressDialog*>(context)->cancelled_ = true;
  return 0;
}

void ProgressDialog::done(int result) {
  // Escape and the close control ask to stop; the work stops at its next update, which then
  // closes the panel.
  if (!finishing_) {
    cancelled_ = true;
    return;
  }
  SkinnedDialog::done(result);
}

void ProgressDialog::finish() {
  finishing_ = true;
  done(kIdCancel);
}

void ProgressDialog::showProgress(const QString* text, int percent) {
  percent = std::clamp(percent, 0, 100);
  if (text) setText(control("view_text"), *text);
  setText(control("view"), QString("%1%").arg(percent));
  Zan0Inter(control("hscrl_process"), op::kScrollSetValue, percent);
  setAccessibleDescription(QString("%1 percent").arg(percent));
}

bool ProgressPanel::open(const QString& text, QWidget* owner) {
  close();
  activePanel_ = Zan0GetGValue(2);
  activePanelWidget_ = widgetOf(reinterpret_cast<ZanObject*>(activePanel_));
  auto* dialog = new ProgressDialog(owner, strings_.text(21));
  if (!dialog->showModeless()) {
    delete dialog;
    return false;
  }
  dialog_ = dialog;
  dialog_->showProgress(&text, 0);
  return true;
}

bool ProgressPanel::update(const QString* text, int percent) {
  if (!dialog_) return false;
  QCoreApplication::processEvents();
  if (!dialog_) return false;
  if (dialog_->cancelled()) {
    close();
    return true;
  }
  dialog_->showProgress(text, percent);
  QCoreApplication::processEvents();
  if (dialog_ && dialog_->cancelled()) {
    close();
    return true;
  }
  return false;
}

void ProgressPanel::close() {
  if (!dialog_) return;
  QWidget* owner = dialog_->parentWidget();
  dialog_->finish();  // deletes it, later
  dialog_.clear();
  // The owner is usable at once, not only when the panel is finally deleted.
  if (owner) owner->setEnabled(true);
  // The panel that was active comes back only while it is still there to be active.
  if (activePanelWidget_ && activePanelWidget_->isVisible()) Zan0SetGValue(2, activePanel_);
  activePanelWidget_.clear();
}

}  // namespace tessaly::app
