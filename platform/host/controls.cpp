// Controls: the panel class every control derives from, the link between control objects and
// their widgets, handler tables and events.
#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>
#include <unordered_map>

#include "host_widgets.h"
#include "object_model.h"
#include "tessaly/host/widgets.h"

namespace tessaly::host {
namespace {

std::unordered_map<const QWidget*, ZanObject*>& controls() {
  static std::unordered_map<const QWidget*, ZanObject*> map;
  return map;
}

// The class a widget names in its "zanClass" property when it is registered, or can be by
// loading the module its "zanModule" property names; 0 otherwise.
TypeCode namedType(const QWidget* widget) {
  const QByteArray named = widget->property("zanClass").toByteArray();
  if (named.size() != 4) return 0;
  const TypeCode type = typeCode({named[0], named[1], named[2], named[3], 0});
  if (findClass(type)) return type;
  const QByteArray module = widget->property("zanModule").toByteArray();
  if (!module.isEmpty() && Zan0LoadClassModule(module.constData()) && findClass(type)) return type;
  return 0;
}

// The built-in class that follows the widget's kind.
TypeCode typeForWidget(const QWidget* widget) {
  if (auto* button = qobject_cast<const QAbstractButton*>(widget)) {
    return button->isCheckable() ? kCheckBox : kButton;
  }
  if (qobject_cast<const QLabel*>(widget)) return kTextView;
  if (qobject_cast<const QComboBox*>(widget)) return kComboBox;
  if (qobject_cast<const QScrollBar*>(widget)) return kScrollBar;
  if (dynamic_cast<const ImageView*>(widget)) return kImageView;
  if (dynamic_cast<const Album*>(widget)) return kAlbum;
  return kPanel;
}

// Turns a widget's signals and pointer events into host events.
class EventBridge : public QObject {
 public:
  EventBridge(QWidget* widget, ZanObject* control) : QObject(widget), control_(control) {
    widget->installEventFilter(this);
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
      connect(button, &QAbstractButton::clicked, this,
              [this](bool checked) { dispatchEvent(control_, kEventClick, checked); });
    }
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
      connect(combo, &QComboBox::activated, this,
              [this](int index) { dispatchEvent(control_, kEventSelect, index); });
    }
    if (auto* slider = qobject_cast<QAbstractSlider*>(widget)) {
      connect(slider, &QAbstractSlider::valueChanged, this,
              [this](int value) { dispatchEvent(control_, kEventSelect, value); });
    }
    const auto radios = widget->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly);
    for (int index = 0; index < radios.size(); ++index) {
      connect(radios[index], &QAbstractButton::clicked, this,
              [this, index] { dispatchEvent(control_, kEventRadioChoice, index); });
    }
    for (QAction* item : widget->actions()) {
      if (item->objectName().isEmpty()) continue;
      connect(item, &QAction::triggered, this, [this, item] {
        const QByteArray name = item->objectName().toUtf8();
        dispatchEvent(control_, kEventMenuItem, reinterpret_cast<intptr_t>(name.constData()));
      });
    }
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Enter) dispatchEvent(control_, kEventPointerEnter, 0);
    if (event->type() == QEvent::Leave) dispatchEvent(control_, kEventPointerLeave, 0);
    return QObject::eventFilter(watched, event);
  }

 private:
  ZanObject* control_;  // lives as long as the widget, which owns this bridge
};

void bridgeEvents(ZanObject* control) {
  if (control->eventsBridged || !control->widget) return;
  control->eventsBridged = true;
  new EventBridge(control->widget, control);
}

QWidget* findNamed(QWidget* root, const char* name) {
  if (!root || !name) return nullptr;
  const QString wanted = QString::fromUtf8(name);
  if (root->objectName() == wanted) return root;
  return root->findChild<QWidget*>(wanted);
}

intptr_t bindTable(ZanObject* root, const HandlerEntry* table, intptr_t count) {
  if (!table) return 0;
  intptr_t bound = 0;
  for (intptr_t i = 0; i < std::abs(count); ++i) {
    QWidget* widget = findNamed(root->widget, table[i].control);
    if (!widget) continue;
    ZanObject* control = controlOf(widget);
    auto& handlers = control->handlers;
    if (count > 0) {
      handlers.push_back({table[i].handler, table[i].context, table});
      bridgeEvents(control);
    } else {
      std::erase_if(handlers, [&](const HandlerBinding& b) { return b.table == table; });
    }
    ++bound;
  }
  return bound;
}

QString textOf(const QWidget* widget) {
  if (auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
  if (auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->text();
  if (auto* edit = qobject_cast<const QLineEdit*>(widget)) return edit->text();
  if (auto* combo = qobject_cast<const QComboBox*>(widget)) return combo->currentText();
  return widget->windowTitle();
}

void setTextOf(QWidget* widget, const QString& text) {
  if (auto* label = qobject_cast<QLabel*>(widget)) return label->setText(text);
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->setText(text);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->setText(text);
  widget->setWindowTitle(text);
}

Rect rectOf(const QWidget* widget) {
  const QRect r = widget->isWindow() ? widget->frameGeometry() : widget->geometry();
  return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

intptr_t checkOperation(QWidget* widget, int method, intptr_t a) {
  auto* button = qobject_cast<QAbstractButton*>(widget);
  if (!button) return 0;
  if (method == op::kGetChecked.method) return button->isChecked();
  button->setChecked(a != 0);
  return 1;
}

intptr_t widgetOperation(ZanObject* control, QWidget* widget, int method, intptr_t a, intptr_t b) {
  switch (method) {
    case op::kShow.method:
      widget->setVisible(a != 0);
      return 1;
    case op::kIsVisible.method:
      return widget->isVisible();
    case op::kEnable.method:
      widget->setEnabled(a != 0);
      return 1;
    case op::kIsEnabled.method:
      return widget->isEnabled();
    case op::kEventCallback.method:
      control->callback = reinterpret_cast<EventHandler>(a);
      control->callbackContext = reinterpret_cast<void*>(b);
      bridgeEvents(control);
      return 1;
    case op::kRepaint.method:
      widget->repaint();
      return 1;
    case op::kGetChecked.method:
    case op::kSetChecked.method:
      return checkOperation(widget, method, a);
    case op::kGetRect.method:
      *reinterpret_cast<Rect*>(a) = rectOf(widget);
      return 1;
    case op::kSetRect.method: {
      const Rect& r = *reinterpret_cast<const Rect*>(a);
      widget->setGeometry(r.left, r.top, r.right - r.left, r.bottom - r.top);
      return 1;
    }
    case op::kSetToolTip.method:
      widget->setToolTip(QString::fromUtf8(reinterpret_cast<const char*>(a)));
      return 1;
    case op::kSetHandCursor.method:
      a ? widget->setCursor(Qt::PointingHandCursor) : widget->unsetCursor();
      return 1;
  }
  return 0;
}

intptr_t panelOperation(ZanObject* control, int interface, int method, intptr_t a, intptr_t b) {
  QWidget* widget = control->widget;
  if (!widget) return 0;
  if (interface == op::kChildByName.interface) {
    if (method == op::kChildByName.method) {
      QWidget* child = findNamed(widget, reinterpret_cast<const char*>(a));
      return reinterpret_cast<intptr_t>(child ? controlOf(child) : nullptr);
    }
    if (method == op::kHandlerTable.method) {
      return bindTable(control, reinterpret_cast<const HandlerEntry*>(a), b);
    }
  }
  if (interface == 3) return widgetOperation(control, widget, method, a, b);
  if (interface == op::kGetText.interface) {
    if (method == op::kGetText.method) {
      *reinterpret_cast<std::string*>(a) = textOf(widget).toStdString();
      return intptr_t(reinterpret_cast<std::string*>(a)->size());
    }
    if (method == op::kSetText.method) {
      setTextOf(widget, QString::fromUtf8(reinterpret_cast<const char*>(a)));
      return 1;
    }
  }
  return 0;
}

}  // namespace

ZanObject* controlOf(QWidget* widget) {
  if (!widget) return nullptr;
  auto& map = controls();
  if (auto found = map.find(widget); found != map.end()) return found->second;
  const TypeCode named = namedType(widget);
  ZanObject* control = makeObject(findClass(named != 0 ? named : typeForWidget(widget)));
  control->widget = widget;
  map[widget] = control;
  if (named != 0) relayPanelEvents(control);
  QObject::connect(widget, &QObject::destroyed, [widget] {
    auto& map = controls();
    if (auto found = map.find(widget); found != map.end()) {
      ZanObject* gone = found->second;
      map.erase(found);
      gone->handlers.clear();
      Zan0Release(gone);
    }
  });
  return control;
}

QWidget* widgetOf(const ZanObject* control) {
  return control ? control->widget.data() : nullptr;
}

void dispatchEvent(ZanObject* control, int event, intptr_t data) {
  Zan0Retain(control);
  const auto handlers = control->handlers;  // a handler may change the list
  for (const HandlerBinding& binding : handlers) {
    binding.handler(control, event, data, binding.context);
  }
  if (control->callback) control->callback(control, event, data, control->callbackContext);
  Zan0Release(control);
}

ClassDescriptor panelClass{
    sizeof(ClassDescriptor), 0,       0,       kPanel, 0, nullptr, nullptr, nullptr,
    panelOperation,          nullptr, nullptr, {}};

}  // namespace tessaly::host
