// The host application and its main window: a frameless top-level widget whose content is the
// main UI file. The program gives the window its own frame behaviour.
#include "tessaly/host/app.h"

#include <QApplication>
#include <QDir>
#include <QPointer>
#include <QWidget>
#include <cstring>
#include <string>

#include "object_model.h"
#include "tessaly/host/surface.h"
#include "tessaly/host/widgets.h"

namespace tessaly::host {
namespace {

std::string& lastError() {
  static std::string text;
  return text;
}

struct WindowData : PayloadOf<WindowData> {
  QPointer<QWidget> window;
};

struct AppData : PayloadOf<AppData> {
  ZanObject* window = nullptr;  // one reference of ours
};

template <typename Data>
intptr_t attach(ZanObject* object) {
  object->payload = std::make_unique<Data>();
  return 1;
}

void registerAppClasses() {
  static ClassDescriptor classes[] = {
      {sizeof(ClassDescriptor),
       0,
       0,
       kApplication,
       0,
       attach<AppData>,
       nullptr,
       nullptr,
       nullptr,
       nullptr,
       nullptr,
       {}},
      {sizeof(ClassDescriptor),
       0,
       0,
       kWindow,
       0,
       attach<WindowData>,
       nullptr,
       nullptr,
       nullptr,
       nullptr,
       nullptr,
       {}},
  };
  static bool registered = false;
  if (registered) return;
  registered = true;
  for (ClassDescriptor& descriptor : classes) Zan0RegisterClass(&descriptor, 0);
}

// The record's text fields are zero-padded; a full field has no terminator.
std::string field(const char (&text)[260]) {
  return std::string(text, strnlen(text, 260));
}

}  // namespace
}  // namespace tessaly::host

using namespace tessaly::host;

ZanObject* CreateZanApp(const StartupRecord* record) {
  lastError().clear();
  if (!record || record->size != sizeof(StartupRecord) || !qApp) {
    lastError() = "no start-up record or no application object";
    return nullptr;
  }
  registerAppClasses();
  auto* window = new QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint);
  window->setObjectName("MainWindow");
  window->setGeometry(record->x, record->y, record->width, record->height);

  const std::string folder = QDir(QCoreApplication::applicationDirPath())
                                 .filePath(QString::fromStdString(field(record->uiFolder)))
                                 .toStdString();
  const std::string mainFile = field(record->mainUiFile);
  ZanObject* loader = Zan0CreateObj(kUiLoader);
  Zan0Inter(loader, op::kLoaderFolder, reinterpret_cast<intptr_t>(folder.c_str()));
  SurParam param{};
  param.size = sizeof(param);
  param.uiPath = mainFile.c_str();
  param.loader = loader;
  param.attach = 1;
  if (!SurfaceManage::GetSurfaceManage().CreateSurface(window, &param)) {
    lastError() = SurfaceManage::GetSurfaceManage().lastError();
    Zan0Release(loader);
    delete window;
    return nullptr;
  }
  Zan0Release(loader);

  ZanObject* windowObject = Zan0CreateObj(kWindow);
  payloadOf<WindowData>(windowObject)->window = window;
  ZanObject* app = Zan0CreateObj(kApplication);
  payloadOf<AppData>(app)->window = windowObject;
  return app;
}

intptr_t ZanAppInterface(ZanObject* app, int operation, intptr_t, intptr_t) {
  auto* data = payloadOf<AppData>(app);
  if (!data) return 0;
  if (operation == appop::kMainWindow) return reinterpret_cast<intptr_t>(data->window);
  if (operation != appop::kShutDown) return 0;
  if (auto* window = payloadOf<WindowData>(data->window); window && window->window) {
    SurfaceManage::GetSurfaceManage().DetachSurface(window->window);
    delete window->window.data();
  }
  Zan0Release(data->window);
  data->window = nullptr;
  Zan0Release(app);
  return 1;
}

intptr_t ZanWinInterface(ZanObject* windowObject, int operation, intptr_t, intptr_t) {
  auto* data = payloadOf<WindowData>(windowObject);
  if (!data || !data->window) return 0;
  if (operation == winop::kHandle) return reinterpret_cast<intptr_t>(data->window.data());
  if (operation == winop::kUiRoot) {
    return reinterpret_cast<intptr_t>(
        SurfaceManage::GetSurfaceManage().GetEnvironment(data->window));
  }
  return 0;
}

const char* Zan0LastError() {
  return lastError().c_str();
}
