// Window events in the host's terms: the pointer, key and wheel events a window's own code
// leaves, given to the control they concern.
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>

#include "object_model.h"
#include "tessaly/host/widgets.h"

using namespace tessaly::host;

namespace {

int kindOf(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseMove:
      return kEventPointerMove;
    case QEvent::MouseButtonPress:
      return kEventPointerPress;
    case QEvent::MouseButtonRelease:
      return kEventPointerRelease;
    case QEvent::MouseButtonDblClick:
      return kEventPointerDouble;
    case QEvent::KeyPress:
      return kEventKeyDown;
    case QEvent::KeyRelease:
      return kEventKeyUp;
    case QEvent::Wheel:
      return kEventWheel;
    default:
      return 0;
  }
}

// The widget a pointer event at `point` (window coordinates) concerns: the deepest one there.
QWidget* widgetAt(QWidget* window, QPoint point) {
  QWidget* child = window->childAt(point);
  return child ? child : window;
}

// Keys go to the focused widget when it is the window's, else to the window.
QWidget* keyTarget(QWidget* window) {
  QWidget* focus = window->focusWidget();
  return focus && focus->window() == window->window() ? focus : window;
}

}  // namespace

intptr_t Zan0EventKind(QWidget* window, const QEvent* event, HostEvent* out) {
  if (!out) return 0;
  *out = HostEvent{};
  if (!window || !event) return 0;
  const int kind = kindOf(event->type());
  if (kind == 0) return 0;
  QWidget* target = window;
  QPoint at;
  if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
    const auto* key = static_cast<const QKeyEvent*>(event);
    target = keyTarget(window);
    out->key = key->key();
    out->modifiers = uint32_t(key->modifiers());
  } else {
    const auto* pointer = static_cast<const QSinglePointEvent*>(event);
    const QPoint inWindow = window->mapFromGlobal(pointer->globalPosition().toPoint());
    target = widgetAt(window, inWindow);
    at = target->mapFrom(window, inWindow);
    out->buttons = uint32_t(pointer->buttons());
    out->modifiers = uint32_t(pointer->modifiers());
    if (event->type() == QEvent::Wheel) {
      out->key = static_cast<const QWheelEvent*>(event)->angleDelta().y();
    }
  }
  ZanObject* control = controlOf(target);
  if (!control) return 0;
  Zan0Retain(control);
  out->kind = kind;
  out->x = at.x();
  out->y = at.y();
  out->target = control;
  return 1;
}

intptr_t Zan0DispatchEvent(const HostEvent* event) {
  if (!event || !event->target || event->kind == 0) return 0;
  dispatchEvent(event->target, event->kind, reinterpret_cast<intptr_t>(event));
  return 1;
}

void Zan0EndUseEvent(HostEvent* event) {
  if (!event) return;
  Zan0Release(event->target);
  *event = HostEvent{};
}
