// Frameless windows move and resize themselves: where a press lands decides whether it drags
// the window or one of its edges. The window system does the dragging when it can; where it
// cannot (no window manager, as on a bare X server) the window follows the pointer itself.
#pragma once

#include <QPoint>
#include <QRect>
#include <Qt>

class QMouseEvent;
class QWidget;

namespace tessaly::app {

enum class FrameArea {
  Client,
  Caption,
  Left,
  Right,
  Top,
  Bottom,
  TopLeft,
  TopRight,
  BottomLeft,
  BottomRight
};

constexpr int kCornerSize = 12;
constexpr int kEdgeSize = 8;

// The main window's rules: the resize grip first, then 12-pixel corners and 8-pixel edges
// (none while maximised), then the caption area, where a press on a control (anything but a
// text or a plain panel) stays with the control.
FrameArea mainWindowHitTest(const QWidget* window, QPoint local, const QWidget* resizeGrip,
                            const QWidget* captionArea);

// A dialog's rules: inside the drag area the caption unless on a control.
FrameArea dialogHitTest(const QWidget* window, QPoint local, const QWidget* dragArea,
                        const QWidget* resizeGrip);

// The pointer's shape over an area: the resize arrows over edges and corners, none of its own
// (Qt::ArrowCursor) over the caption and the inside.
Qt::CursorShape cursorFor(FrameArea area);

// True for the widgets a caption may be dragged by: texts and plain panels.
bool dragsLikeCaption(const QWidget* widget);

// One window's move or resize in progress.
class FrameDrag {
 public:
  // Starts moving (Caption) or resizing (an edge or corner) from the pointer at `global`.
  void begin(QWidget* window, FrameArea area, QPoint global);
  bool active() const { return window_ != nullptr; }
  // Follows the pointer when the window system does not; true when the event was taken.
  bool follow(const QMouseEvent* event);
  void end() { window_ = nullptr; }

 private:
  QWidget* window_ = nullptr;
  FrameArea area_ = FrameArea::Client;
  QPoint startGlobal_;
  QRect startGeometry_;
};

}  // namespace tessaly::app
