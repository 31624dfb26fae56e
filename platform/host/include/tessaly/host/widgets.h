// Between host objects and the Qt widgets behind controls.
#pragma once

#include <QString>

#include "tessaly/host/object.h"
#include "tessaly/host/operations.h"

class QWidget;

namespace tessaly::host {

// The control object of a widget, made on first use (borrowed: the widget holds the reference
// and drops it when it goes). Its class is the widget's "zanClass" property when that names a
// registered class, or one the class module its "zanModule" property names registers once
// loaded (Zan0LoadClassModule); else it follows the widget's kind. Panels of such classes get
// layout passes and pointer calls (op::kLayoutPass, op::kPointer).
ZAN_HOST_API ZanObject* controlOf(QWidget* widget);
// The widget of a control, or null for other objects and for controls whose widget is gone.
ZAN_HOST_API QWidget* widgetOf(const ZanObject* control);

// Loads a UI file (a Qt Designer file) into a new widget under `parent`; null on failure with
// the reason in `error` ("cannot open ...", "not a UI file ..."). Besides Qt's widgets a file
// may use the host's own: "ZanImageView" (an image view) and "ZanAlbum" (a thumbnail album).
ZAN_HOST_API QWidget* loadUiFile(const QString& path, QWidget* parent, QString* error);

}  // namespace tessaly::host

class QEvent;

// Window events in the host's terms, for a window whose events its own code does not take:
// Zan0EventKind fills `out` and gives 1 when the event is one the host knows (pointer, key,
// wheel) and has a control in `window` to go to; Zan0DispatchEvent sends it to that control's
// handlers; Zan0EndUseEvent is called after either, in every case, and frees what `out` holds.
ZAN_HOST_API intptr_t Zan0EventKind(QWidget* window, const QEvent* event,
                                    tessaly::host::HostEvent* out);
ZAN_HOST_API intptr_t Zan0DispatchEvent(const tessaly::host::HostEvent* event);
ZAN_HOST_API void Zan0EndUseEvent(tessaly::host::HostEvent* event);
