// The question asked before an unsaved result is given up ("Dialog.pui"): save it, go on
// without it, or stay.
#pragma once

#include "skinned_dialog.h"

namespace tessaly::app {

constexpr int kAnswerSave = 1;
constexpr int kAnswerContinue = 2;
constexpr int kAnswerStay = 3;

class SaveQuestionDialog : public SkinnedDialog {
  Q_OBJECT
 public:
  SaveQuestionDialog(QWidget* owner, QString caption);

 protected:
  void setUp() override;
  // Closing the question in any way other than its buttons keeps the result: stay.
  int cancelResult() const override { return kAnswerStay; }
  void acceptByKey() override { done(kAnswerSave); }

 private:
  static intptr_t onButton(ZanObject* control, int event, intptr_t data, void* context);
};

// Asks the question modally; kAnswerStay also when the dialog cannot be shown.
int askToSaveResult(QWidget* owner, const QString& caption);

}  // namespace tessaly::app
