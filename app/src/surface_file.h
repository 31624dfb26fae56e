// A window's content built from one of the program's UI files.
#pragma once

#include <QString>
#include <QWidget>

struct ZanObject;

namespace tessaly::app {

// Builds window's content from the UI file; its root control, or null with the reason in error.
ZanObject* attachSurface(QWidget* window, const QString& uiFile, QString& error);

}  // namespace tessaly::app
