#include "thumbnail_album.h"

#include <QByteArray>
#include <QSize>
#include <QWidget>
#include <algorithm>
#include <string>

#include "piece_list.h"
#include "tessaly/host/operations.h"
#include "tessaly/host/widgets.h"

namespace tessaly::app {

using namespace tessaly::host;

namespace {

constexpr int kCellMargin = 20;  // between a cell and its neighbours in the label area
constexpr int kFrameBorder = 3;  // the preview's frame on each side
constexpr int kLeastCell = 80;   // cell sizes for up to ten pieces stay within these
constexpr int kMostCell = 400;
constexpr int kCellForManyPieces = 150;

// The cell for `count` pieces before it is held within the least and most sizes.
int unboundedCellSize(int count, int smaller, int larger) {
  switch (count) {
    case 0:
    case 1:
      return smaller - kCellMargin;
    case 2:
      return larger / 2 < smaller ? larger / 2 - kCellMargin : smaller - kCellMargin;
    case 3:
    case 4:
      return smaller / 2 - kCellMargin;
    case 5:
    case 6:
      return std::min(smaller / 2, larger / 3) - kCellMargin;
    case 7:
    case 8:
      return std::min(larger / 4, smaller / 2) - kCellMargin;
    case 9:
      return smaller / 3 - kCellMargin;
    case 10:
      return std::min(larger / 5, smaller / 2) - kCellMargin;
  }
  return kCellForManyPieces;
}

ZanObject* child(ZanObject* cell, const char* name) {
  return reinterpret_cast<ZanObject*>(
      Zan0Inter(cell, op::kChildByName, reinterpret_cast<intptr_t>(name)));
}

void setRect(ZanObject* control, int left, int top, int width, int height) {
  const Rect rect{left, top, left + width, top + height};
  Zan0Inter(control, op::kSetRect, reinterpret_cast<intptr_t>(&rect));
}

QSize pictureSize(ZanObject* picture) {
  int32_t width = 0, height = 0;
  if (!Zan0Inter(picture, op::kPictureSize, reinterpret_cast<intptr_t>(&width),
                 reinterpret_cast<intptr_t>(&height))) {
    return {};
  }
  return {width, height};
}

void showSelection(ZanObject* cell, bool selected) {
  Zan0Inter(child(cell, "Select"), op::kShow, selected ? 1 : 0);
  Zan0Inter(child(cell, "Unselect"), op::kShow, selected ? 0 : 1);
}

}  // namespace

int thumbnailCellSize(int count, int width, int height) {
  const int smaller = std::min(width, height), larger = std::max(width, height);
  const int size = unboundedCellSize(count, smaller, larger);
  if (count > 10) return size;
  if (size > kMostCell - 1) return kMostCell;
  if (size <= kLeastCell) return kLeastCell;
  return size;
}

struct ThumbnailAlbum::Cells {
  ThumbnailAlbum* owner;
  ZanObject* album;
  ZanObject* labelArea;
  QString cellTemplate;
  PieceList& pieces;
  QByteArray albumName;
  HandlerEntry handlers[1];
  int cellSize = kCellForManyPieces;
  bool rebuilding = false;  // selection events of the album's own clearing are not the user's

  ZanObject* cell(int index) const {
    return reinterpret_cast<ZanObject*>(Zan0Inter(album, op::kAlbumCell, index));
  }
  void addCell();
  void arrange(int index);
  void selectionChangedAt(int index);
  void clearAlbum();
};

// A cell that cannot be made leaves an empty item, so the album's indices stay the pieces'.
void ThumbnailAlbum::Cells::addCell() {
  QString error;
  QWidget* widget = loadUiFile(cellTemplate, nullptr, &error);
  Zan0Inter(album, op::kAlbumAdd, reinterpret_cast<intptr_t>(widget ? controlOf(widget) : nullptr));
}

// Fits the preview into the cell less its frame, centres the frame, and sets the marks and
// the tooltip.
void ThumbnailAlbum::Cells::arrange(int index) {
  ZanObject* cell = this->cell(index);
  if (!cell || index >= pieces.count()) return;
  const PieceItem& piece = pieces.at(index);
  const int size = cellSize;
  const int inner = std::max(1, size - 2 * kFrameBorder);
  QSize fitted = pictureSize(piece.preview).scaled(inner, inner, Qt::KeepAspectRatio);
  if (fitted.isEmpty()) fitted = QSize(inner, inner);
  const int frameWidth = fitted.width() + 2 * kFrameBorder;
  const int frameHeight = fitted.height() + 2 * kFrameBorder;
  const int left = (size - frameWidth) / 2, top = (size - frameHeight) / 2;
  setRect(cell, 0, 0, size, size);
  for (const char* whole : {"tipPanel", "Select", "Unselect"}) {
    setRect(child(cell, whole), 0, 0, size, size);
  }
  setRect(child(cell, "PanelThumb"), left, top, frameWidth, frameHeight);
  ZanObject* view = child(cell, "Imgc_View");
  setRect(view, left + kFrameBorder, top + kFrameBorder, fitted.width(), fitted.height());
  Zan0Inter(view, op::kViewSetPicture, reinterpret_cast<intptr_t>(piece.preview));
  Zan0Inter(view, op::kViewSetFit, 1);
  showSelection(cell, piece.selected);
  const std::string tip =
      QString::asprintf("%s\n%d X %d", piece.path.toUtf8().constData(), piece.width, piece.height)
          .toStdString();
  // The marks lie over the tip panel; the cell itself carries the tip for them.
  Zan0Inter(child(cell, "tipPanel"), op::kSetToolTip, reinterpret_cast<intptr_t>(tip.c_str()));
  Zan0Inter(cell, op::kSetToolTip, reinterpret_cast<intptr_t>(tip.c_str()));
}

void ThumbnailAlbum::Cells::selectionChangedAt(int index) {
  if (rebuilding || index < 0 || index >= pieces.count()) return;
  const bool selected = Zan0Inter(album, op::kAlbumIsSelected, index) != 0;
  if (pieces.at(index).selected == selected) return;
  pieces.setSelected(index, selected);
  showSelection(cell(index), selected);
  emit owner->selectionChanged();
}

void ThumbnailAlbum::Cells::clearAlbum() {
  rebuilding = true;
  Zan0Inter(album, op::kAlbumClear);
  rebuilding = false;
}

intptr_t ThumbnailAlbum::onAlbumEvent(ZanObject*, int event, intptr_t data, void* context) {
  if (event == kEventAlbumSelection) static_cast<Cells*>(context)->selectionChangedAt(int(data));
  return 0;
}

ThumbnailAlbum::ThumbnailAlbum(ZanObject* album, ZanObject* labelArea, QString cellTemplate,
                               PieceList& pieces)
    : cells_(new Cells{this, album, labelArea, std::move(cellTemplate), pieces, {}, {}}) {
  Zan0Retain(album);
  Zan0Retain(labelArea);
  const QWidget* widget = widgetOf(album);
  cells_->albumName = widget ? widget->objectName().toUtf8() : QByteArray();
  cells_->handlers[0] = {cells_->albumName.constData(), onAlbumEvent, cells_};
  Zan0Inter(album, op::kHandlerTable, reinterpret_cast<intptr_t>(cells_->handlers), 1);
}

ThumbnailAlbum::~ThumbnailAlbum() {
  Zan0Inter(cells_->album, op::kHandlerTable, reinterpret_cast<intptr_t>(cells_->handlers), -1);
  Zan0Release(cells_->labelArea);
  Zan0Release(cells_->album);
  delete cells_;
}

void ThumbnailAlbum::rebuild() {
  PieceList& pieces = cells_->pieces;
  cells_->rebuilding = true;
  Zan0Inter(cells_->album, op::kAlbumClear);
  int focus = -1;
  for (int index = 0; index < pieces.count(); ++index) {
    cells_->addCell();
    const bool selected = pieces.at(index).selected;
    Zan0Inter(cells_->album, op::kAlbumSelect, index, selected ? 1 : 0);
    if (selected && focus < 0) focus = index;
  }
  if (focus < 0 && pieces.count() > 0) {
    focus = 0;
    pieces.setSelected(0, true);
    Zan0Inter(cells_->album, op::kAlbumSelect, 0, 1);
  }
  if (focus >= 0) Zan0Inter(cells_->album, op::kAlbumSetFocused, focus);
  cells_->rebuilding = false;
  layOut();
}

void ThumbnailAlbum::layOut() {
  Rect area{};
  Zan0Inter(cells_->labelArea, op::kGetRect, reinterpret_cast<intptr_t>(&area));
  const int count = cells_->pieces.count();
  cells_->cellSize = thumbnailCellSize(count, area.right - area.left, area.bottom - area.top);
  Zan0Inter(cells_->album, op::kAlbumSetCell, cells_->cellSize, cells_->cellSize);
  const int cellCount = int(Zan0Inter(cells_->album, op::kAlbumCount));
  for (int index = 0; index < std::min(count, cellCount); ++index) cells_->arrange(index);
}

void ThumbnailAlbum::redraw(int index) {
  cells_->arrange(index);
  Zan0Inter(cells_->cell(index), op::kRepaint);
}

void ThumbnailAlbum::detach() {
  cells_->clearAlbum();
}

int ThumbnailAlbum::cellSize() const {
  return cells_->cellSize;
}

}  // namespace tessaly::app
