#include "save_question.h"

#include <QWidget>

#include "tessaly/host/operations.h"
#include "tessaly/host/widgets.h"

namespace tessaly::app {

using namespace tessaly::host;

SaveQuestionDialog::SaveQuestionDialog(QWidget* owner, QString caption)
    : SkinnedDialog(owner, "Dialog.pui", caption) {}

void SaveQuestionDialog::setUp() {
  for (const char* name : {"butn_save", "butn_continue", "butn_cancel"}) {
    Zan0Inter(control(name), op::kEventCallback, reinterpret_cast<intptr_t>(onButton),
              reinterpret_cast<intptr_t>(this));
  }
  const std::string title = windowTitle().toStdString();
  Zan0Inter(control("view_title"), op::kSetText, reinterpret_cast<intptr_t>(title.c_str()));
  if (QWidget* save = widgetOf(control("butn_save"))) save->setFocus();
  centreOnOwner();
}

intptr_t SaveQuestionDialog::onButton(ZanObject* control, int event, intptr_t, void* context) {
  if (event != kEventClick) return 0;
  auto* dialog = static_cast<SaveQuestionDialog*>(context);
  const QString name = widgetOf(control)->objectName();
  if (name == "butn_save") dialog->done(kAnswerSave);
  if (name == "butn_continue") dialog->done(kAnswerContinue);
  if (name == "butn_cancel") dialog->done(kAnswerStay);
  return 0;
}

int askToSaveResult(QWidget* owner, const QString& caption) {
  SaveQuestionDialog question(owner, caption);
  const int answer = question.runModal();
  return answer == kAnswerSave || answer == kAnswerContinue ? answer : kAnswerStay;
}

}  // namespace tessaly::app
