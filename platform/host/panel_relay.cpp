// What a panel of a module's class is told beyond the operations callers run on it: a layout
// pass whenever it is shown or resized, and the pointer's moves, presses and releases over it.
// Its class answers them like any operation (a callback panel hands them to its function); a
// pointer call answered with non-zero is taken, so it goes no further up the widgets.
#include <QEvent>
#include <QMouseEvent>
#include <QWidget>

#include "object_model.h"

namespace tessaly::host {
namespace {

// The button of a press or release (only those events are mouse events to be read as such).
Qt::MouseButton buttonOf(const QEvent* event) {
  return static_cast<const QMouseEvent*>(event)->button();
}

int pointerKind(const QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseMove:
      return kPointerMove;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
      return buttonOf(event) == Qt::LeftButton ? kPointerPress : 0;
    case QEvent::MouseButtonRelease:
      return buttonOf(event) == Qt::LeftButton ? kPointerRelease : kPointerOtherRelease;
    default:
      return 0;
  }
}

class PanelRelay : public QObject {
 public:
  PanelRelay(QWidget* widget, ZanObject* control) : QObject(widget), control_(control) {
    // Moves without a button are needed for the pointer's shape over the panel's parts.
    widget->setMouseTracking(true);
    widget->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Resize || event->type() == QEvent::Show) {
      Zan0Inter(control_, op::kLayoutPass);
      return false;
    }
    const int kind = pointerKind(event);
    if (kind == 0) return false;
    const QPoint at = static_cast<const QMouseEvent*>(event)->position().toPoint();
    const Point point{at.x(), at.y()};
    return Zan0Inter(control_, op::kPointer, kind, reinterpret_cast<intptr_t>(&point)) != 0;
  }

 private:
  ZanObject* control_;  // lives as long as the widget, which owns this relay
};

}  // namespace

void relayPanelEvents(ZanObject* control) {
  if (control && control->widget) new PanelRelay(control->widget, control);
}

}  // namespace tessaly::host
