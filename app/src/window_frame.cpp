#include "window_frame.h"

#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace tessaly::app {
namespace {

bool inside(const QWidget* widget, const QWidget* window, QPoint local) {
  if (!widget || !widget->isVisible()) return false;
  const QRect rect(widget->mapTo(window, QPoint(0, 0)), widget->size());
  return rect.contains(local);
}

FrameArea edgeArea(const QWidget* window, QPoint p) {
  const int w = window->width(), h = window->height();
  const bool left = p.x() < kCornerSize, right = p.x() >= w - kCornerSize;
  const bool top = p.y() < kCornerSize, bottom = p.y() >= h - kCornerSize;
  if (left && top) return FrameArea::TopLeft;
  if (right && top) return FrameArea::TopRight;
  if (left && bottom) return FrameArea::BottomLeft;
  if (right && bottom) return FrameArea::BottomRight;
  if (p.x() < kEdgeSize) return FrameArea::Left;
  if (p.x() >= w - kEdgeSize) return FrameArea::Right;
  if (p.y() < kEdgeSize) return FrameArea::Top;
  if (p.y() >= h - kEdgeSize) return FrameArea::Bottom;
  return FrameArea::Client;
}

FrameArea captionArea(const QWidget* window, QPoint local, const QWidget* area) {
  if (!inside(area, window, local)) return FrameArea::Client;
  const QWidget* child = area->childAt(area->mapFrom(window, local));
  return !child || dragsLikeCaption(child) ? FrameArea::Caption : FrameArea::Client;
}

Qt::Edges edgesOf(FrameArea area) {
  switch (area) {
    case FrameArea::Left:
      return Qt::LeftEdge;
    case FrameArea::Right:
      return Qt::RightEdge;
    case FrameArea::Top:
      return Qt::TopEdge;
    case FrameArea::Bottom:
      return Qt::BottomEdge;
    case FrameArea::TopLeft:
      return Qt::TopEdge | Qt::LeftEdge;
    case FrameArea::TopRight:
      return Qt::TopEdge | Qt::RightEdge;
    case FrameArea::BottomLeft:
      return Qt::BottomEdge | Qt::LeftEdge;
    case FrameArea::BottomRight:
      return Qt::BottomEdge | Qt::RightEdge;
    default:
      return {};
  }
}

}  // namespace

Qt::CursorShape cursorFor(FrameArea area) {
  switch (area) {
    case FrameArea::Left:
    case FrameArea::Right:
      return Qt::SizeHorCursor;
    case FrameArea::Top:
    case FrameArea::Bottom:
      return Qt::SizeVerCursor;
    case FrameArea::TopLeft:
    case FrameArea::BottomRight:
      return Qt::SizeFDiagCursor;
    case FrameArea::TopRight:
    case FrameArea::BottomLeft:
      return Qt::SizeBDiagCursor;
    default:
      return Qt::ArrowCursor;
  }
}

bool dragsLikeCaption(const QWidget* widget) {
  if (qobject_cast<const QLabel*>(widget)) return true;
  return widget->metaObject() == &QFrame::staticMetaObject ||
         widget->metaObject() == &QWidget::staticMetaObject;
}

FrameArea mainWindowHitTest(const QWidget* window, QPoint local, const QWidget* resizeGrip,
                            const QWidget* caption) {
  if (inside(resizeGrip, window, local)) return FrameArea::BottomRight;
  if (!window->isMaximized()) {
    const FrameArea edge = edgeArea(window, local);
    if (edge != FrameArea::Client) return edge;
  }
  return captionArea(window, local, caption);
}

FrameArea dialogHitTest(const QWidget* window, QPoint local, const QWidget* dragArea,
                        const QWidget* resizeGrip) {
  if (inside(resizeGrip, window, local)) return FrameArea::BottomRight;
  return captionArea(window, local, dragArea);
}

void FrameDrag::begin(QWidget* window, FrameArea area, QPoint global) {
  window_ = nullptr;
  QWindow* handle = window->windowHandle();
  if (!handle || area == FrameArea::Client) return;
  const bool system = area == FrameArea::Caption ? handle->startSystemMove()
                                                 : handle->startSystemResize(edgesOf(area));
  if (system) return;
  window_ = window;
  area_ = area;
  startGlobal_ = global;
  startGeometry_ = window->geometry();
}

bool FrameDrag::follow(const QMouseEvent* event) {
  if (!window_) return false;
  if (event->type() == QEvent::MouseButtonRelease) {
    end();
    return true;
  }
  const QPoint delta = event->globalPosition().toPoint() - startGlobal_;
  if (area_ == FrameArea::Caption) {
    window_->move(startGeometry_.topLeft() + delta);
    return true;
  }
  QRect g = startGeometry_;
  const Qt::Edges edges = edgesOf(area_);
  const QSize least = window_->minimumSize();
  if (edges & Qt::LeftEdge)
    g.setLeft(std::min(g.left() + delta.x(), g.right() - least.width() + 1));
  if (edges & Qt::RightEdge)
    g.setRight(std::max(g.right() + delta.x(), g.left() + least.width() - 1));
  if (edges & Qt::TopEdge) g.setTop(std::min(g.top() + delta.y(), g.bottom() - least.height() + 1));
  if (edges & Qt::BottomEdge) {
    g.setBottom(std::max(g.bottom() + delta.y(), g.top() + least.height() - 1));
  }
  window_->setGeometry(g);
  return true;
}

}  // namespace tessaly::app
