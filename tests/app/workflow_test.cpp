// The road of a stitch in the real window on an X server: the example pieces handed over at
// start, turned and turned back, stitched, shown on the Result page and saved in three formats;
// and the ways off that road (cancel, an unreadable piece, too many pieces, a folder that takes
// no file).
#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <memory>

#include "folders.h"
#include "main_frame.h"
#include "program.h"
#include "result_page.h"
#include "scan_page.h"
#include "single_instance.h"
#include "stitch_pieces.h"
#include "stitch_run.h"
#include "temp_folder.h"
#include "tessaly/host/operations.h"
#include "ui_strings.h"
#include "user_folders.h"
#include "window_tests.h"

using namespace tessaly::app;
using namespace tessaly::host;
namespace fs = std::filesystem;

namespace {

QString named(QWidget* root, const char* name, const char* property = "text") {
  QWidget* widget = root->findChild<QWidget*>(name);
  return widget ? widget->property(property).toString() : QString();
}

void click(QWidget* root, const char* name) {
  auto* button = root->findChild<QAbstractButton*>(name);
  QVERIFY2(button, name);
  button->click();
}

// Answers the next message box with `button`; what it said is kept in the string returned.
std::shared_ptr<QString> answerMessage(const char* button) {
  auto said = std::make_shared<QString>();
  app_test::whenModal([button, said](QDialog* box) {
    *said = named(box, "view_text");
    click(box, button);
  });
  return said;
}

// The size of a picture file as the format plug-ins read it back.
QSize imageSize(const QString& path) {
  tagPixelArray* image = nullptr;
  if (decodePicture(path.toStdString(), &image) != 0) return {};
  const QSize size(image->width, image->height);
  PieceFeeder::release(&image);
  return size;
}

}  // namespace

class WorkflowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<app_test::UserFolders> user_;
  std::unique_ptr<tessaly::test::TempFolder> temp_;
  std::unique_ptr<tessaly::test::TmpdirOverride> tmpdir_;
  std::unique_ptr<Program> program_;
  QWidget* window_ = nullptr;
  std::vector<std::string> pieces_;

  MainFrame& frame() { return *program_->mainFrame(); }
  ScanPage& scan() { return *static_cast<ScanPage*>(frame().page(kScanPage)); }
  ResultPage& result() { return *static_cast<ResultPage*>(frame().page(kResultPage)); }
  QString status() { return named(window_, "view_text4"); }
  int thumbnails() { return int(Zan0Inter(frame().control("album1"), op::kAlbumCount)); }

  // Copies of the example pieces in a folder of the test's own, `copies` times over.
  void makePieces(int copies = 1) {
    pieces_.clear();
    for (int copy = 0; copy < copies; ++copy) {
      for (int n = 1; n <= 4; ++n) {
        const std::string from =
            std::string(TESSALY_EXAMPLES) + "/scan-0" + std::to_string(n) + ".jpg";
        const std::string to =
            temp_->file(std::to_string(copy) + "-scan-" + std::to_string(n) + ".jpg");
        fs::copy_file(from, to);
        pieces_.push_back(to);
      }
    }
  }

  // Starts the program with the pieces handed over on its command line.
  void open(size_t count) {
    std::unique_ptr<InstanceLock> lock;
    QString error;
    const std::vector<std::string> files(pieces_.begin(), pieces_.begin() + long(count));
    QCOMPARE(Program::claim(files, lock, &error), Program::Start::Running);
    program_ = std::make_unique<Program>(std::move(lock));
    QVERIFY2(program_->start() == Program::Start::Running, qPrintable(program_->error()));
    window_ = frame().window();
    QVERIFY(QTest::qWaitForWindowExposed(window_));
    QTRY_COMPARE_WITH_TIMEOUT(scan().pieces().count(), int(count), 10000);
    QTRY_COMPARE(thumbnails(), int(count));
  }

  bool pictBinEmpty() {
    const std::string bin = pictBinFolder();
    return !fs::exists(bin) || fs::is_empty(bin);
  }

  bool engineFolderGone() { return !fs::exists(temp_->file("StitchEngine_Tmp")); }

  // Stitches with the Stitch button; the run is over when the click returns.
  void stitchByButton() {
    auto* stitch = window_->findChild<QAbstractButton*>("butn_stitch");
    QVERIFY(stitch && stitch->isVisible() && stitch->isEnabled());
    stitch->click();
  }

  // Makes the panel's Cancel be pressed once the run reaches `stage`.
  void cancelAt(StitchStage stage) {
    StitchRun& run = frame().stitchRun();
    auto original = run.reportProgress;
    run.reportProgress = [&run, original, stage](int percent) {
      if (run.stage() == stage) {
        for (QWidget* top : QApplication::topLevelWidgets()) {
          auto* cancel = top->findChild<QAbstractButton*>("butn_cancel");
          if (top->isVisible() && top->objectName() != "MainFrame" && cancel) cancel->click();
        }
      }
      return original(percent);
    };
  }

 private slots:
  void init() {
    user_ = std::make_unique<app_test::UserFolders>();
    temp_ = std::make_unique<tessaly::test::TempFolder>();
    tmpdir_ = std::make_unique<tessaly::test::TmpdirOverride>(temp_->path());
  }

  void cleanup() {
    // Away from the thumbnails: cells destroyed under the pointer upset the host's event bridge.
    QCursor::setPos(0, 0);
    QTest::qWait(20);
    program_.reset();
    tmpdir_.reset();
    temp_.reset();
    user_.reset();
  }

  void theExamplePiecesAreTurnedStitchedShownAndSaved() {
    makePieces();
    open(4);
    QVERIFY(!scan().startScreen());
    QCOMPARE(status(), QString("4 pieces loaded"));

    // Turn the second piece left and back.
    const PieceItem& second = scan().pieces().at(1);
    const QSize upright(second.width, second.height);
    Zan0Inter(frame().control("album1"), op::kAlbumSelect, 0, 0);  // the first is selected
    Zan0Inter(frame().control("album1"), op::kAlbumSelect, 1, 1);
    QTRY_COMPARE(scan().pieces().selectedCount(), 1);
    QTRY_VERIFY(window_->findChild<QWidget*>("butn_rotateL")->isEnabled());
    click(window_, "butn_rotateL");
    QCOMPARE(scan().pieces().at(1).rotation, 90);
    QCOMPARE(QSize(scan().pieces().at(1).width, scan().pieces().at(1).height),
             upright.transposed());
    click(window_, "butn_rotateR");
    QCOMPARE(scan().pieces().at(1).rotation, 0);
    QCOMPARE(QSize(scan().pieces().at(1).width, scan().pieces().at(1).height), upright);

    QElapsedTimer clock;
    clock.start();
    stitchByButton();
    QCOMPARE(frame().activePage(), kResultPage);
    window_->repaint();
    qInfo("Stitch click to the painted Result page: %lld ms", clock.elapsed());
    QCOMPARE(scan().style(), 1);  // four pieces: a grid

    int32_t width = 0, height = 0;
    Zan0Inter(result().picture(), op::kPictureSize, reinterpret_cast<intptr_t>(&width),
              reinterpret_cast<intptr_t>(&height));
    // Two by two pieces of 729 x 1032 with their overlaps.
    QVERIFY2(width > 1000 && width < 1458, qPrintable(QString::number(width)));
    QVERIFY2(height > 1400 && height < 2064, qPrintable(QString::number(height)));
    int32_t shownWidth = 0, shownHeight = 0;
    Zan0Inter(frame().control("imgc1"), op::kViewImageSize, reinterpret_cast<intptr_t>(&shownWidth),
              reinterpret_cast<intptr_t>(&shownHeight));
    QCOMPARE(QSize(shownWidth, shownHeight), QSize(width, height));
    QVERIFY(Zan0Inter(frame().control("imgc1"), op::kViewIsFit));
    QCOMPARE(status(), program_->strings().text(text::kResultArrived));
    const QString workCopy = result().workCopy();
    QVERIFY(workCopy.endsWith("/PictBin/Result1.TIF"));
    QCOMPARE(imageSize(workCopy), QSize(width, height));
    if (const QString shot = qEnvironmentVariable("TESSALY_README_SHOT"); !shot.isEmpty()) {
      window_->grab().scaledToWidth(640, Qt::SmoothTransformation).save(shot, nullptr, 80);
    }
    if (const QString shot = qEnvironmentVariable("TESSALY_README_CROP_SHOT"); !shot.isEmpty()) {
      window_->findChild<QAbstractButton*>("chck_crop")->click();
      QTest::qWait(100);
      window_->grab().scaledToWidth(640, Qt::SmoothTransformation).save(shot, nullptr, 80);
      QTest::keyClick(window_, Qt::Key_Escape);
    }

    for (const char* extension : {".tif", ".jpg", ".bmp"}) {
      const QString target = QString::fromStdString(temp_->file("saved")) + extension;
      result().saver().choosePath = [target](const QString&, const QString&, const QString&, int) {
        return target;
      };
      QVERIFY2(result().save(), extension);
      QCOMPARE(imageSize(target), QSize(width, height));
    }
    QVERIFY(result().saved());

    // Saved: starting over asks nothing, and the work copy goes with the picture.
    click(window_, "butn_startover");
    QCOMPARE(frame().activePage(), kScanPage);
    QVERIFY(!QFile::exists(workCopy));
    QCOMPARE(scan().pieces().count(), 0);
    QVERIFY(scan().startScreen());
    QVERIFY(engineFolderGone());
  }

  void cancellingDuringAlignmentLeavesTheScanPageAsItWas() {
    makePieces();
    open(4);
    const QString before = status();
    cancelAt(StitchStage::Aligning);
    stitchByButton();
    QCOMPARE(frame().activePage(), kScanPage);
    QVERIFY(!frame().stitchRunning());
    QCOMPARE(scan().pieces().count(), 4);
    QCOMPARE(thumbnails(), 4);
    QCOMPARE(status(), before);
    QVERIFY(pictBinEmpty());
    QVERIFY(engineFolderGone());
    QTRY_VERIFY(window_->isEnabled());  // the panel is gone and gave the window back
  }

  void anUnreadablePieceGivesItsMessageAndNothingIsLost() {
    makePieces();
    open(4);
    // A file that is no picture is left out when it comes.
    const std::string broken = temp_->file("broken.jpg");
    std::ofstream(broken) << "no picture here";
    auto said = answerMessage("butn_ok");
    scan().addPaths({QString::fromStdString(broken)});
    QCOMPARE(*said, program_->strings().text(38));
    QCOMPARE(scan().pieces().count(), 4);

    // A listed piece spoilt behind the program's back stops the stitch with its message.
    std::ofstream(pieces_[2], std::ios::trunc) << "spoilt";
    const QString before = status();
    said = answerMessage("butn_ok");
    stitchByButton();
    QCOMPARE(*said, program_->strings().text(text::kStitchFailed));
    QCOMPARE(frame().activePage(), kScanPage);
    QCOMPARE(scan().pieces().count(), 4);
    QCOMPARE(status(), before);
    QVERIFY(pictBinEmpty());
  }

  void moreThanTheLimitAsksAndNoChangesNothing() {
    makePieces(3);  // 12 pieces, the limit is 10
    open(11);
    const QString before = status();
    auto said = answerMessage("butn_no");
    stitchByButton();
    QCOMPARE(*said, program_->strings().text(text::kTooManyPieces));
    QCOMPARE(frame().activePage(), kScanPage);
    QCOMPARE(status(), before);
    QCOMPARE(scan().pieces().count(), 11);
    QVERIFY(pictBinEmpty());
  }

  void theChoiceUnderTheStitchButtonSetsTheStyle() {
    makePieces();
    open(4);
    QWidget* stitch = window_->findChild<QWidget*>("butn_stitch");
    QEnterEvent enter(QPointF(5, 5), stitch->mapTo(window_, QPointF(5, 5)),
                      stitch->mapToGlobal(QPointF(5, 5)));
    QApplication::sendEvent(stitch, &enter);
    QDialog* popup = nullptr;
    QTRY_VERIFY((popup = window_->findChild<QDialog*>()) && popup->isVisible() &&
                popup->findChild<QWidget*>("chck1"));
    QVERIFY(popup->findChild<QAbstractButton*>("chck1")->isChecked());
    QCOMPARE(popup->geometry().topLeft(), stitch->mapToGlobal(QPoint(0, stitch->height())));
    cancelAt(StitchStage::Loading);
    click(popup, "chck");  // one row
    QCOMPARE(scan().style(), 0);
    QCOMPARE(frame().activePage(), kScanPage);
    // Five pieces always go in one row, whatever was chosen.
    QCOMPARE(ScanPage::styleFor(5, false), 0);
    QCOMPARE(ScanPage::styleFor(2, false), 0);
    QCOMPARE(ScanPage::styleFor(4, true), 0);
    QCOMPARE(ScanPage::styleFor(6, false), 1);
  }

  void aFolderThatTakesNoFileKeepsTheResult() {
    makePieces();
    open(4);
    stitchByButton();
    QCOMPARE(frame().activePage(), kResultPage);
    // A "folder" that is a plain file takes no new file, whoever runs the test.
    const std::string notAFolder = temp_->file("plain-file");
    std::ofstream(notAFolder) << "x";
    result().saver().choosePath = [&](const QString&, const QString&, const QString&, int) {
      return QString::fromStdString(notAFolder + "/result.jpg");
    };
    auto said = answerMessage("butn_ok");
    QVERIFY(!result().save());
    QVERIFY(!said->isEmpty());
    QVERIFY(result().picture());
    QVERIFY(!result().saved());
    QVERIFY(window_->findChild<QWidget*>("butn_save")->isEnabled());

    // Unsaved: start over asks; staying keeps the result.
    app_test::whenModal([](QDialog* question) { click(question, "butn_cancel"); });
    click(window_, "butn_startover");
    QCOMPARE(frame().activePage(), kResultPage);
    QVERIFY(result().picture());
    app_test::whenModal([](QDialog* question) { click(question, "butn_continue"); });
    click(window_, "butn_startover");
    QCOMPARE(frame().activePage(), kScanPage);
    QVERIFY(pictBinEmpty());
  }
};

int app_test::runWorkflowTests(int argc, char** argv) {
  WorkflowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "workflow_test.moc"
