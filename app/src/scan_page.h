// The Scan page: the pieces a stitch will use, first as the start screen (nothing listed yet),
// then as thumbnails with the toolbar. Pieces come from the Open dialog, from files dropped on
// the window while the page is shown and from files handed over by another start; they can be
// turned, removed and copied to a folder. The Stitch command (the button, Enter, or a choice in
// the popup under the button) checks the pieces, runs the engine with the progress panel, writes
// the result's work copy and hands the picture to the Result page.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "page.h"
#include "piece_list.h"
#include "progress_panel.h"
#include "tessaly/host/operations.h"

struct ZanObject;

namespace tessaly::app {

class MainFrame;
class StitchActionPopup;
class ThumbnailAlbum;
struct IntakeCounts;
struct ScannedImage;

class ScanPage : public QObject, public Page {
  Q_OBJECT
 public:
  explicit ScanPage(MainFrame& frame);
  ~ScanPage() override;

  void activate() override;
  void deactivate() override;
  bool windowEvent(QEvent* event) override;
  void command(PageCommand command, intptr_t a, intptr_t b, bool& handled) override;

  // Checks and adds files (dropped, handed over, or chosen), warning once of each kind of file
  // left out.
  void addPaths(const QStringList& paths);
  // The Stitch button's rule for the style: one row for fewer than 4 or an odd number of pieces;
  // else a grid, unless `rowChosen`.
  static int styleFor(int count, bool rowChosen);
  // Runs a stitch with `style`: the checks, the engine, the work copy, the Result page. True
  // when the Result page took the picture.
  bool stitch(int style);

  // Lists the scanners in the scanner list, preselecting the remembered one.
  void fillScannerList();
  // Scans with the scanner chosen in the list, which becomes the remembered one.
  void scan();
  // Stores a scanned image in the work folder and lists it; a null image (a transfer that
  // failed or was cancelled) adds nothing.
  void receiveScan(std::unique_ptr<ScannedImage> image);

  const PieceList& pieces() const { return pieces_; }
  const std::vector<std::string>& scanners() const { return scanners_; }
  bool fromScanner() const { return fromScanner_; }
  bool startScreen() const { return startScreen_; }
  int style() const { return style_; }

 private:
  static intptr_t onButton(ZanObject* control, int event, intptr_t data, void* context);
  void showStartScreen(bool start);
  void afterListChanged();
  void openFiles();
  void rotate(bool left);
  void removeSelected();
  void saveScans();
  void stitchClicked();
  void reportToolbar(ToolbarMask& mask) const;
  bool checkPieces();
  ZanObject* runEngine(int style);
  void openPopup();

  MainFrame& frame_;
  PieceList pieces_;
  std::unique_ptr<ThumbnailAlbum> album_;
  ProgressPanel panel_;
  QPointer<StitchActionPopup> popup_;
  bool startScreen_ = true;
  bool fromScanner_ = false;
  bool rowChosen_ = false;  // the popup's "one row" choice
  int style_ = 1;
  bool escapePressed_ = false;
  std::vector<std::string> scanners_;
  std::array<host::HandlerEntry, 6> buttons_{};
};

}  // namespace tessaly::app
