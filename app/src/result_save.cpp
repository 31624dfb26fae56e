#include "result_save.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include "folders.h"
#include "message_box.h"
#include "picture_writer.h"
#include "save_dialog.h"
#include "save_texts.h"
#include "settings.h"
#include "tessaly/host/operations.h"
#include "ui_strings.h"

namespace tessaly::app {
namespace {

using namespace tessaly::host;

constexpr int kLowestResolution = 1;
constexpr int kFallbackResolution = 50;

QString extensionOf(const QString& path) {
  const QString suffix = QFileInfo(path).suffix();
  return suffix.isEmpty() ? QString() : "." + suffix;
}

bool isTiff(const QString& extension) {
  return extension.compare(".TIF", Qt::CaseInsensitive) == 0 ||
         extension.compare(".TIFF", Qt::CaseInsensitive) == 0;
}

// A new file can be made in the folder: one is made there and removed again.
bool folderTakesNewFile(const QString& folder) {
  QTemporaryFile probe(withSlash(folder) + "1XXXXXX");
  return probe.open();
}

}  // namespace

ResultSaver::ResultSaver(QWidget* mainWindow, const UiStrings& strings, Settings& settings)
    : mainWindow_(mainWindow), strings_(strings), settings_(settings) {
  showMessage = [this](int number, int style) { messageBox(mainWindow_, strings_, number, style); };
  choosePath = [this](const QString& folder, const QString& proposedName, const QString& extension,
                      int filterIndex) {
    SaveDialogRequest request;
    request.folder = folder;
    request.proposedName = proposedName;
    request.filters = nameFilters(strings_.text(text::kSaveFilter));
    request.filterIndex = filterIndex;
    request.defaultExtension = extension;
    request.tooLong = [this] { showMessage(text::kPathTooLong, kIconWarning); };
    return askSavePath(mainWindow_, request);
  };
}

QString ResultSaver::defaultExtension(const SaveSource& source) const {
  if (source.fromScanner) return QString::fromStdString(settings_.lastScanFileExt());
  const QString extension = extensionOf(source.sourcePath).toUpper();
  for (const char* known : {".BMP", ".TIFF", ".TIF", ".JPEG", ".JPG"})
    if (extension == QLatin1String(known)) return extension;
  return QStringLiteral(".JPG");
}

int ResultSaver::filterIndexFor(const QString& extension) {
  const QString upper = extension.toUpper();
  if (upper == ".TIFF" || upper == ".TIF") return 2;
  if (upper == ".BMP") return 3;
  return 1;
}

SaveOutcome ResultSaver::save(ZanObject* picture, const SaveSource& source) {
  const QString folder = withSlash(QString::fromStdString(settings_.lastSaveFolder()));
  const QString extension = defaultExtension(source);
  const QString proposed = firstFreeName(
      strings_.text(text::kResultName),
      [&](const QString& name) { return QFileInfo::exists(folder + name + extension); });
  QString path = choosePath(folder, proposed, extension, filterIndexFor(extension));
  if (path.isEmpty()) return SaveOutcome::Cancelled;
  QString chosenExtension = extensionOf(path);
  if (chosenExtension.isEmpty()) {
    chosenExtension = extension;
    path += extension;
  }

  const int across =
      source.xResolution < kLowestResolution ? kFallbackResolution : source.xResolution;
  const int down =
      source.yResolution < kLowestResolution ? kFallbackResolution : source.yResolution;
  Zan0Inter(picture, op::kPictureSetResolution, across, down);
  Zan0Inter(picture, op::kPictureSetSaveOption, kSaveOptionTemplate, 0);
  Zan0Inter(picture, op::kPictureSetSaveOption, kSaveOptionBitsPerPixel, 0);
  // The file the TIFF follows must outlive the write; the option is cleared afterwards so the
  // picture never keeps a pointer to it.
  QByteArray templatePath;
  if (chosenExtension.compare(extensionOf(source.sourcePath), Qt::CaseInsensitive) == 0) {
    if (isTiff(chosenExtension)) {
      templatePath = source.sourceBitDepth == 1
                         ? QString::fromStdString(programFolder() + "UI/template.pue").toUtf8()
                         : source.sourcePath.toUtf8();
      Zan0Inter(picture, op::kPictureSetSaveOption, kSaveOptionTemplate,
                reinterpret_cast<intptr_t>(templatePath.constData()));
    } else if (source.sourceBitDepth > 0) {
      Zan0Inter(picture, op::kPictureSetSaveOption, kSaveOptionBitsPerPixel, source.sourceBitDepth);
    }
  }
  if (source.fromScanner) settings_.setLastScanFileExt(chosenExtension.toUpper().toStdString());

  const QString targetFolder = QFileInfo(path).absolutePath();
  if (!folderTakesNewFile(targetFolder)) {
    Zan0Inter(picture, op::kPictureSetSaveOption, kSaveOptionTemplate, 0);
    showMessage(text::kFolderNotWritable, kIconError);
    return SaveOutcome::Failed;
  }
  const QString before = status ? status() : QString();
  if (setStatus) setStatus(withText(strings_.text(text::kSavingStatus), path));
  const bool written = writePicture(picture, path);
  Zan0Inter(picture, op::kPictureSetSaveOption, kSaveOptionTemplate, 0);
  if (!written) {
    if (setStatus) setStatus(before);
    showMessage(text::kWriteFailed, kIconError);
    return SaveOutcome::Failed;
  }
  if (setStatus) setStatus(withText(strings_.text(text::kSavedStatus), path));
  settings_.setLastSaveFolder(withSlash(targetFolder).toStdString());
  return SaveOutcome::Saved;
}

}  // namespace tessaly::app
