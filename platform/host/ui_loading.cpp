#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUiLoader>
#include <QWidget>

#include "host_widgets.h"
#include "tessaly/host/widgets.h"

namespace tessaly::host {
namespace {

// Qt's loader, which also makes the host's own widgets.
class HostUiLoader : public QUiLoader {
 public:
  QWidget* createWidget(const QString& className, QWidget* parent, const QString& name) override {
    QWidget* widget = nullptr;
    if (className == "ZanImageView") widget = new ImageView(parent);
    if (className == "ZanAlbum") widget = new Album(parent);
    if (!widget) return QUiLoader::createWidget(className, parent, name);
    widget->setObjectName(name);
    return widget;
  }
};

}  // namespace

QWidget* loadUiFile(const QString& path, QWidget* parent, QString* error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    if (error) *error = "cannot open " + path + ": " + file.errorString();
    return nullptr;
  }
  HostUiLoader loader;
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
