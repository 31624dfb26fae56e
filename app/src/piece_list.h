// The pieces a stitch will use, in path order: each piece's file (kept open for reading while it
// is listed, so it cannot be replaced meanwhile), its size and resolution as it will be stitched
// (after its quarter turns), its preview for the thumbnail, and whether the program wrote the
// file itself (a scan in the work folder), which is the only case in which dropping the piece
// deletes the file.
#pragma once

#include <QString>
#include <memory>
#include <vector>

class QFile;
struct ZanObject;

namespace tessaly::app {

struct PieceItem {
  PieceItem();
  ~PieceItem();
  PieceItem(PieceItem&&) noexcept;
  PieceItem& operator=(PieceItem&&) noexcept;

  QString path;
  int xResolution = -1;  // pixels per inch; -1 until known
  int yResolution = -1;
  bool temporary = false;  // written by the program: deleted when the piece is dropped
  int width = 0;           // as stitched, after the piece's turns
  int height = 0;
  int rotation = 0;  // 0, 90, 180 or 270 degrees, applied when the stitch loads the file
  int bitDepth = 0;  // bits per pixel of the file
  bool selected = false;
  ZanObject* preview = nullptr;  // host picture of at most 800 x 800 pixels, owned
  std::unique_ptr<QFile> file;   // open for reading while listed and the page is shown
};

// Smallest and largest sizes and resolutions of the listed pieces, for the checks made before a
// stitch.
struct PieceExtremes {
  int minWidth = 0, maxWidth = 0, minHeight = 0, maxHeight = 0;
  int minXResolution = 0, maxXResolution = 0, minYResolution = 0, maxYResolution = 0;
};

class PieceList {
 public:
  PieceList();
  ~PieceList();  // drops every piece
  PieceList(const PieceList&) = delete;
  PieceList& operator=(const PieceList&) = delete;

  // Loads the preview (false, nothing added, when the file cannot be read), takes the
  // resolutions given or, when below 1, the file's own (0 in the file gives 50), reads the pixel
  // size and bit depth, opens the file, and inserts the piece in path order (case-insensitive).
  // The piece that makes the list go from empty to one is remembered as the source.
  bool add(const QString& path, int xResolution, int yResolution, bool temporary);
  // Whether a piece with this path (case-insensitive) is listed.
  bool contains(const QString& path) const;

  int count() const { return int(items_.size()); }
  const PieceItem& at(int index) const { return items_[size_t(index)]; }
  void setSelected(int index, bool selected);
  int selectedCount() const;

  // Turns every selected piece by a quarter turn to the left (90) or right (270): its preview,
  // rotation, size and resolutions; the file is not touched. Gives the indices changed.
  std::vector<int> rotateSelected(bool left);
  // Drops the selected pieces, from the last to the first.
  void removeSelected();
  // Drops every piece.
  void clear();
  // Closes every piece's file (the page is hidden); the pieces stay listed.
  void closeFiles();

  PieceExtremes extremes() const;
  const QString& sourcePath() const { return sourcePath_; }
  int sourceBitDepth() const { return sourceBitDepth_; }
  void setSourceBitDepth(int bits) { sourceBitDepth_ = bits; }

 private:
  void drop(size_t index);
  std::vector<PieceItem> items_;
  QString sourcePath_;
  int sourceBitDepth_ = 0;
};

}  // namespace tessaly::app
