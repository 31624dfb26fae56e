#include "piece_intake.h"

#include <QFileDialog>
#include <QFileInfo>

#include "message_box.h"
#include "piece_list.h"
#include "settings.h"
#include "ui_strings.h"

namespace tessaly::app {

namespace {

constexpr int kDuplicateText = 22;
constexpr int kUnusableText = 38;
constexpr int kOpenFilterText = 32;
constexpr int kPathTooLongText = 41;
// The longest path the program takes is one character shorter.
constexpr int kPathLimit = 256;

// Whether ".ext" is one of the filter's patterns: it must end there, so ".tif" is found in
// "*.tif;" and "*.tif)" but ".ti" is not.
bool extensionOffered(const QString& filter, const QString& suffix) {
  if (suffix.isEmpty()) return false;
  const QString wanted = "." + suffix;
  for (qsizetype at = filter.indexOf(wanted, 0, Qt::CaseInsensitive); at >= 0;
       at = filter.indexOf(wanted, at + 1, Qt::CaseInsensitive)) {
    const qsizetype after = at + wanted.size();
    if (after >= filter.size() || !filter[after].isLetterOrNumber()) return true;
  }
  return false;
}

// The filter text holds pairs "name\0patterns\0" with the backslash-zero written out; Qt's
// dialog takes each name with its patterns in brackets.
QStringList filtersOfText(const QString& filter) {
  const QStringList parts = filter.split("\\0", Qt::SkipEmptyParts);
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString& name = parts[i];
    QString patterns = parts[i + 1];
    patterns.replace(';', ' ');
    filters << (name.trimmed().endsWith(')') ? name : name + " (" + patterns + ")");
  }
  return filters;
}

// The Open dialog refuses a path the program cannot take and stays open.
class OpenFilesDialog : public QFileDialog {
 public:
  OpenFilesDialog(QWidget* owner, const UiStrings& strings)
      : QFileDialog(owner), owner_(owner), strings_(strings) {
    setObjectName("openFilesDialog");
    setOption(QFileDialog::DontUseNativeDialog);
    setOption(QFileDialog::ReadOnly);
    setFileMode(QFileDialog::ExistingFiles);
    setAcceptMode(QFileDialog::AcceptOpen);
    setNameFilters(filtersOfText(strings.text(kOpenFilterText)));
  }

  void accept() override {
    for (const QString& path : selectedFiles()) {
      if (path.size() >= kPathLimit) {
        messageBox(owner_, strings_, kPathTooLongText, kStyleOk | kIconWarning);
        return;
      }
    }
    QFileDialog::accept();
  }

 private:
  QWidget* owner_;
  const UiStrings& strings_;
};

}  // namespace

IntakeCounts addFiles(PieceList& pieces, const QStringList& paths, const UiStrings& strings) {
  const QString filter = strings.text(kOpenFilterText);
  IntakeCounts counts;
  for (const QString& path : paths) {
    if (!extensionOffered(filter, QFileInfo(path).suffix())) {
      ++counts.unusable;
    } else if (pieces.contains(path)) {
      ++counts.duplicates;
    } else if (pieces.add(path, -1, -1, false)) {
      ++counts.added;
    } else {
      ++counts.unusable;
    }
  }
  return counts;
}

void reportIntake(QWidget* mainWindow, const UiStrings& strings, const IntakeCounts& counts) {
  if (counts.duplicates > 0) messageBox(mainWindow, strings, kDuplicateText, kIconWarning);
  if (counts.unusable > 0) messageBox(mainWindow, strings, kUnusableText, kIconError);
}

QStringList askOpenFiles(QWidget* mainWindow, const UiStrings& strings, Settings& settings) {
  OpenFilesDialog dialog(mainWindow, strings);
  dialog.setDirectory(QString::fromStdString(settings.lastOpenFolder()));
  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return {};
  settings.setLastOpenFolder(QFileInfo(files.first()).absolutePath().toStdString());
  return files;
}

}  // namespace tessaly::app
