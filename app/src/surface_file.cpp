#include "surface_file.h"

#include <string>

#include "tessaly/host/surface.h"

namespace tessaly::app {

ZanObject* attachSurface(QWidget* window, const QString& uiFile, QString& error) {
  const std::string path = uiFile.toStdString();
  host::SurParam param{};
  param.size = sizeof(param);
  param.uiPath = path.c_str();
  param.attach = 1;
  auto& surfaces = host::SurfaceManage::GetSurfaceManage();
  if (!surfaces.CreateSurface(window, &param)) {
    error = QString::fromUtf8(surfaces.lastError());
    return nullptr;
  }
  return param.root;
}

}  // namespace tessaly::app
