// The program's start and stop: one running program per user (a later start hands its files
// over and ends), the host application with the main window built from "MainFrame.pui", the
// numbered texts, and the main frame.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "settings.h"
#include "ui_strings.h"

struct ZanObject;

namespace tessaly::app {

class HandOverServer;
class InstanceLock;
class MainFrame;

class Program {
 public:
  enum class Start {
    Running,     // the main window is up; run the event loop
    HandedOver,  // another start is running and has the files: end with 0
    Failed,      // nothing could be shown: end with 0
  };

  // The files are the command line's, already made absolute (resolveCommandLineFiles).
  // Run before the application object exists, so that a later start neither connects to the
  // window system nor loads anything: HandedOver or Failed when this start ends here, else
  // Running with `lock` held.
  static Start claim(const std::vector<std::string>& files, std::unique_ptr<InstanceLock>& lock,
                     QString* error);

  // The running program (the lock from claim()); needs the application object.
  explicit Program(std::unique_ptr<InstanceLock> lock);
  ~Program();

  // Builds and shows the main window: Running, or Failed.
  Start start();
  // Why start() failed.
  const QString& error() const { return error_; }

  MainFrame* mainFrame() const { return frame_.get(); }
  // The start-up splash while it is up, else null.
  QWidget* splash() const { return splash_.data(); }
  Settings& settings() { return settings_; }
  const UiStrings& strings() const { return strings_; }

  // The per-user lock file that marks the running program.
  static std::string lockPath();

 private:
  bool createWindow();
  void showSplash();

  Settings settings_;
  UiStrings strings_;
  std::unique_ptr<InstanceLock> lock_;
  std::unique_ptr<HandOverServer> server_;
  ZanObject* app_ = nullptr;
  std::unique_ptr<MainFrame> frame_;
  QPointer<QWidget> splash_;
  QString error_;
};

}  // namespace tessaly::app
