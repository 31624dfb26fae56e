// The host's own widgets behind the image view and the thumbnail album controls.
#pragma once

#include <QImage>
#include <QListWidget>
#include <QSize>
#include <QWidget>

namespace tessaly::host {

// Shows one image, scaled to fit (aspect kept, centred) or at a zoom from the top-left corner.
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
  // Where the image lies in the view.
  QRect imageRect() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage image_;
  bool fit_ = true;
  int zoom_ = 100;
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
