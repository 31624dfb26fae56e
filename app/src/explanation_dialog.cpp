#include "explanation_dialog.h"

#include <cstdio>
#include <string>

#include "tessaly/host/operations.h"
#include "ui_strings.h"

namespace tessaly::app {

using namespace tessaly::host;

ExplanationDialog::ExplanationDialog(QWidget* owner, QString caption)
    : SkinnedDialog(owner, "whats_this_dlg.pui", caption), caption_(std::move(caption)) {}

void ExplanationDialog::setUp() {
  const std::string title = caption_.toStdString();
  Zan0Inter(control("cata_title"), op::kSetText, reinterpret_cast<intptr_t>(title.c_str()));
  Zan0Inter(control("butn_ok"), op::kEventCallback, reinterpret_cast<intptr_t>(onOk),
            reinterpret_cast<intptr_t>(this));
  setAccessibleName(caption_);
  centreOnOwner();
}

intptr_t ExplanationDialog::onOk(ZanObject*, int event, intptr_t, void* context) {
  if (event == kEventClick) static_cast<ExplanationDialog*>(context)->done(kIdOk);
  return 0;
}

bool explainStitchChoices(QWidget* owner, const UiStrings& strings) {
  ExplanationDialog dialog(owner, strings.text(21));
  if (dialog.runModal() < 0) {
    std::fprintf(stderr, "Tessaly: %s\n", dialog.error().toLocal8Bit().constData());
    return false;
  }
  return true;
}

}  // namespace tessaly::app
