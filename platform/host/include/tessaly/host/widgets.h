// Between host objects and the Qt widgets behind controls.
#pragma once

#include <QString>

#include "tessaly/host/object.h"

class QWidget;

namespace tessaly::host {

// The control object of a widget, made on first use (borrowed: the widget holds the reference
// and drops it when it goes). Its class is the widget's "zanClass" property when that names a
// registered class, else follows the widget's kind.
ZAN_HOST_API ZanObject* controlOf(QWidget* widget);
// The widget of a control, or null for other objects and for controls whose widget is gone.
ZAN_HOST_API QWidget* widgetOf(const ZanObject* control);

// Loads a UI file (a Qt Designer file) into a new widget under `parent`; null on failure with
// the reason in `error` ("cannot open ...", "not a UI file ...").
ZAN_HOST_API QWidget* loadUiFile(const QString& path, QWidget* parent, QString* error);

}  // namespace tessaly::host
