// The program's dialogs: frameless windows whose whole content is a UI file, with up to five
// optional controls of their own frame (drag area, minimise, maximise, close, resize). A
// dialog runs modally (its result returned) or modeless (its owner disabled while it exists).
#pragma once

#include <QDialog>
#include <QString>

#include "window_frame.h"

struct ZanObject;

namespace tessaly::app {

// Windows' button ids, which the dialogs' results keep.
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

struct FrameControlNames {
  const char* drag = "cata_drag";
  const char* minimise = "butn_min";
  const char* maximise = "butn_max";
  const char* close = "butn_close";
  const char* resize = "cata_resize";
};

class SkinnedDialog : public QDialog {
  Q_OBJECT
 public:
  SkinnedDialog(QWidget* owner, QString uiFile, QString title, FrameControlNames names = {});
  ~SkinnedDialog() override;

  // Builds and runs the dialog modally: its result, or -1 when its UI file cannot be loaded
  // (the reason in error()).
  int runModal();
  // Builds and shows it; the owner stays disabled until the dialog is closed. False when the UI
  // file cannot be loaded. A modeless dialog deletes itself when closed.
  bool showModeless();

  // A control of the dialog by name, or null.
  ZanObject* control(const char* name) const;
  const QString& error() const { return error_; }

 protected:
  // After the UI is built, before the dialog is sized, placed and shown.
  virtual void setUp() {}
  // What the close control, Escape and the window system's close give: Cancel.
  virtual int cancelResult() const { return kIdCancel; }
  // Enter: by default the dialog's OK.
  virtual void acceptByKey() { done(kIdOk); }
  // Centres the dialog on its owner (by default it is centred on the screen).
  void centreOnOwner() { centredOnOwner_ = true; }

  void keyPressEvent(QKeyEvent* event) override;
  void reject() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool build();
  void bindFrameControls();
  void roundCorners();
  void closeByControl();
  static intptr_t onFrameControl(ZanObject* control, int event, intptr_t data, void* context);

  QWidget* owner_;
  QString uiFile_;
  FrameControlNames names_;
  ZanObject* root_ = nullptr;
  bool modeless_ = false;
  bool centredOnOwner_ = false;
  QString error_;
  FrameDrag drag_;
};

}  // namespace tessaly::app
