// The program's message box: every error, warning and question the user sees, as a numbered
// text in a skinned dialog ("GeneralDialog.pui") captioned with the program's title.
#pragma once

#include <QString>

#include "skinned_dialog.h"

namespace tessaly::app {

class UiStrings;

// Styles: the low four bits choose the buttons, bits 0xF0 the icon.
constexpr int kStyleOk = 0x00;
constexpr int kStyleOkCancel = 0x01;
constexpr int kStyleYesNo = 0x04;
constexpr int kIconError = 0x10;
constexpr int kIconQuestion = 0x20;
constexpr int kIconWarning = 0x30;
constexpr int kIconInformation = 0x40;

class MessageDialog : public SkinnedDialog {
  Q_OBJECT
 public:
  MessageDialog(QWidget* owner, int style, QString caption, QString message);

 protected:
  void setUp() override;

 private:
  static intptr_t onButton(ZanObject* control, int event, intptr_t data, void* context);
  int style_;
  QString caption_;
  QString message_;
};

// Shows text `number` with `style` over the main window and returns the button pressed (kIdOk,
// kIdCancel, kIdYes, kIdNo); the close control and Escape give kIdCancel. The main window is
// restored first when minimised; the host's active panel (global value 2) is kept across.
int messageBox(QWidget* mainWindow, const UiStrings& strings, int number, int style);

}  // namespace tessaly::app
