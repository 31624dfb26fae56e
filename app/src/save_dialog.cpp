#include "save_dialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

#include "save_texts.h"

namespace tessaly::app {
namespace {

// The first pattern's extension of a name filter: "TIFF (*.tif *.tiff)" gives "tif".
QString filterSuffix(const QString& filter) {
  static const QRegularExpression pattern(QStringLiteral("\\*\\.([A-Za-z0-9]+)"));
  const QRegularExpressionMatch match = pattern.match(filter);
  return match.hasMatch() ? match.captured(1) : QString();
}

}  // namespace

QStringList nameFilters(const QString& filterText) {
  const QStringList parts = filterText.split(QStringLiteral("\\0"), Qt::SkipEmptyParts);
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString& description = parts[i];
    QString patterns = parts[i + 1];
    patterns.replace(';', ' ');
    filters << (description.contains('(') ? description : description + " (" + patterns + ")");
  }
  return filters;
}

QString askSavePath(QWidget* owner, const SaveDialogRequest& request) {
  QFileDialog dialog(owner, request.title, request.folder);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  QString suffix = request.defaultExtension.mid(request.defaultExtension.startsWith('.') ? 1 : 0);
  if (!request.filters.isEmpty()) {
    dialog.setNameFilters(request.filters);
    const int index = std::clamp(request.filterIndex, 1, int(request.filters.size()));
    dialog.selectNameFilter(request.filters[index - 1]);
    // A name typed without extension takes the type chosen in the list.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& f) {
      const QString chosen = filterSuffix(f);
      if (!chosen.isEmpty()) dialog.setDefaultSuffix(chosen.toUpper());
    });
  }
  dialog.setDefaultSuffix(suffix);
  dialog.selectFile(request.proposedName);
  while (dialog.exec() == QDialog::Accepted) {
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return {};
    if (chosen.first().size() < kLongestPath) return chosen.first();
    if (request.tooLong) request.tooLong();
    dialog.selectFile(QFileInfo(chosen.first()).fileName());
  }
  return {};
}

}  // namespace tessaly::app
