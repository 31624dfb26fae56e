// The Save dialog that saving results and scans share: Qt's own (non-native) file dialog, so it
// looks and behaves the same on every desktop.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace tessaly::app {

struct SaveDialogRequest {
  QString title;                  // empty: the dialog's own
  QString folder;                 // where it opens
  QString proposedName;           // without extension
  QStringList filters;            // Qt name filters; empty: no type list
  int filterIndex = 1;            // 1-based
  QString defaultExtension;       // ".JPG": added to a name typed without one
  std::function<void()> tooLong;  // tells the user a chosen path is too long
};

// The chosen path, or an empty string when cancelled. Paths of 256 characters or more are
// refused (tooLong is called) and the dialog opens again.
QString askSavePath(QWidget* owner, const SaveDialogRequest& request);

// Name filters from a filter text of description and pattern pairs, each ended by "\0" (the
// two characters): "JPEG (*.jpg)\0*.jpg\0" gives "JPEG (*.jpg)".
QStringList nameFilters(const QString& filterText);

}  // namespace tessaly::app
