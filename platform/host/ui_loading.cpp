#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUiLoader>
#include <QWidget>

#include "tessaly/host/widgets.h"

namespace tessaly::host {

QWidget* loadUiFile(const QString& path, QWidget* parent, QString* error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    if (error) *error = "cannot open " + path + ": " + file.errorString();
    return nullptr;
  }
  QUiLoader loader;
  loader.setWorkingDirectory(QFileInfo(path).absoluteDir());
  QWidget* root = loader.load(&file, parent);
  // The loader reports a broken file either by giving nothing or through its error text.
  if (!root || !loader.errorString().isEmpty()) {
    delete root;
    if (error) *error = "not a usable UI file " + path + ": " + loader.errorString();
    return nullptr;
  }
  return root;
}

}  // namespace tessaly::host
