#include "scan_page.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QKeyEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>
#include <algorithm>

#include "explanation_dialog.h"
#include "folders.h"
#include "main_frame.h"
#include "message_box.h"
#include "picture_writer.h"
#include "piece_intake.h"
#include "result_page.h"
#include "save_scans.h"
#include "scan_store.h"
#include "scanned_image.h"
#include "scanner_list.h"
#include "settings.h"
#include "stitch_checks.h"
#include "stitch_popup.h"
#include "stitch_run.h"
#include "tessaly/host/widgets.h"
#include "thumbnail_album.h"
#include "twain_session.h"
#include "ui_strings.h"

namespace tessaly::app {

using namespace tessaly::host;

namespace {

// Below 1 pixel per inch a resolution is unknown: 50 stands in for it.
int knownResolution(int resolution) {
  return resolution < 1 ? 50 : resolution;
}

QString withCount(const UiStrings& strings, int number, int count) {
  return strings.text(number).replace("%d", QString::number(count));
}

// Watches the whole program for Escape while a stitch runs.
class EscapeWatch : public QObject {
 public:
  explicit EscapeWatch(bool& pressed) : pressed_(pressed) {
    pressed_ = false;
    qApp->installEventFilter(this);
  }
  ~EscapeWatch() override { qApp->removeEventFilter(this); }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
      pressed_ = true;
    }
    return false;
  }

 private:
  bool& pressed_;
};

}  // namespace

ScanPage::ScanPage(MainFrame& frame) : frame_(frame), panel_(frame.strings()) {
  album_ = std::make_unique<ThumbnailAlbum>(
      frame_.control("album1"), frame_.control("cata_Label"),
      QString::fromStdString(programFolder() + "UI/Thumb_shadow.pui"), pieces_);
  connect(album_.get(), &ThumbnailAlbum::selectionChanged, this, [this] {
    if (active_) frame_.refreshToolbar();
  });
  connect(&frame_, &MainFrame::filesReceived, this, [this](const QStringList& files) {
    if (active_) addPaths(files);
  });
  buttons_ = {{{"butn_loadfiles", onButton, this},
               {"butn_openstart", onButton, this},
               {"butn_stitch", onButton, this},
               {"butn_remove", onButton, this},
               {"butn_savescans", onButton, this},
               {"butn_scndoc", onButton, this}}};
  Zan0Inter(frame_.root(), op::kHandlerTable, reinterpret_cast<intptr_t>(buttons_.data()),
            intptr_t(buttons_.size()));
  StitchRun& run = frame_.stitchRun();
  run.showMessage = [this](int number) {
    messageBox(frame_.window(), frame_.strings(), number, kStyleOk | kIconError);
  };
  run.reportProgress = [this](int percent) { return panel_.update(nullptr, percent); };
  run.escapePressed = [this] { return escapePressed_; };
  frame_.twain().imageArrived = [this](std::unique_ptr<ScannedImage> image) {
    receiveScan(std::move(image));
  };
}

ScanPage::~ScanPage() {
  frame_.twain().imageArrived = nullptr;
  Zan0Inter(frame_.root(), op::kHandlerTable, reinterpret_cast<intptr_t>(buttons_.data()),
            -intptr_t(buttons_.size()));
  if (popup_) popup_->closeNow();
  album_.reset();
  // The album is hidden while the window is whole: an album destroyed under the pointer would
  // get a pointer-leave event while its control is already being torn down.
  Zan0Inter(frame_.control("album1"), op::kAlbumClear);
  Zan0Inter(frame_.control("cata_Label"), op::kShow, 0);
}

void ScanPage::activate() {
  active_ = true;
  // Showing the page starts from nothing.
  pieces_.clear();
  album_->rebuild();
  fromScanner_ = false;
  frame_.window()->setAcceptDrops(true);
  showStartScreen(true);
  fillScannerList();
  frame_.setStatus(text::kStartStatus);
  // Pending files (this start's own, or another's) are read once the page is up.
  QCoreApplication::postEvent(frame_.window(), new QEvent(kHandOverEvent));
}

void ScanPage::deactivate() {
  active_ = false;
  frame_.window()->setAcceptDrops(false);
  // The scanner choice belongs to this page; the Result page needs the toolbar's room.
  Zan0Inter(frame_.control("view4"), op::kShow, 0);
  Zan0Inter(frame_.control("comb_scaner"), op::kShow, 0);
  if (popup_) popup_->closeNow();
  pieces_.closeFiles();
  album_->detach();
}

void ScanPage::showStartScreen(bool start) {
  startScreen_ = start;
  Zan0Inter(frame_.control("cata_start"), op::kShow, start ? 1 : 0);
  Zan0Inter(frame_.control("cata_Label"), op::kShow, start ? 0 : 1);
}

intptr_t ScanPage::onButton(ZanObject* control, int event, intptr_t, void* context) {
  auto* page = static_cast<ScanPage*>(context);
  if (!page->active_ || page->frame_.stitchRunning()) return 0;
  const QString name = widgetOf(control)->objectName();
  if (name == "butn_stitch" && event == kEventPointerEnter) page->openPopup();
  if (name == "butn_stitch" && event == kEventPointerLeave && page->popup_) {
    page->popup_->rollUpUnlessPointed();
  }
  if (event != kEventClick) return 0;
  if (name == "butn_loadfiles" || name == "butn_openstart") page->openFiles();
  if (name == "butn_stitch") page->stitchClicked();
  if (name == "butn_remove") page->removeSelected();
  if (name == "butn_savescans") page->saveScans();
  if (name == "butn_scndoc") page->scan();
  return 0;
}

bool ScanPage::windowEvent(QEvent* event) {
  switch (event->type()) {
    case QEvent::DragEnter: {
      auto* enter = static_cast<QDragEnterEvent*>(event);
      if (!enter->mimeData()->hasUrls() || frame_.stitchRunning()) return false;
      enter->acceptProposedAction();
      return true;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      QStringList paths;
      for (const QUrl& url : drop->mimeData()->urls()) {
        if (url.isLocalFile()) paths << url.toLocalFile();
      }
      drop->acceptProposedAction();
      addPaths(paths);
      return true;
    }
    case QEvent::Resize:
      if (!startScreen_) album_->layOut();
      return false;
    case QEvent::KeyPress: {
      if (frame_.stitchRunning() || startScreen_) return false;
      const int key = static_cast<QKeyEvent*>(event)->key();
      // Enter acts as the Stitch button (Delete is the remove button's accelerator).
      if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
      if (Zan0GetGValue(1) == 0) stitchClicked();
      return true;
    }
    default:
      return false;
  }
}

void ScanPage::command(PageCommand command, intptr_t a, intptr_t, bool& handled) {
  handled = true;
  switch (command) {
    case PageCommand::ReportToolbar:
      reportToolbar(*reinterpret_cast<ToolbarMask*>(a));
      break;
    case PageCommand::RotateLeft:
      rotate(true);
      break;
    case PageCommand::RotateRight:
      rotate(false);
      break;
    default:
      // Start over and the zoom commands are not the Scan page's.
      handled = false;
  }
}

void ScanPage::reportToolbar(ToolbarMask& mask) const {
  const bool scanner = !scanners_.empty();
  if (startScreen_) {
    mask.set(kLoadFiles, true);
    if (scanner) mask.set(kScanDocument, true);
    return;
  }
  // Pieces from the scanner are added to by scanning, not by opening files.
  if (!fromScanner_) mask.set(kLoadFiles, true);
  if (fromScanner_ && scanner) mask.set(kScanDocument | kSaveScans, true);
  const bool selection = pieces_.selectedCount() > 0;
  mask.set(kStartOver, true);
  mask.set(kRotateLeftBit | kRotateRightBit | kRemove, selection);
  mask.set(kStitch, pieces_.count() >= 2);
}

void ScanPage::fillScannerList() {
  const ScannerNames found = frame_.twain().listScanners();
  scanners_ = found.names;
  const UiStrings& strings = frame_.strings();
  ZanObject* list = frame_.control("comb_scaner");
  Zan0Inter(list, op::kComboClear);
  const bool several = scanners_.size() > 1;
  if (scanners_.empty()) {
    Zan0Inter(list, op::kShow, 0);
    Zan0Inter(list, op::kEnable, 0);
    strings.setControlText(frame_.control("view_text2"), text::kNoScannerHint);
    strings.setControlText(frame_.control("view_text3"), text::kNoScannerDetails);
  } else {
    for (const std::string& name : scanners_)
      Zan0Inter(list, op::kComboAdd, reinterpret_cast<intptr_t>(name.c_str()));
    Zan0Inter(
        list, op::kComboSetCurrent,
        preselectedScanner(scanners_, found.managerDefault, frame_.settings().defaultScanDevice()));
    // The list (and its drop button) is only worth using with a choice to make.
    Zan0Inter(list, op::kShow, 1);
    Zan0Inter(list, op::kEnable, several ? 1 : 0);
    strings.setControlText(frame_.control("view_text2"), text::kScannerHint);
    strings.setControlText(frame_.control("view_text3"), text::kScannerDetails);
  }
  Zan0Inter(frame_.control("view4"), op::kShow, scanners_.empty() ? 0 : 1);
  Zan0Inter(frame_.control("view4"), op::kEnable, scanners_.empty() ? 0 : 1);
  strings.setControlText(frame_.control("view_text1"), text::kScanStatus);
}

void ScanPage::scan() {
  if (scanners_.empty() || frame_.twain().managerOpen()) return;
  ZanObject* list = frame_.control("comb_scaner");
  std::string name;
  const intptr_t current = Zan0Inter(list, op::kComboCurrent);
  if (!Zan0Inter(list, op::kComboItemText, current, reinterpret_cast<intptr_t>(&name)))
    name = scanners_.front();
  frame_.settings().setDefaultScanDevice(name);
  TwainSession& twain = frame_.twain();
  const int started = twain.acquire(name);
  if (started == TwainSession::kStarted) {
    // The source may have an event waiting already; the window's next event lets it report.
    QCoreApplication::postEvent(frame_.window(), new QEvent(kSourceWakeEvent));
    return;
  }
  twain.closeAll();
  if (started == TwainSession::kSourceNotOpened)
    messageBox(frame_.window(), frame_.strings(), text::kScannerNotOpened, kStyleOk | kIconError);
}

void ScanPage::receiveScan(std::unique_ptr<ScannedImage> image) {
  // A transfer that failed or was cancelled brings nothing to list.
  if (!image || !active_) return;
  const std::optional<QString> path = storeScan(*image);
  bool added = false;
  if (path) {
    fromScanner_ = true;
    added = pieces_.add(*path, dotsPerInch(image->header.xPelsPerMeter),
                        dotsPerInch(image->header.yPelsPerMeter), true);
    // A file the list could not take is not left in the work folder.
    if (!added) QFile::remove(*path);
  }
  if (!added) {
    messageBox(frame_.window(), frame_.strings(), text::kNotWritten, kStyleOk | kIconError);
    return;
  }
  pieces_.setSourceBitDepth(image->header.bitCount);
  afterListChanged();
}

void ScanPage::addPaths(const QStringList& paths) {
  if (paths.isEmpty()) return;
  fromScanner_ = false;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const IntakeCounts counts = addFiles(pieces_, paths, frame_.strings());
  if (counts.added > 0) afterListChanged();
  QApplication::restoreOverrideCursor();
  reportIntake(frame_.window(), frame_.strings(), counts);
}

void ScanPage::afterListChanged() {
  const int count = pieces_.count();
  const UiStrings& strings = frame_.strings();
  if (count == 0) {
    album_->rebuild();
    showStartScreen(true);
    frame_.setStatus(withCount(strings, fromScanner_ ? text::kScansLoaded : text::kFilesLoaded, 0));
    frame_.refreshToolbar();
    return;
  }
  // The album is shown before it is filled, so its cells are made for a visible list.
  if (startScreen_) showStartScreen(false);
  album_->rebuild();
  album_->layOut();
  frame_.setStatus(
      withCount(strings, fromScanner_ ? text::kScansLoaded : text::kFilesLoaded, count));
  int hint = fromScanner_ ? text::kSeveralScansHint : text::kSeveralPiecesHint;
  if (count == 1) hint = fromScanner_ ? text::kOneScanHint : text::kOnePieceHint;
  strings.setControlText(frame_.control("view_text3"), hint);
  frame_.refreshToolbar();
}

void ScanPage::openFiles() {
  const QStringList paths = askOpenFiles(frame_.window(), frame_.strings(), frame_.settings());
  addPaths(paths);
}

void ScanPage::rotate(bool left) {
  for (int index : pieces_.rotateSelected(left)) album_->redraw(index);
}

void ScanPage::removeSelected() {
  if (pieces_.count() == 0 || pieces_.selectedCount() == 0) return;
  pieces_.removeSelected();
  afterListChanged();
}

void ScanPage::saveScans() {
  if (pieces_.count() == 0) return;
  QStringList paths;
  for (int i = 0; i < pieces_.count(); ++i) paths << pieces_.at(i).path;
  ScanSaver saver(frame_.window(), frame_.strings(), frame_.settings());
  saver.save(paths);
}

int ScanPage::styleFor(int count, bool rowChosen) {
  if (count < 4 || count % 2 == 1) return 0;
  return rowChosen ? 0 : 1;
}

void ScanPage::stitchClicked() {
  if (popup_) popup_->closeNow();
  style_ = styleFor(pieces_.count(), rowChosen_);
  if (pieces_.count() >= 2) stitch(style_);
}

void ScanPage::openPopup() {
  const int count = pieces_.count();
  if (popup_ || count < 4 || count % 2 == 1) return;
  auto* popup = new StitchActionPopup(frame_.window(), widgetOf(frame_.control("butn_stitch")),
                                      frame_.strings().text(text::kTitle), rowChosen_);
  popup->chosen = [this](int style) {
    rowChosen_ = style == 0;
    style_ = style;
    stitch(style);
  };
  popup->stitchByKey = [this] { stitchClicked(); };
  popup->explain = [this] { explainStitchChoices(frame_.window(), frame_.strings()); };
  // The panel deletes itself when it cannot be built.
  if (popup->unroll()) popup_ = popup;
}

bool ScanPage::checkPieces() {
  Settings& settings = frame_.settings();
  if (tooManyPieces(pieces_.count(), settings.maxFilesNum())) {
    const int answer = messageBox(frame_.window(), frame_.strings(), text::kTooManyPieces,
                                  kStyleYesNo | kIconQuestion);
    if (answer != kIdYes && answer != kIdOk) return false;
  }
  if (!piecesSuitable(pieces_.extremes(), settings.maxSizeDiff())) {
    messageBox(frame_.window(), frame_.strings(), text::kUnsuitablePieces, kStyleOk | kIconError);
    return false;
  }
  return true;
}

ZanObject* ScanPage::runEngine(int style) {
  std::vector<StitchEntry> entries;
  for (int i = 0; i < pieces_.count(); ++i) {
    const PieceItem& piece = pieces_.at(i);
    entries.push_back({piece.path.toStdString(), piece.width, piece.height, piece.rotation});
  }
  StitchRun& run = frame_.stitchRun();
  EscapeWatch escape(escapePressed_);
  const tagStitchStyle engine = engineStyle(style, frame_.settings().stitchMethod());
  if (!run.prepareAndOrder(std::move(entries), engine, 0)) return nullptr;
  return run.compose();
}

bool ScanPage::stitch(int style) {
  if (pieces_.count() < 1 || frame_.stitchRunning() || !checkPieces()) return false;
  std::string kept;
  Zan0Inter(frame_.control("view_text4"), op::kGetText, reinterpret_cast<intptr_t>(&kept));
  const QString label =
      frame_.strings().text(style == 1 ? text::kStitchingGrid : text::kStitchingRow);
  frame_.setStatus(label, true);
  const std::optional<std::string> workCopy = uniquePictBinName("Result.TIF");
  frame_.setStitchRunning(true);
  panel_.open(label, frame_.window());

  ZanObject* picture = workCopy ? runEngine(style) : nullptr;
  if (!workCopy) {
    messageBox(frame_.window(), frame_.strings(), text::kStitchFailed, kStyleOk | kIconError);
  }
  bool written = false;
  ResultHandOver handOver;
  if (picture) {
    const PieceExtremes extremes = pieces_.extremes();
    const int resolution = knownResolution(extremes.minXResolution);
    Zan0Inter(picture, op::kPictureSetResolution, resolution, resolution);
    handOver.workCopy = QString::fromStdString(*workCopy);
    written = writePicture(picture, handOver.workCopy);
    if (!written) {
      messageBox(frame_.window(), frame_.strings(), text::kStitchFailed, kStyleOk | kIconError);
    }
    handOver.source = {fromScanner_, pieces_.sourcePath(), pieces_.sourceBitDepth(),
                       knownResolution(extremes.minXResolution),
                       knownResolution(extremes.minYResolution)};
  }
  if (written) panel_.update(nullptr, 100);
  panel_.close();
  frame_.setStitchRunning(false);
  if (!written) {
    // The picture goes whether or not its copy was written; the list stays as it was.
    Zan0Release(picture);
    frame_.setStatus(QString::fromStdString(kept), true);
    return false;
  }
  frame_.showPage(kResultPage);
  frame_.sendCommand(PageCommand::TakePicture, reinterpret_cast<intptr_t>(picture),
                     reinterpret_cast<intptr_t>(&handOver));
  Zan0Release(picture);
  return true;
}

}  // namespace tessaly::app
