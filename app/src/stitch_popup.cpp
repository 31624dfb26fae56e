#include "stitch_popup.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QRegion>

#include "tessaly/host/operations.h"
#include "tessaly/host/widgets.h"

namespace tessaly::app {

using namespace tessaly::host;

namespace {
constexpr int kUnrollStep = 3;
constexpr int kRollUpStep = 6;
}  // namespace

StitchActionPopup::StitchActionPopup(QWidget* owner, QWidget* button, QString caption,
                                     bool rowChosen)
    : SkinnedDialog(owner, "StitchAction.pui", std::move(caption)),
      button_(button),
      rowChosen_(rowChosen) {
  setMouseTracking(true);
}

void StitchActionPopup::setUp() {
  Zan0Inter(control("chck"), op::kSetChecked, rowChosen_ ? 1 : 0);
  Zan0Inter(control("chck1"), op::kSetChecked, rowChosen_ ? 0 : 1);
  for (const char* name : {"chck", "chck1", "butn_WhatThis"}) {
    Zan0Inter(control(name), op::kEventCallback, reinterpret_cast<intptr_t>(onControl),
              reinterpret_cast<intptr_t>(this));
  }
  Zan0Inter(control("butn_WhatThis"), op::kSetHandCursor, 1);
}

bool StitchActionPopup::unroll() {
  if (!showModeless()) return false;
  // A choice panel, not a dialog: the main window stays usable under it.
  if (parentWidget()) parentWidget()->setEnabled(true);
  if (button_) move(button_->mapToGlobal(QPoint(0, button_->height())));
  const int full = height();
  for (int shown = kUnrollStep; shown < full; shown += kUnrollStep) {
    setVisibleHeight(shown);
    repaint();
  }
  setVisibleHeight(full);
  connect(qApp, &QApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
    if (state != Qt::ApplicationActive) closeNow();
  });
  return true;
}

void StitchActionPopup::setVisibleHeight(int height) {
  setMask(QRegion(0, 0, width(), height));
}

bool StitchActionPopup::pointerOnPanelOrButton() const {
  const QPoint pointer = QCursor::pos();
  if (frameGeometry().contains(pointer)) return true;
  return button_ && button_->isVisible() &&
         QRect(button_->mapToGlobal(QPoint(0, 0)), button_->size()).contains(pointer);
}

void StitchActionPopup::rollUpUnlessPointed() {
  if (closing_ || pointerOnPanelOrButton()) return;
  closing_ = true;
  for (int shown = height() - kRollUpStep; shown > 0; shown -= kRollUpStep) {
    setVisibleHeight(shown);
    if (QWidget* owner = parentWidget()) owner->repaint();
    repaint();
  }
  closeNow();
}

void StitchActionPopup::closeNow() {
  closing_ = true;
  hide();
  deleteLater();
}

bool StitchActionPopup::event(QEvent* event) {
  if (event->type() == QEvent::Leave || event->type() == QEvent::MouseMove) {
    rollUpUnlessPointed();
  }
  return SkinnedDialog::event(event);
}

void StitchActionPopup::acceptByKey() {
  const auto act = stitchByKey;
  closeNow();
  if (act) act();
}

void StitchActionPopup::choose(int style) {
  Zan0Inter(control("chck"), op::kSetChecked, style == 0 ? 1 : 0);
  Zan0Inter(control("chck1"), op::kSetChecked, style == 0 ? 0 : 1);
  const auto act = chosen;
  closeNow();
  if (act) act(style);
}

intptr_t StitchActionPopup::onControl(ZanObject* control, int event, intptr_t, void* context) {
  if (event != kEventClick) return 0;
  auto* popup = static_cast<StitchActionPopup*>(context);
  const QString name = widgetOf(control)->objectName();
  if (name == "chck") popup->choose(0);
  if (name == "chck1") popup->choose(1);
  if (name == "butn_WhatThis") {
    const auto act = popup->explain;
    popup->closeNow();
    if (act) act();
  }
  return 0;
}

}  // namespace tessaly::app
