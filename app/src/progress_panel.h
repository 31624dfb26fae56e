// The progress panel of a stitch ("process.pui"): a modeless dialog over the main window with
// the program's title, what is being done, the percent as text and as a bar, and Cancel. The
// long work runs on the UI thread and calls update(), which lets the window system's events
// through, so the window repaints and Cancel (the button, Escape, the close control) works.
#pragma once

#include <QPointer>
#include <QString>

#include "skinned_dialog.h"

namespace tessaly::app {

class UiStrings;

class ProgressDialog : public SkinnedDialog {
  Q_OBJECT
 public:
  ProgressDialog(QWidget* owner, QString caption);

  bool cancelled() const { return cancelled_; }
  // Shows the text (when given) and the percent (0 to 100).
  void showProgress(const QString* text, int percent);
  // Closes it for good (every cancel of the user only marks it cancelled).
  void finish();

 protected:
  void setUp() override;
  void done(int result) override;

 private:
  static intptr_t onCancel(ZanObject* control, int event, intptr_t data, void* context);
  QString caption_;
  bool cancelled_ = false;
  bool finishing_ = false;
};

class ProgressPanel {
 public:
  explicit ProgressPanel(const UiStrings& strings) : strings_(strings) {}
  ~ProgressPanel() { close(); }

  // Opens the panel with `text` over `owner` (the main window); false when it cannot be shown.
  bool open(const QString& text, QWidget* owner);
  // Runs the pending events, then shows the text (null keeps the old one) and the percent and
  // runs them again. True when the user cancelled; the panel is then closed. Does nothing and
  // gives false while the panel is closed.
  bool update(const QString* text, int percent);
  void close();
  bool isOpen() const { return !dialog_.isNull(); }
  QWidget* dialog() const { return dialog_.data(); }

 private:
  const UiStrings& strings_;
  QPointer<ProgressDialog> dialog_;
  // The host's active panel when the panel opened, and its widget, to restore it on closing
  // only while that widget is still there and shown.
  intptr_t activePanel_ = 0;
  QPointer<QWidget> activePanelWidget_;
};

}  // namespace tessaly::app
