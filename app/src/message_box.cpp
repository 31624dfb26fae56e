#include "message_box.h"

#include <QApplication>
#include <QPushButton>
#include <cstdio>
#include <string>

#include "tessaly/host/operations.h"
#include "tessaly/host/widgets.h"
#include "ui_strings.h"

namespace tessaly::app {

using namespace tessaly::host;

namespace {

struct ButtonResult {
  const char* name;
  int result;
};
constexpr ButtonResult kButtons[] = {
    {"butn_ok", kIdOk}, {"butn_yes", kIdYes}, {"butn_no", kIdNo}, {"butn_cancel", kIdCancel}};

bool buttonShown(const char* name, int buttons) {
  const std::string n = name;
  if (n == "butn_ok") return buttons == kStyleOk || buttons == kStyleOkCancel;
  if (n == "butn_cancel") return buttons == kStyleOkCancel;
  return buttons == kStyleYesNo;  // yes and no
}

void setText(ZanObject* control, const QString& text) {
  const std::string value = text.toStdString();
  Zan0Inter(control, op::kSetText, reinterpret_cast<intptr_t>(value.c_str()));
}

}  // namespace

MessageDialog::MessageDialog(QWidget* owner, int style, QString caption, QString message)
    : SkinnedDialog(owner, "GeneralDialog.pui", caption),
      style_(style),
      caption_(std::move(caption)),
      message_(std::move(message)) {}

void MessageDialog::setUp() {
  const int buttons = style_ & 0x0F;
  QWidget* first = nullptr;
  for (const ButtonResult& button : kButtons) {
    ZanObject* control = this->control(button.name);
    const bool shown = buttonShown(button.name, buttons);
    Zan0Inter(control, op::kShow, shown);
    Zan0Inter(control, op::kEventCallback, reinterpret_cast<intptr_t>(onButton),
              reinterpret_cast<intptr_t>(this));
    if (shown && !first) first = widgetOf(control);
  }
  const int icon = (style_ & 0xF0) >> 4;
  const char* icons[] = {"cata_error", "cata_question", "cata_warning", "cata_information"};
  for (int i = 0; i < 4; ++i) Zan0Inter(control(icons[i]), op::kShow, icon == i + 1);
  setText(control("view_title"), caption_);
  setText(control("view_text"), message_);
  setAccessibleName(caption_);
  setAccessibleDescription(message_);
  if (first) first->setFocus();
  centreOnOwner();
}

intptr_t MessageDialog::onButton(ZanObject* control, int event, intptr_t, void* context) {
  if (event != kEventClick) return 0;
  const QString name = widgetOf(control)->objectName();
  for (const ButtonResult& button : kButtons) {
    if (name == button.name) static_cast<MessageDialog*>(context)->done(button.result);
  }
  return 0;
}

int messageBox(QWidget* mainWindow, const UiStrings& strings, int number, int style) {
  if (mainWindow) {
    if (mainWindow->isMinimized()) mainWindow->showNormal();
    mainWindow->raise();
    mainWindow->activateWindow();
  }
  // The box belongs to the window the user works in: an open modal dialog, else the main one.
  QWidget* owner = QApplication::activeModalWidget();
  if (!owner) owner = mainWindow;
  const intptr_t activePanel = Zan0GetGValue(2);
  const QString message = strings.text(number).left(511);
  MessageDialog box(owner, style, strings.text(21), message);
  const int result = box.runModal();
  Zan0SetGValue(2, activePanel);
  if (result < 0) {
    std::fprintf(stderr, "Tessaly: %s\n", box.error().toLocal8Bit().constData());
    return kIdCancel;
  }
  return result;
}

}  // namespace tessaly::app
