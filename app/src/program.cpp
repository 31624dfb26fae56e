#include "program.h"

#include <QApplication>
#include <QScreen>
#include <QWidget>
#include <cstdio>
#include <cstring>

#include "command_line.h"
#include "folders.h"
#include "main_frame.h"
#include "single_instance.h"
#include "splash.h"
#include "tessaly/host/app.h"
#include "tessaly/profile_store.h"

namespace tessaly::app {

using namespace tessaly::host;

namespace {

// How long a later start waits for the running program to answer.
constexpr int kHandOverTimeoutMs = 400;

void copyField(char (&field)[260], const char* text) {
  std::strncpy(field, text, sizeof(field) - 1);
}

StartupRecord startupRecord() {
  StartupRecord record{};
  record.size = sizeof(record);
  copyField(record.uiFolder, "UI");
  copyField(record.mainUiFile, "MainFrame.pui");
  copyField(record.applicationId, "Tessaly-2005-8-29");
  copyField(record.applicationKind, "ZanicDll");
  const QRect screen = QApplication::primaryScreen() ? QApplication::primaryScreen()->geometry()
                                                     : QRect(0, 0, 800, 600);
  record.width = 800;
  record.height = 600;
  record.x = (screen.width() - record.width) / 2;
  record.y = (screen.height() - record.height) / 2;
  record.largeIcon = 107;
  record.smallIcon = 108;
  return record;
}

}  // namespace

Program::Start Program::claim(const std::vector<std::string>& files,
                              std::unique_ptr<InstanceLock>& lock, QString* error) {
  if (appDataFolder().empty()) {
    *error = "the per-user data folder cannot be made";
    return Start::Failed;
  }
  // The lock is taken inside the settings file's own edit, which every start goes through: the
  // first start's files replace whatever a dead program left pending, and a later start's
  // files, added after the lock is taken, are never lost to that replacement.
  const std::string iniPath = appDataFolder() + "Tessaly.ini";
  const bool edited = profile::editProfile(iniPath, [&](profile::ProfileFile& file) {
    lock = InstanceLock::acquire(lockPath());
    handover::addFiles(file, files, lock != nullptr);
  });
  if (!edited && !lock) lock = InstanceLock::acquire(lockPath());
  if (lock) return Start::Running;
  // A running program that is still starting up reads the files once its window is up.
  notifyRunningInstance(handOverSocketName(lockPath()), !files.empty(), kHandOverTimeoutMs);
  return Start::HandedOver;
}

Program::Program(std::unique_ptr<InstanceLock> lock)
    : settings_(Settings::standard()), lock_(std::move(lock)) {}

Program::~Program() {
  delete splash_.data();
  frame_.reset();
  if (app_) ZanAppInterface(app_, appop::kShutDown, 0, 0);
}

std::string Program::lockPath() {
  return appDataFolder() + "Tessaly.lock";
}

Program::Start Program::start() {
  server_ = std::make_unique<HandOverServer>();
  server_->listen(handOverSocketName(lockPath()));
  if (!createWindow()) return Start::Failed;
  QObject::connect(server_.get(), &HandOverServer::requested, frame_.get(), [this](bool files) {
    QWidget* window = frame_->window();
    if (window->isMinimized()) window->showNormal();
    window->raise();
    window->activateWindow();
    if (files) QCoreApplication::postEvent(window, new QEvent(kHandOverEvent));
  });
  return Start::Running;
}

bool Program::createWindow() {
  const StartupRecord record = startupRecord();
  app_ = CreateZanApp(&record);
  if (!app_) {
    error_ = Zan0LastError();
    return false;
  }
  if (!strings_.load(QString::fromStdString(programFolder() + "UI"))) {
    error_ = strings_.error();
    return false;
  }
  auto* windowObject =
      reinterpret_cast<ZanObject*>(ZanAppInterface(app_, appop::kMainWindow, 0, 0));
  auto* window = reinterpret_cast<QWidget*>(ZanWinInterface(windowObject, winop::kHandle, 0, 0));
  auto* root = reinterpret_cast<ZanObject*>(ZanWinInterface(windowObject, winop::kUiRoot, 0, 0));
  window->hide();
  // The splash comes first: Qt runs the pending events when a splash window is shown, and the
  // page's first reading of handed-over files must not run before the window is up.
  showSplash();
  frame_ = std::make_unique<MainFrame>(window, root, strings_, settings_);
  frame_->showPage(kScanPage);
  window->showMaximized();
  if (splash_) {
    splash_->raise();
    // Files handed over mean the user wants to work: the splash makes way.
    QObject::connect(frame_.get(), &MainFrame::filesReceived, splash_.data(), &QWidget::close);
  }
  return true;
}

void Program::showSplash() {
  auto* splash = new Splash(QString::fromStdString(programFolder() + "UI/about.pui"),
                            strings_.text(text::kTitle));
  // The splash is a greeting, not a need: without its UI file the program goes on.
  if (!splash->showOver(nullptr)) {
    std::fprintf(stderr, "Tessaly: no splash: %s\n", qPrintable(splash->error()));
    delete splash;
    return;
  }
  splash_ = splash;
}

}  // namespace tessaly::app
