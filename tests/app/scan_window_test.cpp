// Scanning in the real window on an X server, with SANE's test backend configured in the
// process's private SANE folder: the scanner list and the Scan button, grey and colour pieces
// scanned into the work folder with their pixels and resolution, the toolbar of a scanned list,
// and the scans that end early (the source's window closed, the device cancelling, a work folder
// that takes no file) leaving no file, no piece and the window taking input again.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>

#include "folders.h"
#include "main_frame.h"
#include "piece_preview.h"
#include "program.h"
#include "sane_test_backend.h"
#include "scan_page.h"
#include "settings.h"
#include "single_instance.h"
#include "stitch_pieces.h"
#include "temp_folder.h"
#include "tessaly/host/operations.h"
#include "ui_strings.h"
#include "user_folders.h"
#include "window_tests.h"

using namespace tessaly::app;
using namespace tessaly::host;
namespace fs = std::filesystem;

namespace {

// Points the process's private SANE folder (set by the tests' main) at the test backend.
void configureTestBackend(const std::map<std::string, std::string>& settings) {
  app_test::writeSaneTestBackend(std::getenv("SANE_CONFIG_DIR"), settings);
}

void removeTestBackend() {
  std::ofstream(std::string(std::getenv("SANE_CONFIG_DIR")) + "/dll.conf");
}

QWidget* sourceWindow() {
  for (QWidget* top : QApplication::topLevelWidgets())
    if (top->objectName() == "twain_scan" && top->isVisible()) return top;
  return nullptr;
}

// The mean of the stored picture's pixels (all three samples), as the plug-ins read it back.
int meanOfFile(const QString& path) {
  tagPixelArray* image = nullptr;
  if (decodePicture(path.toStdString(), &image) != 0) return -1;
  long long sum = 0;
  for (int y = 0; y < image->height; ++y)
    for (int x = 0; x < image->width * 3; ++x) sum += image->bits[y * image->bytesPerLine + x];
  const int mean = int(sum / (image->width * 3LL * image->height));
  PieceFeeder::release(&image);
  return mean;
}

}  // namespace

class ScanWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<app_test::UserFolders> user_;
  std::unique_ptr<tessaly::test::TempFolder> temp_;
  std::unique_ptr<tessaly::test::TmpdirOverride> tmpdir_;
  std::unique_ptr<Program> program_;
  QWidget* window_ = nullptr;

  MainFrame& frame() { return *program_->mainFrame(); }
  ScanPage& scan() { return *static_cast<ScanPage*>(frame().page(kScanPage)); }
  template <typename T = QWidget>
  T* control(const char* name) {
    return window_->findChild<T*>(name);
  }

  void start() {
    std::unique_ptr<InstanceLock> lock;
    QString error;
    QCOMPARE(Program::claim({}, lock, &error), Program::Start::Running);
    program_ = std::make_unique<Program>(std::move(lock));
    QVERIFY2(program_->start() == Program::Start::Running, qPrintable(program_->error()));
    window_ = frame().window();
    QVERIFY(QTest::qWaitForWindowExposed(window_));
  }

  // Presses the Scan button and waits for the source's window.
  void openSource() {
    auto* button = control<QAbstractButton>("butn_scndoc");
    QVERIFY(button && button->isVisible() && button->isEnabled());
    button->click();
    QVERIFY(frame().twainBusy());
    QTRY_VERIFY(sourceWindow());
  }

  // Presses a button of the source's window; `mode` chosen first when given.
  void pressInSource(const char* name, const QString& mode = {}) {
    QWidget* source = sourceWindow();
    QVERIFY(source);
    if (!mode.isEmpty()) source->findChild<QComboBox*>("comb_mode")->setCurrentText(mode);
    source->findChild<QAbstractButton*>(name)->click();
  }

  int filesInPictBin() {
    const std::string bin = pictBinFolder();
    if (!fs::exists(bin)) return 0;
    return int(std::distance(fs::directory_iterator(bin), fs::directory_iterator()));
  }

 private slots:
  void init() {
    user_ = std::make_unique<app_test::UserFolders>();
    temp_ = std::make_unique<tessaly::test::TempFolder>();
    tmpdir_ = std::make_unique<tessaly::test::TmpdirOverride>(temp_->path());
    configureTestBackend({});
  }

  void cleanup() {
    program_.reset();
    removeTestBackend();
    tmpdir_.reset();
    temp_.reset();
    user_.reset();
  }

  void theListOffersTheScannersAndTheRememberedOneIsPreselected() {
    {
      Settings settings = Settings::standard();
      settings.setDefaultScanDevice("TEST:1");
    }
    start();
    auto* list = control<QComboBox>("comb_scaner");
    QVERIFY(list->isVisible() && list->isEnabled());
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->currentText(), QString("test:1"));
    QVERIFY(control("butn_scndoc")->isVisible());
    QCOMPARE(control("view_text2")->property("text").toString(),
             program_->strings().text(text::kScannerHint));
  }

  void withoutAScannerTheListAndTheScanButtonAreHidden() {
    removeTestBackend();
    start();
    auto* list = control<QComboBox>("comb_scaner");
    QVERIFY(!list->isVisible() && !list->isEnabled());
    QVERIFY(!control("butn_scndoc")->isVisible());
    QVERIFY(!control("view4")->isVisible());
    QCOMPARE(control("view_text2")->property("text").toString(),
             program_->strings().text(text::kNoScannerHint));
    QVERIFY(!frame().twainBusy());
  }

  void greyAndColourPiecesAreStoredInTheWorkFolderAndListed() {
    // SANE reads its configuration when the manager opens: the picture holds for the session.
    configureTestBackend({{"test-picture", "\"Solid white\""}});
    start();
    openSource();
    pressInSource("butn_scan", "Gray");
    QTRY_COMPARE(scan().pieces().count(), 1);
    const PieceItem& grey = scan().pieces().at(0);
    QVERIFY(grey.temporary);
    QVERIFY(grey.path.endsWith("/PictBin/Scaned1.TIF"));
    QCOMPARE(QSize(grey.width, grey.height), QSize(78, 59));
    QCOMPARE(grey.xResolution, 50);
    PieceFacts facts;
    QVERIFY(readPieceFacts(grey.path, facts));
    QCOMPARE(facts.xResolution, 50);
    QCOMPARE(meanOfFile(grey.path), 255);
    QCOMPARE(scan().pieces().sourceBitDepth(), 8);  // the scan's own depth, not the file's

    pressInSource("butn_scan", "Color");
    QTRY_COMPARE(scan().pieces().count(), 2);
    QCOMPARE(meanOfFile(scan().pieces().at(1).path), 255);
    QVERIFY(scan().fromScanner());
    // A scanned list is added to by scanning, and its scans can be saved.
    QVERIFY(control("butn_savescans")->isVisible());
    QVERIFY(!control("butn_loadfiles")->isVisible());
    QVERIFY(control("butn_scndoc")->isVisible());

    pressInSource("butn_close");
    QTRY_VERIFY(!frame().twainBusy());
    QVERIFY(!sourceWindow());
    QCOMPARE(program_->settings().defaultScanDevice(), std::string("test:0"));
    // Starting over drops the scans with their files.
    frame().showPage(kScanPage);
    QCOMPARE(filesInPictBin(), 0);
  }

  void scansThatEndEarlyLeaveNoFileAndNoPiece() {
    configureTestBackend(
        {{"read-status-code", "\"SANE_STATUS_CANCELLED\""}, {"enable-test-options", "true"}});
    start();
    openSource();
    pressInSource("butn_scan");
    QTest::qWait(300);
    QCOMPARE(scan().pieces().count(), 0);
    QCOMPARE(filesInPictBin(), 0);
    QVERIFY2(frame().twainBusy(), "the source stays up after a cancelled piece");
    pressInSource("butn_close");
    QTRY_VERIFY(!frame().twainBusy());

    // A work folder that cannot be made (a file has its name): message 20, nothing listed.
    configureTestBackend({});
    const std::string bin = appDataFolder() + "PictBin";
    fs::remove_all(bin);
    std::ofstream(bin).close();
    openSource();
    auto said = std::make_shared<QString>();
    app_test::whenModal([said](QDialog* box) {
      *said = box->findChild<QWidget*>("view_text")->property("text").toString();
      box->findChild<QAbstractButton*>("butn_ok")->click();
    });
    pressInSource("butn_scan");
    QTRY_VERIFY(!said->isEmpty());
    QCOMPARE(*said, program_->strings().text(text::kNotWritten));
    QCOMPARE(scan().pieces().count(), 0);
    fs::remove(bin);
    QCOMPARE(filesInPictBin(), 0);
    pressInSource("butn_close");
    QTRY_VERIFY(!frame().twainBusy());
    QVERIFY(control("butn_scndoc")->isEnabled());
  }
};

int app_test::runScanWindowTests(int argc, char** argv) {
  ScanWindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "scan_window_test.moc"
