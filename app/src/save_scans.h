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

  // Copies `pieces`; false (after telling the user) when any copy failed, with no partial copy
  // left behind. Cancelling gives true.
  bool save(const QStringList& pieces);

 private:
  QWidget* mainWindow_;
  const UiStrings& strings_;
  Settings& settings_;
};

}  // namespace tessaly::app
