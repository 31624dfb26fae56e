#include "skinned_dialog.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <string>

#include "surface_file.h"
#include "tessaly/host/operations.h"
#include "tessaly/host/surface.h"
#include "tessaly/host/widgets.h"

namespace tessaly::app {

using namespace tessaly::host;

namespace {
constexpr int kCornerRadius = 10;
}  // namespace

SkinnedDialog::SkinnedDialog(QWidget* owner, QString uiFile, QString title, FrameControlNames names)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint),
      owner_(owner),
      uiFile_(std::move(uiFile)),
      names_(names) {
  setWindowTitle(title);
}

SkinnedDialog::~SkinnedDialog() {
  if (root_) SurfaceManage::GetSurfaceManage().DetachSurface(this);
  if (modeless_ && owner_) {
    owner_->setEnabled(true);
    owner_->activateWindow();
    owner_->setFocus();
  }
}

ZanObject* SkinnedDialog::control(const char* name) const {
  if (!name) return nullptr;
  return reinterpret_cast<ZanObject*>(
      Zan0Inter(root_, op::kChildByName, reinterpret_cast<intptr_t>(name)));
}

bool SkinnedDialog::build() {
  root_ = attachSurface(this, uiFile_, error_);
  if (root_ == nullptr) return false;
  bindFrameControls();
  setUp();
  adjustSize();
  if (centredOnOwner_ && owner_) {
    move(owner_->geometry().center() - rect().center());
  } else if (QScreen* screen = QApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  roundCorners();
  return true;
}

void SkinnedDialog::roundCorners() {
  QPainterPath outline;
  outline.addRoundedRect(QRectF(rect()), kCornerRadius, kCornerRadius);
  setMask(QRegion(outline.toFillPolygon().toPolygon()));
}

void SkinnedDialog::bindFrameControls() {
  for (const char* name : {names_.minimise, names_.maximise, names_.close}) {
    Zan0Inter(control(name), op::kEventCallback, reinterpret_cast<intptr_t>(onFrameControl),
              reinterpret_cast<intptr_t>(this));
  }
  // Presses on the drag area (and its texts and panels) reach the dialog's filter.
  if (QWidget* drag = widgetOf(control(names_.drag))) {
    drag->installEventFilter(this);
    for (QWidget* child : drag->findChildren<QWidget*>()) child->installEventFilter(this);
  }
  if (QWidget* grip = widgetOf(control(names_.resize))) {
    grip->installEventFilter(this);
    grip->setCursor(Qt::SizeFDiagCursor);
  }
}

intptr_t SkinnedDialog::onFrameControl(ZanObject* control, int event, intptr_t, void* context) {
  if (event != kEventClick) return 0;
  auto* dialog = static_cast<SkinnedDialog*>(context);
  const QString name = widgetOf(control)->objectName();
  if (name == dialog->names_.minimise) dialog->showMinimized();
  if (name == dialog->names_.maximise) {
    dialog->isMaximized() ? dialog->showNormal() : dialog->showMaximized();
  }
  if (name == dialog->names_.close) dialog->closeByControl();
  return 0;
}

void SkinnedDialog::closeByControl() {
  // The close control means Cancel: a modal dialog ends with the same result as Escape, which
  // every caller understands; a modeless one goes (done() deletes it).
  done(cancelResult());
}

int SkinnedDialog::runModal() {
  if (!build()) return -1;
  return exec();
}

bool SkinnedDialog::showModeless() {
  if (!build()) return false;
  modeless_ = true;
  setAttribute(Qt::WA_DeleteOnClose);
  if (owner_) owner_->setEnabled(false);
  setEnabled(true);
  show();
  activateWindow();
  return true;
}

void SkinnedDialog::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    // A focused button answers Enter itself; elsewhere Enter is the dialog's OK.
    if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
      button->click();
    } else {
      acceptByKey();
    }
    return;
  }
  if (key == Qt::Key_Escape) {
    done(cancelResult());
    return;
  }
  // Other keys reach the focused control's handlers as host events, as the dialog kinds'
  // controls expect, and then Qt's own handling (tab order, mnemonics).
  HostEvent translated{};
  if (Zan0EventKind(this, event, &translated)) Zan0DispatchEvent(&translated);
  Zan0EndUseEvent(&translated);
  QDialog::keyPressEvent(event);
}

void SkinnedDialog::reject() {
  done(cancelResult());
}

bool SkinnedDialog::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
      type != QEvent::MouseButtonRelease) {
    return QDialog::eventFilter(watched, event);
  }
  auto* mouse = static_cast<QMouseEvent*>(event);
  if (drag_.active()) return drag_.follow(mouse);
  if (type != QEvent::MouseButtonPress || mouse->button() != Qt::LeftButton) return false;
  const QPoint global = mouse->globalPosition().toPoint();
  const FrameArea area = dialogHitTest(this, mapFromGlobal(global), widgetOf(control(names_.drag)),
                                       widgetOf(control(names_.resize)));
  if (area == FrameArea::Client) return false;
  drag_.begin(this, area, global);
  return true;
}

}  // namespace tessaly::app
