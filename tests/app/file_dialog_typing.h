// Filling in a non-native file dialog's name field the way a user does.
#pragma once

#include <QFileDialog>
#include <QLineEdit>
#include <QString>

namespace app_test {

// Types `name` (a name or a whole path) into the dialog's name field. QFileDialog::selectFile()
// leaves the field alone once it has the keyboard focus, which it may already have when the
// dialog was shown on a busy machine, so tests type instead. False when the field is missing.
inline bool typeFileName(QFileDialog* dialog, const QString& name) {
  auto* field = dialog->findChild<QLineEdit*>("fileNameEdit");
  if (!field) return false;
  field->setText(name);
  return true;
}

}  // namespace app_test
