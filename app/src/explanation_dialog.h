// The explanation of the two ways of stitching ("whats_this_dlg.pui"), opened from the Stitch
// choices: a modal dialog captioned with the program's title, closed by OK, Enter or Escape.
#pragma once

#include "skinned_dialog.h"

namespace tessaly::app {

class UiStrings;

class ExplanationDialog : public SkinnedDialog {
  Q_OBJECT
 public:
  ExplanationDialog(QWidget* owner, QString caption);

 protected:
  void setUp() override;

 private:
  static intptr_t onOk(ZanObject* control, int event, intptr_t data, void* context);
  QString caption_;
};

// Shows the explanation modally over `owner`; false when it cannot be shown.
bool explainStitchChoices(QWidget* owner, const UiStrings& strings);

}  // namespace tessaly::app
