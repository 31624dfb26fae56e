#include "tessaly/host/surface.h"

#include <QCoreApplication>
#include <QDir>
#include <QPointer>
#include <map>
#include <string>

#include "object_model.h"
#include "tessaly/host/widgets.h"

namespace tessaly::host {
namespace {

struct Surface {
  QPointer<QWidget> root;
  ZanObject* rootControl;  // one reference of ours
};

std::map<const QWidget*, Surface>& surfaces() {
  static std::map<const QWidget*, Surface> map;
  return map;
}

std::string& surfaceError() {
  static std::string text;
  return text;
}

}  // namespace

SurfaceManage& SurfaceManage::GetSurfaceManage() {
  static SurfaceManage manager;
  return manager;
}

bool SurfaceManage::CreateSurface(QWidget* window, SurParam* param) {
  if (!window || !param || !param->uiPath) return false;
  DetachSurface(window);
  ZanObject* loader = param->loader;
  ZanObject* ownLoader = nullptr;
  if (!loader) {
    loader = ownLoader = Zan0CreateObj(kUiLoader);
    const std::string folder = QCoreApplication::applicationDirPath().toStdString() + "/UI";
    Zan0Inter(loader, op::kLoaderFolder, reinterpret_cast<intptr_t>(folder.c_str()));
  }
  auto* root = reinterpret_cast<ZanObject*>(
      Zan0Inter(loader, op::kLoaderLoad, reinterpret_cast<intptr_t>(param->uiPath),
                reinterpret_cast<intptr_t>(controlOf(window))));
  if (!root) Zan0Inter(loader, op::kLoaderError, reinterpret_cast<intptr_t>(&surfaceError()));
  Zan0Release(ownLoader);
  param->root = root;
  if (!root) return false;
  surfaces()[window] = {widgetOf(root), root};
  return true;
}

ZanObject* SurfaceManage::GetEnvironment(QWidget* window) const {
  const auto found = surfaces().find(window);
  return found == surfaces().end() ? nullptr : found->second.rootControl;
}

void SurfaceManage::DetachSurface(QWidget* window) {
  const auto found = surfaces().find(window);
  if (found == surfaces().end()) return;
  Surface surface = found->second;
  surfaces().erase(found);
  delete surface.root.data();
  Zan0Release(surface.rootControl);
}

const char* SurfaceManage::lastError() const {
  return surfaceError().c_str();
}

}  // namespace tessaly::host
