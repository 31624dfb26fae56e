// The Scan page's "save scans": copies every listed piece, in list order, into a folder the user
// chooses under a name the user gives, numbered from 1 and keeping each piece's own extension.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace tessaly::app {

class Settings;
class UiStrings;

class ScanSaver {
 public:
  ScanSaver(QWidget* mainWindow, const UiStrings& strings, Settings& settings);

  // Asks for the folder and name; by default the Save dialog. Tests replace it. Empty: cancelled.
  std::function<QString(const QString& folder, const QString& proposedName)> choosePath;

  // Shows text `number` in the message box with `style` (message_box.h); tests replace it.
  std::function<void(int number, int style)> showMessage;

  // Copies `pieces`; false (after telling the user) when any copy failed, with no partial copy
  // left behind. Cancelling gives true.
  // Copies are made as temporary files in the folder and given their names only when every
  // one is complete, so a failure leaves the folder as it was.
  bool save(const QStringList& pieces);

  // The name proposed in `folder`: text 37 with the first number from 1 that no file there
  // begins with.
  QString proposedName(const QString& folder) const;

 private:
  QWidget* mainWindow_;
  const UiStrings& strings_;
  Settings& settings_;
};

}  // namespace tessaly::app
