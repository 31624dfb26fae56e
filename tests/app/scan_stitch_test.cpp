// From the scanner to the saved result in the real window on an X server: a page made by the
// page generator, four overlapping pieces of it made by the scan simulator and turned into PPM
// files, each "scanned" through SANE's PNM file reader by typing its path into the source's
// window, each stored scan holding its piece's pixels, the four pieces stitched and saved in the
// window, and the saved result compared with what the command line makes of the same pixels.
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>

#include "child_process.h"
#include "main_frame.h"
#include "program.h"
#include "result_page.h"
#include "result_save.h"
#include "sane_test_backend.h"
#include "scan_page.h"
#include "single_instance.h"
#include "stitch_pieces.h"
#include "temp_folder.h"
#include "tessaly/host/operations.h"
#include "user_folders.h"
#include "window_tests.h"

using namespace tessaly::app;
using namespace tessaly::host;

namespace {

// Runs one of the command-line programs; its standard error when it fails, else empty.
QString runTool(const std::string& program, const std::vector<std::string>& arguments) {
  const tessaly::test::ChildResult run = tessaly::test::runProgram(program, arguments);
  if (run.exitCode == 0) return {};
  return QString::fromStdString(program + " failed: " + run.standardError);
}

// Writes a picture file as a binary PPM (what SANE's PNM reader takes), through the plug-ins.
bool convertToPpm(const std::string& from, const std::string& to) {
  tagPixelArray* image = nullptr;
  if (decodePicture(from, &image) != 0) return false;
  std::ofstream out(to, std::ios::binary);
  out << "P6\n" << image->width << ' ' << image->height << "\n255\n";
  std::vector<char> row(size_t(image->width) * 3);
  for (int32_t y = 0; y < image->height; ++y) {
    const unsigned char* bgr = image->bits + size_t(y) * size_t(image->bytesPerLine);
    for (int32_t x = 0; x < image->width; ++x) {
      row[size_t(x) * 3] = char(bgr[x * 3 + 2]);
      row[size_t(x) * 3 + 1] = char(bgr[x * 3 + 1]);
      row[size_t(x) * 3 + 2] = char(bgr[x * 3]);
    }
    out.write(row.data(), std::streamsize(row.size()));
  }
  PieceFeeder::release(&image);
  return bool(out.flush());
}

struct Difference {
  QSize first, second;
  long long differing = 0;  // samples that differ
  int largest = 0;          // the largest difference of one sample
};

// How two picture files differ, sample by sample, as the plug-ins read them.
Difference compareFiles(const QString& first, const QString& second) {
  Difference d;
  tagPixelArray *a = nullptr, *b = nullptr;
  if (decodePicture(first.toStdString(), &a) == 0) d.first = QSize(a->width, a->height);
  if (decodePicture(second.toStdString(), &b) == 0) d.second = QSize(b->width, b->height);
  if (a && b && d.first == d.second) {
    for (int32_t y = 0; y < a->height; ++y)
      for (int32_t x = 0; x < a->width * 3; ++x) {
        const int delta =
            std::abs(a->bits[y * a->bytesPerLine + x] - b->bits[y * b->bytesPerLine + x]);
        d.differing += delta != 0;
        d.largest = std::max(d.largest, delta);
      }
  }
  PieceFeeder::release(&a);
  PieceFeeder::release(&b);
  return d;
}

QWidget* sourceWindow() {
  for (QWidget* top : QApplication::topLevelWidgets())
    if (top->objectName() == "twain_scan" && top->isVisible()) return top;
  return nullptr;
}

void click(QWidget* root, const char* name) {
  auto* button = root ? root->findChild<QAbstractButton*>(name) : nullptr;
  QVERIFY2(button && button->isVisible() && button->isEnabled(), name);
  button->click();
}

}  // namespace

class ScanStitchTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<app_test::UserFolders> user_;
  std::unique_ptr<tessaly::test::TempFolder> temp_;
  std::unique_ptr<tessaly::test::TmpdirOverride> tmpdir_;
  std::unique_ptr<Program> program_;
  QWidget* window_ = nullptr;
  std::vector<std::string> pieces_;  // the simulator's lossless pieces
  std::vector<std::string> ppm_;     // the same pixels as PPM files, for the scanner

  MainFrame& frame() { return *program_->mainFrame(); }
  ScanPage& scan() { return *static_cast<ScanPage*>(frame().page(kScanPage)); }
  ResultPage& result() { return *static_cast<ResultPage*>(frame().page(kResultPage)); }
  int thumbnails() { return int(Zan0Inter(frame().control("album1"), op::kAlbumCount)); }

  // A 100-dpi page of 700 x 900 pixels, four overlapping pieces of it in a 2 x 2 grid (lossless
  // PNG), and the pieces as PPM files written one after another, so their times keep the order.
  void makePieces() {
    const std::string page = temp_->file("page.png");
    const std::string scans = temp_->file("scans");
    QString failure = runTool(
        TESSALY_PAGEGEN, {"--quiet", "--dpi", "100", "--size", "700x900", "--seed", "7", page});
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    failure = runTool(TESSALY_SCANSIM,
                      {"--quiet", "--grid", "2x2", "--format", "png", "--seed", "7", page, scans});
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    for (int n = 1; n <= 4; ++n) {
      const std::string ppm = temp_->file("piece-" + std::to_string(n) + ".ppm");
      pieces_.push_back(scans + "/scan-0" + std::to_string(n) + ".png");
      QVERIFY(convertToPpm(pieces_.back(), ppm));
      ppm_.push_back(ppm);
    }
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

  // Types the piece's path into the source's window and scans it; waits until it is listed.
  void scanPiece(const std::string& path, int listed) {
    QWidget* source = sourceWindow();
    QVERIFY(source);
    auto* file = source->findChild<QLineEdit*>("edit_file");
    QVERIFY2(file && file->isVisible(), "the source offers the file to read");
    file->selectAll();
    QTest::keyClick(file, Qt::Key_Delete);
    QTest::keyClicks(file, QString::fromStdString(path));
    click(source, "butn_scan");
    QTRY_COMPARE_WITH_TIMEOUT(scan().pieces().count(), listed, 20000);
  }

 private slots:
  void init() {
    user_ = std::make_unique<app_test::UserFolders>();
    temp_ = std::make_unique<tessaly::test::TempFolder>();
    tmpdir_ = std::make_unique<tessaly::test::TmpdirOverride>(temp_->path());
    app_test::writeSanePnmBackend(app_test::saneConfigFolder());
  }

  void cleanup() {
    program_.reset();
    std::ofstream(app_test::saneConfigFolder() + "/dll.conf").close();  // no scanner again
    tmpdir_.reset();
    temp_.reset();
    user_.reset();
  }

  void fourScannedPiecesStitchAsTheCommandLineStitchesThem() {
    QElapsedTimer clock;
    clock.start();
    makePieces();
    start();
    click(window_, "butn_scndoc");
    QTRY_VERIFY(sourceWindow());
    for (size_t i = 0; i < ppm_.size(); ++i) scanPiece(ppm_[i], int(i) + 1);
    click(sourceWindow(), "butn_close");
    QTRY_VERIFY(!frame().twainBusy());
    QTRY_COMPARE(thumbnails(), 4);
    for (int i = 0; i < 4; ++i) {
      const PieceItem& piece = scan().pieces().at(i);
      QVERIFY(piece.temporary);
      QVERIFY(piece.path.endsWith(QString("/PictBin/Scaned%1.TIF").arg(i + 1)));
      // The device read the PPM file as it is: the stored scan holds the piece's pixels.
      const Difference scanned =
          compareFiles(piece.path, QString::fromStdString(pieces_[size_t(i)]));
      QVERIFY(!scanned.first.isEmpty());
      QCOMPARE(scanned.first, scanned.second);
      QCOMPARE(scanned.differing, 0LL);
    }

    click(window_, "butn_stitch");
    QTRY_COMPARE(frame().activePage(), kResultPage);
    const QString saved = QString::fromStdString(temp_->file("scanned-result.tif"));
    result().saver().choosePath = [saved](const QString&, const QString&, const QString&, int) {
      return saved;
    };
    click(window_, "butn_save");
    QTRY_VERIFY(result().saved());

    // The command line reads no PPM; it stitches the lossless pieces the PPM files were made
    // from, whose pixels the scans were just found to hold.
    const QString expected = QString::fromStdString(temp_->file("command-line.tif"));
    std::vector<std::string> arguments{"--quiet", "-o", expected.toStdString()};
    arguments.insert(arguments.end(), pieces_.begin(), pieces_.end());
    const QString failure = runTool(TESSALY_STITCH, arguments);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));

    // The program stitches the same pixels with the same engine and settings: the same result.
    const Difference d = compareFiles(saved, expected);
    qInfo("Scanned and stitched in %lld ms; %dx%d, %lld samples differ (at most by %d)",
          clock.elapsed(), d.first.width(), d.first.height(), d.differing, d.largest);
    QVERIFY(!d.first.isEmpty());
    QCOMPARE(d.first, d.second);
    QCOMPARE(d.differing, 0LL);
  }
};

int app_test::runScanStitchTests(int argc, char** argv) {
  ScanStitchTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "scan_stitch_test.moc"
