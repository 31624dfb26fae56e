// The start-up splash: a small frameless panel from "about.pui" with the program's title and
// version, shown over the main window while the program settles, without taking the keyboard
// from it. It goes on a click, after a short time, or when another start hands files over (the user
// wants to work then).
#pragma once

#include <QString>
#include <QTimer>
#include <QWidget>

struct ZanObject;

namespace tessaly::app {

constexpr int kSplashWidth = 420;
constexpr int kSplashHeight = 313;
constexpr int kSplashMilliseconds = 1800;

class Splash : public QWidget {
  Q_OBJECT
 public:
  // `uiFile` is "about.pui" in the program's UI folder, `title` the program's title.
  Splash(QString uiFile, QString title, int milliseconds = kSplashMilliseconds);
  ~Splash() override;

  // Builds it and shows it centred over `over` (or the screen when null or hidden); false (reason
  // in error()) when the UI file cannot be loaded, and nothing is shown.
  bool showOver(QWidget* over);
  const QString& error() const { return error_; }

 protected:
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QString uiFile_;
  QString title_;
  QTimer timer_;
  ZanObject* root_ = nullptr;
  QString error_;
};

}  // namespace tessaly::app
