#include "accelerators.h"

#include <QAbstractButton>
#include <QShortcut>
#include <QWidget>

namespace tessaly::app {

std::span<const Accelerator> acceleratorTable() {
  static const Accelerator table[] = {
      {QKeySequence::Open, nullptr, "butn_loadfiles"},
      {QKeySequence::Save, nullptr, "butn_save"},
      {QKeySequence::UnknownKey, "Ctrl+Shift+S", "butn_savescans"},
      {QKeySequence::New, nullptr, "butn_startover"},
      {QKeySequence::UnknownKey, "Ctrl+L", "butn_rotateL"},
      {QKeySequence::UnknownKey, "Ctrl+R", "butn_rotateR"},
      {QKeySequence::Delete, nullptr, "butn_remove"},
      {QKeySequence::UnknownKey, "Ctrl+0", "butn_fitin"},
      {QKeySequence::UnknownKey, "Ctrl+T", "butn_stitch"},
  };
  return table;
}

void installAccelerators(QWidget* window, std::span<const Accelerator> table,
                         std::function<bool()> allowed) {
  for (const Accelerator& accelerator : table) {
    const QKeySequence keys =
        accelerator.keys ? QKeySequence(accelerator.keys) : QKeySequence(accelerator.standard);
    if (keys.isEmpty()) continue;
    auto* shortcut = new QShortcut(keys, window);
    const QString name = QString::fromUtf8(accelerator.control);
    QObject::connect(shortcut, &QShortcut::activated, window, [window, name, allowed] {
      auto* button = window->findChild<QAbstractButton*>(name);
      // isVisible() also asks the control's parents, so a hidden page's commands never fire.
      if (!button || !button->isVisible() || !button->isEnabled()) return;
      if (allowed && !allowed()) return;
      button->click();
    });
  }
}

}  // namespace tessaly::app
