#include "crop_mask_panel.h"

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <map>
#include <string>

#include "ZanCallbackCtrl.h"
#include "tessaly/host/operations.h"
#include "tessaly/host/widgets.h"

namespace tessaly::app {
namespace {

using namespace tessaly::host;

constexpr const char* kPanelNames[4] = {"cata_mask_top", "cata_mask_left", "cata_mask_right",
                                        "cata_mask_bottom"};

// The panels alive, by the user value their callback panel carries.
std::map<int32_t, CropMaskPanel*>& livePanels() {
  static std::map<int32_t, CropMaskPanel*> panels;
  return panels;
}

int32_t nextId() {
  static int32_t id = 0;
  return ++id;
}

// Keeps the mask covering the whole view as the view changes size.
class ViewWatch : public QObject {
 public:
  ViewWatch(QWidget* view, QWidget* mask) : view_(view), mask_(mask) {
    view->installEventFilter(this);
  }
  ~ViewWatch() override {
    if (view_) view_->removeEventFilter(this);
  }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Resize && mask_) mask_->setGeometry(view_->rect());
    return false;
  }

 private:
  QPointer<QWidget> view_;
  QPointer<QWidget> mask_;
};

void setRect(ZanObject* control, const QRect& rect) {
  const Rect r{rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
  Zan0Inter(control, op::kSetRect, reinterpret_cast<intptr_t>(&r));
}

}  // namespace

CropMaskPanel::CropMaskPanel(ZanObject* view, const std::string& uiFolder, Events events)
    : events_(std::move(events)), id_(nextId()) {
  livePanels()[id_] = this;
  if (!load(view, uiFolder)) {
    delete widgetOf(mask_);
    Zan0Release(mask_);
    mask_ = nullptr;
  }
}

CropMaskPanel::~CropMaskPanel() {
  livePanels().erase(id_);
  viewWatch_.reset();
  // The parts are the mask's children and go with its widget; then our references go.
  delete widgetOf(mask_);
  for (ZanObject* part : borders_) Zan0Release(part);
  for (ZanObject* part : handles_) Zan0Release(part);
  Zan0Release(mask_);
}

ZanObject* CropMaskPanel::loadPart(ZanObject* loader, const char* file) {
  auto* part = reinterpret_cast<ZanObject*>(
      Zan0Inter(loader, op::kLoaderLoad, reinterpret_cast<intptr_t>(file)));
  if (QWidget* widget = widgetOf(part)) {
    widget->setParent(widgetOf(mask_));
    widget->show();
  }
  return part;
}

bool CropMaskPanel::load(ZanObject* view, const std::string& uiFolder) {
  QWidget* viewWidget = widgetOf(view);
  if (!viewWidget) return false;
  ZanObject* loader = Zan0CreateObj(kUiLoader);
  Zan0Inter(loader, op::kLoaderFolder, reinterpret_cast<intptr_t>(uiFolder.c_str()));
  mask_ = reinterpret_cast<ZanObject*>(
      Zan0Inter(loader, op::kLoaderLoad, reinterpret_cast<intptr_t>("cropMask.pui")));
  // Without the callback panel's class (its module missing) the mask could not be driven.
  bool complete = Zan0GetType(mask_) == ZAN_CALLBACK_PANEL_TYPE;
  if (complete) {
    QWidget* mask = widgetOf(mask_);
    mask->setParent(viewWidget);
    for (size_t i = 0; i < panels_.size(); ++i) {
      panels_[i] = reinterpret_cast<ZanObject*>(
          Zan0Inter(mask_, op::kChildByName, reinterpret_cast<intptr_t>(kPanelNames[i])));
      complete = complete && panels_[i] != nullptr;
    }
    for (size_t i = 0; i < borders_.size(); ++i) {
      borders_[i] = loadPart(loader, i < 2 ? "border_h.pui" : "border_v.pui");
      complete = complete && borders_[i] != nullptr;
    }
    for (ZanObject*& handle : handles_) {
      handle = loadPart(loader, "angle.pui");
      complete = complete && handle != nullptr;
    }
  }
  Zan0Release(loader);
  if (!complete) return false;
  auto callback = static_cast<ZanPanelCallback>(&CropMaskPanel::operate);
  Zan0Inter(mask_, ZAN_CALLBACK_INTERFACE, 0, reinterpret_cast<intptr_t>(callback), id_);
  QWidget* mask = widgetOf(mask_);
  viewWatch_ = std::make_unique<ViewWatch>(viewWidget, mask);
  mask->setGeometry(viewWidget->rect());
  mask->show();
  mask->raise();
  return true;
}

intptr_t CropMaskPanel::operate(ZanObject* object, int interface, int method, intptr_t a,
                                intptr_t b, int32_t user,
                                intptr_t (*parent)(ZanObject*, int, int, intptr_t, intptr_t)) {
  const auto found = livePanels().find(user);
  CropMaskPanel* self = found == livePanels().end() ? nullptr : found->second;
  if (self && interface == op::kLayoutPass.interface) {
    if (method == op::kLayoutPass.method) {
      if (self->events_.layout) self->events_.layout();
      return 1;
    }
    if (method == op::kPointer.method && b != 0) {
      const auto* point = reinterpret_cast<const Point*>(b);
      return self->events_.pointer && self->events_.pointer(int(a), QPoint(point->x, point->y));
    }
  }
  return parent(object, interface, method, a, b);
}

QSize CropMaskPanel::size() const {
  const QWidget* mask = widgetOf(mask_);
  return mask ? mask->size() : QSize();
}

void CropMaskPanel::place(const CropMaskLayout& layout, bool handlesShown) {
  if (!mask_) return;
  const QRect panels[4] = {layout.top, layout.left, layout.right, layout.bottom};
  for (size_t i = 0; i < panels_.size(); ++i) setRect(panels_[i], panels[i]);
  for (size_t i = 0; i < borders_.size(); ++i) {
    setRect(borders_[i], layout.borders[i]);
    // The edge files' frame fills the file's root.
    if (QWidget* root = widgetOf(borders_[i]); root && !root->children().isEmpty()) {
      for (QWidget* frame : root->findChildren<QWidget*>()) frame->setGeometry(root->rect());
    }
  }
  for (size_t i = 0; i < handles_.size(); ++i) {
    setRect(handles_[i], layout.handles[i]);
    Zan0Inter(handles_[i], op::kShow, handlesShown ? 1 : 0);
    if (QWidget* widget = widgetOf(handles_[i])) widget->raise();
  }
}

void CropMaskPanel::setCursor(Qt::CursorShape shape) {
  if (QWidget* mask = widgetOf(mask_)) mask->setCursor(shape);
}

}  // namespace tessaly::app
