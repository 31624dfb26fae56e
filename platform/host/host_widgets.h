// The host's own widgets behind the image view and the thumbnail album controls.
#pragma once

#include <QImage>
#include <QListWidget>
#include <QSize>
#include <QWidget>

namespace tessaly::host {

// Shows one image, scaled to fit (aspect kept, centred) or at a scale, scrolled when the scaled
// image exceeds the view (centred where it is smaller). A scaled-down copy of the image is kept
// for the scale shown, so repainting and scrolling only copy pixels.
class ImageView : public QWidget {
 public:
  explicit ImageView(QWidget* parent = nullptr);

  void setImage(const QImage& image);
  const QImage& image() const { return image_; }
  void setFit(bool fit);
  bool fit() const { return fit_; }
  // 1 to 6400 percent; leaves fit mode.
  void setZoom(int percent);
  // The percent shown: the zoom, or in fit mode the scale the fit gives.
  int zoom() const;
  // The scale shown, in 10000ths (fit mode: the fitted one); setting it leaves fit mode.
  void setScale(int tenThousandths);
  int scale() const;
  // The top-left view pixel of the scaled image shown, held within 0 ... scaled size - view size.
  QPoint scrollPosition() const { return scroll_; }
  void setScrollPosition(QPoint position);
  // Where the image lies in the view.
  QRect imageRect() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  double shownScale() const;
  QSize scaledSize() const;
  QPoint clampedScroll(QPoint position) const;
  const QImage& reducedCopy(QSize size);

  QImage image_;
  bool fit_ = true;
  double scale_ = 1.0;
  QPoint scroll_;
  QImage reduced_;  // image_ scaled down to the size shown, made on first need
};

// A grid of equal cells, one per item; each cell may hold a widget (a control's widget).
// Selecting items by pointer or keys works as in any list; the album reports every item whose
// selection changed.
class Album : public QListWidget {
 public:
  explicit Album(QWidget* parent = nullptr);

  int add(QWidget* cell);
  void remove(int index);
  void setCellSize(QSize size);
  QSize cellSize() const { return cell_; }

 private:
  void reportSelection(const QItemSelection& selected, const QItemSelection& deselected);
  QSize cell_{120, 120};
};

}  // namespace tessaly::host
