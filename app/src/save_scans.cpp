#include "save_scans.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QWidget>
#include <memory>
#include <vector>

#include "message_box.h"
#include "save_dialog.h"
#include "save_texts.h"
#include "settings.h"
#include "ui_strings.h"

namespace tessaly::app {
namespace {

constexpr qint64 kCopyChunk = 1 << 20;

// Copies `source` into `copy` (not yet committed); false when a read or write fails.
bool copyInto(const QString& source, QSaveFile& copy) {
  QFile in(source);
  if (!in.open(QIODevice::ReadOnly) || !copy.open(QIODevice::WriteOnly)) return false;
  QByteArray chunk;
  while (!(chunk = in.read(kCopyChunk)).isEmpty()) {
    if (copy.write(chunk) != chunk.size()) return false;
  }
  return in.error() == QFileDevice::NoError && in.atEnd();
}

// Disables the main window while the copies are made, so nothing changes the list meanwhile.
class WindowDisabled {
 public:
  explicit WindowDisabled(QWidget* window)
      : window_(window && window->isEnabled() ? window : nullptr) {
    if (window_) window_->setEnabled(false);
  }
  WindowDisabled(const WindowDisabled&) = delete;
  WindowDisabled& operator=(const WindowDisabled&) = delete;
  ~WindowDisabled() {
    if (window_) window_->setEnabled(true);
  }

 private:
  QWidget* window_;
};

}  // namespace

ScanSaver::ScanSaver(QWidget* mainWindow, const UiStrings& strings, Settings& settings)
    : mainWindow_(mainWindow), strings_(strings), settings_(settings) {
  showMessage = [this](int number, int style) { messageBox(mainWindow_, strings_, number, style); };
  choosePath = [this](const QString& folder, const QString& proposedName) {
    SaveDialogRequest request;
    request.title = strings_.text(text::kSaveScansTitle);
    request.folder = folder;
    request.proposedName = proposedName;
    request.tooLong = [this] { showMessage(text::kPathTooLong, kIconWarning); };
    return askSavePath(mainWindow_, request);
  };
}

QString ScanSaver::proposedName(const QString& folder) const {
  const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
  return firstFreeName(strings_.text(text::kScanName), [&](const QString& name) {
    for (const QString& existing : names)
      if (existing.startsWith(name, Qt::CaseInsensitive)) return true;
    return false;
  });
}

bool ScanSaver::save(const QStringList& pieces) {
  if (pieces.isEmpty()) return true;
  const QString folder = withSlash(QString::fromStdString(settings_.defaultExportPath()));
  const QString chosen = choosePath(folder, proposedName(folder));
  if (chosen.isEmpty()) return true;
  const QFileInfo chosenFile(chosen);
  const QString targetFolder = withSlash(chosenFile.absolutePath());
  const QString name =
      chosenFile.suffix().isEmpty() ? chosenFile.fileName() : chosenFile.completeBaseName();
  settings_.setDefaultExportPath(targetFolder.toStdString());

  // Every copy is written completely before any takes its name; QSaveFile discards what it
  // wrote unless committed.
  const WindowDisabled disabled(mainWindow_);
  std::vector<std::unique_ptr<QSaveFile>> copies;
  bool copied = true;
  for (qsizetype i = 0; i < pieces.size() && copied; ++i) {
    const QString suffix = QFileInfo(pieces[i]).suffix();
    const QString target = QStringLiteral("%1%2-%3%4")
                               .arg(targetFolder, name, QString::number(i + 1),
                                    suffix.isEmpty() ? QString() : "." + suffix);
    copies.push_back(std::make_unique<QSaveFile>(target));
    copied = copyInto(pieces[i], *copies.back());
  }
  if (copied) {
    for (const auto& copy : copies) copied = copy->commit() && copied;
  } else {
    for (const auto& copy : copies) copy->cancelWriting();
  }
  copies.clear();
  if (!copied) showMessage(text::kWriteFailed, kIconError);
  return copied;
}

}  // namespace tessaly::app
