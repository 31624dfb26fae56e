// Files the user brings (the Open dialog, a drop, another start's hand-over) checked and added to
// the piece list: an extension the Open dialog's filter does not offer, or a file that cannot be
// read, is unusable; a path already listed is a duplicate. The user hears of each kind once.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace tessaly::app {

class PieceList;
class Settings;
class UiStrings;

struct IntakeCounts {
  int added = 0;
  int duplicates = 0;
  int unusable = 0;
};

// Adds every usable path not yet listed (unknown resolutions, not temporary).
IntakeCounts addFiles(PieceList& pieces, const QStringList& paths, const UiStrings& strings);
// Warns of duplicates (text 22), then of unusable files (text 38), each once.
void reportIntake(QWidget* mainWindow, const UiStrings& strings, const IntakeCounts& counts);
// The Open dialog over the main window: several existing files from the last folder used, which
// becomes the stored one. Empty when cancelled.
QStringList askOpenFiles(QWidget* mainWindow, const UiStrings& strings, Settings& settings);

}  // namespace tessaly::app
