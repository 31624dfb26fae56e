// The Result page's Save command: the Save dialog (folder, proposed name and type from what the
// pieces were), the resolution and format settings taken from the first piece, the check that
// the folder takes a new file, the write itself and the status line and settings afterwards.
#pragma once

#include <QString>
#include <functional>

class QWidget;
struct ZanObject;

namespace tessaly::app {

class Settings;
class UiStrings;

// What the pieces tell the saved file.
struct SaveSource {
  bool fromScanner = false;
  QString sourcePath;      // the first piece listed
  int sourceBitDepth = 0;  // its bits per pixel
  int xResolution = 0;     // the pieces' smallest, pixels per inch (below 1: 50)
  int yResolution = 0;
};

enum class SaveOutcome { Saved, Cancelled, Failed };

class ResultSaver {
 public:
  ResultSaver(QWidget* mainWindow, const UiStrings& strings, Settings& settings);

  // Sets the status line (the main window's fourth status text), painted at once.
  std::function<void(const QString&)> setStatus;
  // The status line's text now, to restore after a failure.
  std::function<QString()> status;
  // Asks for the path; by default the Save dialog. Tests replace it. Empty: cancelled.
  // `folder`, `proposedName` (without extension), `extension` (".JPG"), `filterIndex` (1 to 3).
  std::function<QString(const QString& folder, const QString& proposedName,
                        const QString& extension, int filterIndex)>
      choosePath;

  // Shows text `number` in the message box with `style` (message_box.h); tests replace it.
  std::function<void(int number, int style)> showMessage;

  // Saves `picture`; the picture's resolution and save options are set on the way. Saved means
  // the write itself succeeded, the status line says so and "lastsavefolder" is the folder; the
  // caller then marks the picture saved (third status text 33) and refreshes the toolbar. A
  // failed write leaves any file that was there as it was.
  SaveOutcome save(ZanObject* picture, const SaveSource& source);

  // The extension proposed for the source (".JPG", ".TIF", ...) and the type list's entry for
  // an extension (1 JPEG, 2 TIFF, 3 BMP).
  QString defaultExtension(const SaveSource& source) const;
  static int filterIndexFor(const QString& extension);

 private:
  QWidget* mainWindow_;
  const UiStrings& strings_;
  Settings& settings_;
};

}  // namespace tessaly::app
