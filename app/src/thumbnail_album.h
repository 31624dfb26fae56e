// The Scan page's thumbnails: one cell per piece (from "Thumb_shadow.pui") in the album control,
// each showing the piece's preview fitted into its frame, its selection marks and a tooltip with
// the path and size. The cell size follows the number of pieces and the label area's size.
#pragma once

#include <QObject>
#include <QString>
#include <cstdint>

struct ZanObject;

namespace tessaly::app {

class PieceList;

// The square cell size for `count` pieces in a label area of `width` x `height` pixels.
int thumbnailCellSize(int count, int width, int height);

class ThumbnailAlbum : public QObject {
  Q_OBJECT
 public:
  // `album` is the album control ("album1"), `labelArea` the control whose size decides the cell
  // size ("cata_Label"), `cellTemplate` the cell's UI file.
  ThumbnailAlbum(ZanObject* album, ZanObject* labelArea, QString cellTemplate, PieceList& pieces);
  ~ThumbnailAlbum() override;

  // Clears the album and adds every piece again, keeping their selection; the first selected
  // piece gets the focus (none selected: piece 0 is selected and focused).
  void rebuild();
  // Sizes the cells for the current count and area.
  void layOut();
  // Redraws one piece's cell (after a turn).
  void redraw(int index);
  // Detaches every cell (the page is hidden).
  void detach();
  // The cell size of the last layout.
  int cellSize() const;

 signals:
  // The user changed the selection of a piece.
  void selectionChanged();

 private:
  struct Cells;
  static intptr_t onAlbumEvent(ZanObject* control, int event, intptr_t data, void* context);
  Cells* cells_;
};

}  // namespace tessaly::app
